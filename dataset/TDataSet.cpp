// SPDX-License-Identifier: MIT
// The dataset framework: state machine, record-buffer window, navigation, editing and notifications.
#include "TDataSet.h"

#include "TDataSource.h"

#include <algorithm>

// How the window works.  m_buffers holds BufferCount() + 1 buffers; the first
// m_recordCount of them hold records in table order and the rest are free (the last
// one is the spare into which a record beyond a full window is fetched before the
// window rotates).  m_activeRecord is the row that field reads and writes use;
// m_currentRecord is the row on which the concrete dataset's cursor stands, or -1
// when that is not known, so a move that starts where the cursor already is costs
// no repositioning.  Repositioning always goes by the buffer's bookmark flag.

[[noreturn]] void DatabaseError(const std::string& message, const std::string& componentName)
{
    if (componentName.empty())
        throw EDatabaseError(message);
    throw EDatabaseError(componentName + ": " + message);
}

namespace {

bool isEditing(TDataSetState state)
{
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

}  // namespace

TDataSet::TDataSet(std::string name) : m_name(std::move(name)), m_fieldDefs(m_name) {}

TDataSet::~TDataSet()
{
    // The concrete dataset has closed itself; only the data sources still point here.
    for (TDataSource* source : m_dataSources)
        source->DataSetDestroyed();
}

void TDataSet::CheckActive() const
{
    if (m_state == TDataSetState::dsInactive)
        DatabaseError("Cannot perform this operation on a closed dataset", m_name);
}

void TDataSet::CheckEditing() const
{
    if (!isEditing(m_state))
        DatabaseError("Dataset not in edit or insert mode", m_name);
}

void TDataSet::SetState(TDataSetState state)
{
    if (m_state == state)
        return;
    m_state = state;
    DataEvent(TDataEvent::deUpdateState, 0);
}

bool TDataSet::IsEmpty() const
{
    return m_state == TDataSetState::dsInactive || (m_recordCount == 0 && m_state == TDataSetState::dsBrowse);
}

// --- opening and closing ---------------------------------------------------

void TDataSet::SetActive(bool value)
{
    if (value == Active())
        return;
    if (value) {
        try {
            OpenTable();
        } catch (...) {
            // The open did not complete: the concrete dataset releases what it opened
            // and writes nothing.  Its own failure here would only hide the cause.
            m_state = TDataSetState::dsInactive;
            try {
                CloseTable();
            } catch (...) {
            }
            throw;
        }
        m_state = TDataSetState::dsBrowse;
        m_modified = false;
        m_pendingMemos.clear();
        try {
            if (IsTableOpen()) {
                int count = 1;
                for (TDataSource* source : m_dataSources)
                    for (TDataLink* link : source->Links())
                        count = std::max(count, link->BufferCount());
                SetBufferCount(count);
            }
            ClearBuffers();
            // OpenTable left the cursor before the first record.
            GetNextRecords();
            m_bof = true;
            m_eof = m_recordCount == 0;
        } catch (...) {
            m_state = TDataSetState::dsInactive;
            FreeBuffers();
            try {
                CloseTable();
            } catch (...) {
            }
            throw;
        }
        m_state = TDataSetState::dsInactive;
        SetState(TDataSetState::dsBrowse);
        DataEvent(TDataEvent::deDataSetChange, 0);
    } else {
        m_state = TDataSetState::dsInactive;
        m_pendingMemos.clear();
        m_modified = false;
        FreeBuffers();
        ClearBuffers();
        try {
            CloseTable();
        } catch (...) {
            m_state = TDataSetState::dsBrowse;
            SetState(TDataSetState::dsInactive);
            throw;
        }
        m_state = TDataSetState::dsBrowse;
        SetState(TDataSetState::dsInactive);
    }
}

void TDataSet::FreeBuffers()
{
    for (TRecordBuffer buffer : m_buffers)
        DisposeRecordBuffer(buffer);
    m_buffers.clear();
}

void TDataSet::ClearBuffers()
{
    m_recordCount = 0;
    m_activeRecord = 0;
    m_currentRecord = -1;
    m_bof = true;
    m_eof = true;
}

void TDataSet::SetBufferCount(int count)
{
    if (count < 1)
        count = 1;
    if (!m_buffers.empty() && count == BufferCount())
        return;
    if (m_buffers.empty()) {
        m_buffers.reserve(static_cast<std::size_t>(count) + 1);
        for (int i = 0; i <= count; ++i)
            m_buffers.push_back(NewRecordBuffer());
        return;
    }
    int old = BufferCount();
    if (count > old) {
        for (int i = old; i < count; ++i)
            m_buffers.push_back(NewRecordBuffer());
    } else {
        // Keep the active row inside the smaller window: drop rows from the top.
        if (m_activeRecord >= count) {
            int drop = m_activeRecord - count + 1;
            std::rotate(m_buffers.begin(), m_buffers.begin() + drop, m_buffers.end());
            m_recordCount -= drop;
            m_activeRecord -= drop;
        }
        if (m_recordCount > count)
            m_recordCount = count;
        while (BufferCount() > count) {
            DisposeRecordBuffer(m_buffers.back());
            m_buffers.pop_back();
        }
        m_currentRecord = -1;
    }
}

void TDataSet::UpdateBufferCount()
{
    if (!Active() || !IsTableOpen())
        return;
    int count = 1;
    for (TDataSource* source : m_dataSources)
        for (TDataLink* link : source->Links())
            count = std::max(count, link->BufferCount());
    if (count == BufferCount())
        return;
    bool grow = count > BufferCount();
    SetBufferCount(count);
    if (grow && m_recordCount > 0) {
        GetNextRecords();
        int before = m_recordCount;
        GetPriorRecords();
        m_activeRecord += m_recordCount - before;
    }
    DataEvent(TDataEvent::deDataSetChange, 0);
}

// --- the window --------------------------------------------------------------

void TDataSet::SetCurrentRecord(int index)
{
    if (m_currentRecord == index)
        return;
    TRecordBuffer buffer = m_buffers[static_cast<std::size_t>(index)];
    m_currentRecord = -1;
    switch (ReadBookmarkFlag(buffer)) {
    case BookmarkFlag::bookmarkCurrent:
    case BookmarkFlag::bookmarkInserted:
        MoveToBufferRecord(buffer);
        break;
    case BookmarkFlag::bookmarkBof:
        MoveBeforeFirst();
        break;
    case BookmarkFlag::bookmarkEof:
        MoveAfterLast();
        break;
    }
    m_currentRecord = index;
}

void TDataSet::UpdateCursorPos()
{
    if (m_recordCount > 0)
        SetCurrentRecord(m_activeRecord);
}

int TDataSet::GetNextRecord()
{
    if (m_recordCount > 0)
        SetCurrentRecord(m_recordCount - 1);
    TRecordBuffer target = m_buffers[static_cast<std::size_t>(m_recordCount)];
    m_currentRecord = -1;
    if (FetchRecord(target, FetchMode::fetchNext, true) != FetchResult::fetchOk)
        return 0;
    int result = 1;
    if (m_recordCount < BufferCount()) {
        ++m_recordCount;
    } else {
        // The spare now holds the new last record; the first row becomes the spare.
        std::rotate(m_buffers.begin(), m_buffers.begin() + 1, m_buffers.end());
        result = 2;
    }
    m_currentRecord = m_recordCount - 1;
    return result;
}

bool TDataSet::GetPriorRecord()
{
    if (m_recordCount > 0)
        SetCurrentRecord(0);
    auto target = m_buffers.begin() + m_recordCount;
    m_currentRecord = -1;
    if (FetchRecord(*target, FetchMode::fetchPrior, true) != FetchResult::fetchOk)
        return false;
    std::rotate(m_buffers.begin(), target, target + 1);
    if (m_recordCount < BufferCount())
        ++m_recordCount;
    m_currentRecord = 0;
    return true;
}

void TDataSet::GetNextRecords()
{
    while (m_recordCount < BufferCount() && GetNextRecord() != 0) {
    }
}

void TDataSet::GetPriorRecords()
{
    while (m_recordCount < BufferCount() && GetPriorRecord()) {
    }
}

void TDataSet::Resync()
{
    if (m_buffers.empty())
        return;
    int wantedRow = m_activeRecord;
    TRecordBuffer spare = m_buffers.back();
    m_currentRecord = -1;
    // The first fetches go without the check: the cursor may stand on a record that
    // has just been hidden (a delete) or beyond the end (a cancelled append).
    FetchResult result = FetchRecord(spare, FetchMode::fetchCurrent, false);
    if (result != FetchResult::fetchOk)
        result = FetchRecord(spare, FetchMode::fetchNext, false);
    if (result != FetchResult::fetchOk)
        result = FetchRecord(spare, FetchMode::fetchPrior, false);
    if (result != FetchResult::fetchOk) {
        ClearBuffers();
        DataEvent(TDataEvent::deDataSetChange, 0);
        return;
    }
    std::swap(m_buffers.front(), m_buffers.back());
    m_recordCount = 1;
    m_currentRecord = 0;
    m_activeRecord = 0;
    while (m_activeRecord < wantedRow && m_recordCount < BufferCount() && GetPriorRecord())
        ++m_activeRecord;
    GetNextRecords();
    int before = m_recordCount;
    GetPriorRecords();
    m_activeRecord += m_recordCount - before;
    m_bof = false;
    m_eof = false;
    DataEvent(TDataEvent::deDataSetChange, 0);
}

TRecordBuffer TDataSet::ActiveBuffer() const
{
    if (m_recordCount == 0 || m_buffers.empty())
        return nullptr;
    return m_buffers[static_cast<std::size_t>(m_activeRecord)];
}

void TDataSet::SetActiveRecordIndex(int index)
{
    if (index >= 0 && index < std::max(m_recordCount, 1))
        m_activeRecord = index;
}

// --- navigation ----------------------------------------------------------------

void TDataSet::First()
{
    CheckBrowseMode();
    ClearBuffers();
    try {
        MoveBeforeFirst();
        GetNextRecords();
    } catch (...) {
        m_bof = true;
        m_eof = m_recordCount == 0;
        DataEvent(TDataEvent::deDataSetChange, 0);
        throw;
    }
    m_bof = true;
    m_eof = m_recordCount == 0;
    DataEvent(TDataEvent::deDataSetChange, 0);
}

void TDataSet::Last()
{
    CheckBrowseMode();
    ClearBuffers();
    try {
        MoveAfterLast();
        GetPriorRecords();
    } catch (...) {
        m_activeRecord = std::max(0, m_recordCount - 1);
        m_bof = m_recordCount == 0;
        m_eof = true;
        DataEvent(TDataEvent::deDataSetChange, 0);
        throw;
    }
    m_activeRecord = std::max(0, m_recordCount - 1);
    m_bof = m_recordCount == 0;
    m_eof = true;
    DataEvent(TDataEvent::deDataSetChange, 0);
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    int moved = 0;
    int scrolled = 0;
    if ((distance > 0 && !m_eof) || (distance < 0 && !m_bof)) {
        m_bof = false;
        m_eof = false;
        try {
            while (distance > 0) {
                if (m_activeRecord < m_recordCount - 1) {
                    ++m_activeRecord;
                } else {
                    int got = GetNextRecord();
                    if (got == 0) {
                        m_eof = true;
                        break;
                    }
                    if (got == 2)
                        ++scrolled;
                    m_activeRecord = m_recordCount - 1;
                }
                --distance;
                ++moved;
            }
            while (distance < 0) {
                if (m_activeRecord > 0) {
                    --m_activeRecord;
                } else {
                    if (!GetPriorRecord()) {
                        m_bof = true;
                        break;
                    }
                    --scrolled;
                }
                ++distance;
                --moved;
            }
        } catch (...) {
            DataEvent(TDataEvent::deDataSetChange, 0);
            throw;
        }
        if (moved != 0 || scrolled != 0)
            DataEvent(TDataEvent::deDataSetScroll, scrolled);
    }
    return moved;
}

TBookmark TDataSet::GetBookmark()
{
    TBookmark bookmark;
    if (Active() && m_recordCount > 0) {
        bookmark.assign(static_cast<std::size_t>(std::max(m_bookmarkSize, 4)), 0);
        ReadBookmark(ActiveBuffer(), bookmark.data());
    }
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark)
{
    CheckBrowseMode();
    if (bookmark.empty())
        return;
    MoveToBookmark(bookmark.data());
    Resync();
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    // An empty window has no record to return to: start again from the beginning
    // (records that were hidden may be presented now).
    if (m_recordCount == 0)
        MoveBeforeFirst();
    else
        UpdateCursorPos();
    Resync();
}

// --- editing -------------------------------------------------------------------

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(TDataEvent::deCheckBrowseMode, 0);
    if (isEditing(m_state)) {
        if (m_modified)
            Post();
        else
            Cancel();
    }
}

void TDataSet::Edit()
{
    if (isEditing(m_state))
        return;
    CheckActive();
    if (!IsWritable())
        DatabaseError("Cannot modify a read-only dataset", m_name);
    if (m_recordCount == 0) {
        Insert();
        return;
    }
    UpdateCursorPos();
    m_modified = false;
    m_pendingMemos.clear();
    m_editBuffer = ActiveBuffer();
    SetState(TDataSetState::dsEdit);
}

void TDataSet::BeginInsertAppend()
{
    CheckBrowseMode();
    if (!IsWritable())
        DatabaseError("Cannot modify a read-only dataset", m_name);
}

void TDataSet::Insert()
{
    BeginInsertAppend();
    bool hadRecord = m_recordCount > 0;
    TBookmark bookmark;
    if (hadRecord) {
        bookmark.assign(static_cast<std::size_t>(std::max(m_bookmarkSize, 4)), 0);
        ReadBookmark(ActiveBuffer(), bookmark.data());
    }
    // The free buffer after the records moves to the active row; a full window
    // loses its last row to the spare.
    int row = hadRecord ? m_activeRecord : 0;
    std::rotate(m_buffers.begin() + row, m_buffers.begin() + m_recordCount,
                m_buffers.begin() + m_recordCount + 1);
    if (m_recordCount < BufferCount())
        ++m_recordCount;
    m_activeRecord = row;
    m_currentRecord = -1;
    TRecordBuffer buffer = m_buffers[static_cast<std::size_t>(row)];
    ClearRecordBuffer(buffer);
    WriteBookmarkFlag(buffer, BookmarkFlag::bookmarkInserted);
    if (hadRecord)
        WriteBookmark(buffer, bookmark.data());
    else
        WriteBookmarkFlag(buffer, BookmarkFlag::bookmarkBof);
    m_bof = false;
    m_eof = false;
    m_modified = false;
    m_pendingMemos.clear();
    m_editBuffer = ActiveBuffer();
    SetState(TDataSetState::dsInsert);
    DataEvent(TDataEvent::deDataSetChange, 0);
}

void TDataSet::Append()
{
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = m_buffers.front();
    ClearRecordBuffer(buffer);
    WriteBookmarkFlag(buffer, BookmarkFlag::bookmarkInserted);
    WriteBookmarkFlag(buffer, BookmarkFlag::bookmarkEof);
    m_recordCount = 1;
    MoveAfterLast();
    m_currentRecord = 0;
    // The records before the new one come in backwards; each pushes it one row down.
    GetPriorRecords();
    m_activeRecord = m_recordCount - 1;
    m_bof = false;
    m_eof = false;
    m_modified = false;
    m_pendingMemos.clear();
    m_editBuffer = ActiveBuffer();
    SetState(TDataSetState::dsInsert);
    DataEvent(TDataEvent::deDataSetChange, 0);
}

void TDataSet::StoreMemoText(TField& field, std::string_view text)
{
    std::unique_ptr<TStream> stream = CreateMemoStream(field, TBlobStreamMode::bmWrite);
    if (!text.empty())
        stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    stream.reset();
}

void TDataSet::FlushPendingMemos()
{
    // Each memo leaves the list once it is stored, so a post that fails later and is
    // tried again does not store it twice.
    while (!m_pendingMemos.empty()) {
        auto& [fieldNo, text] = m_pendingMemos.front();
        TField* field = FieldByNumber(fieldNo);
        if (field != nullptr)
            StoreMemoText(*field, text);
        m_pendingMemos.erase(m_pendingMemos.begin());
    }
}

void TDataSet::Post()
{
    CheckActive();
    CheckEditing();
    DataEvent(TDataEvent::deUpdateRecord, 0);
    UpdateCursorPos();
    FlushPendingMemos();
    PostRecord();
    m_modified = false;
    SetState(TDataSetState::dsBrowse);
    Resync();
}

void TDataSet::Cancel()
{
    if (!isEditing(m_state))
        return;
    m_pendingMemos.clear();
    m_modified = false;
    UpdateCursorPos();
    SetState(TDataSetState::dsBrowse);
    Resync();
}

void TDataSet::Delete()
{
    CheckActive();
    if (m_state == TDataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (m_recordCount == 0)
        DatabaseError("Cannot perform this operation on an empty dataset", m_name);
    if (!IsWritable())
        DatabaseError("Cannot modify a read-only dataset", m_name);
    // Unposted edits are discarded first: the deleted record is stored as it was in
    // the table, with only its deletion flag changed.
    if (m_state == TDataSetState::dsEdit)
        Cancel();
    UpdateCursorPos();
    DeleteRecord();
    UpdateCursorPos();
    Resync();
}

// --- counts --------------------------------------------------------------------

int TDataSet::RecordCount()
{
    CheckActive();
    return TotalRecords();
}

int TDataSet::RecNo()
{
    if (!Active() || m_recordCount == 0)
        return 0;
    return CurrentRecordNumber();
}

void TDataSet::DisableControls()
{
    if (m_disableCount++ == 0)
        m_stateAtDisable = m_state;
}

void TDataSet::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0) {
        if (m_state != m_stateAtDisable)
            DataEvent(TDataEvent::deUpdateState, 0);
        DataEvent(TDataEvent::deDataSetChange, 0);
    }
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info)
{
    if (event == TDataEvent::deFieldChange && isEditing(m_state))
        m_modified = true;
    if (m_dataSources.empty())
        return;
    // Requests to the links go out even while controls are disabled; notifications wait.
    bool request = event == TDataEvent::deUpdateRecord || event == TDataEvent::deCheckBrowseMode;
    if (m_disableCount > 0 && !request)
        return;
    for (std::size_t i = 0; i < m_dataSources.size(); ++i)
        m_dataSources[i]->NotifyLinks(event, info);
}

// --- fields ----------------------------------------------------------------------

void TDataSet::CreateFields()
{
    DestroyFields();
    for (int i = 0; i < m_fieldDefs.Count(); ++i) {
        const TFieldDef& def = m_fieldDefs[i];
        std::unique_ptr<TField> field;
        switch (def.DataType) {
        case TFieldType::ftSmallint:
            field = std::make_unique<TSmallintField>(*this, def);
            break;
        case TFieldType::ftInteger:
            field = std::make_unique<TIntegerField>(*this, def);
            break;
        case TFieldType::ftLargeint:
            field = std::make_unique<TLargeintField>(*this, def);
            break;
        case TFieldType::ftBoolean:
            field = std::make_unique<TBooleanField>(*this, def);
            break;
        case TFieldType::ftFloat:
            field = std::make_unique<TFloatField>(*this, def);
            break;
        case TFieldType::ftDate:
            field = std::make_unique<TDateField>(*this, def);
            break;
        case TFieldType::ftMemo:
            field = std::make_unique<TMemoField>(*this, def);
            break;
        case TFieldType::ftString:
        case TFieldType::ftUnknown:
            field = std::make_unique<TStringField>(*this, def);
            break;
        }
        m_fields.push_back(std::move(field));
    }
    DataEvent(TDataEvent::deLayoutChange, 0);
}

void TDataSet::DestroyFields()
{
    if (m_fields.empty())
        return;
    m_fields.clear();
    DataEvent(TDataEvent::deLayoutChange, 0);
}

void TDataSet::BindFields(bool /*binding*/)
{
    // Field objects take their number, kind and size from the definition they are made
    // from, so there is nothing further to bind.
}

TField* TDataSet::FindField(std::string_view name) const
{
    for (const auto& field : m_fields)
        if (SameFieldName(name, field->FieldName()))
            return field.get();
    return nullptr;
}

TField& TDataSet::FieldByName(std::string_view name) const
{
    TField* field = FindField(name);
    if (field == nullptr)
        DatabaseError("Field '" + std::string(name) + "' not found", m_name);
    return *field;
}

TField* TDataSet::FieldByNumber(int fieldNo) const
{
    for (const auto& field : m_fields)
        if (field->FieldNo() == fieldNo)
            return field.get();
    return nullptr;
}

namespace {

// A write stream handed out while editing: what was written before its position when
// it is freed becomes the field's pending memo text, stored at post.
class TPendingMemoStream : public TMemoryStream {
public:
    TPendingMemoStream(TDataSet& dataSet, const TField& field) : m_dataSet(dataSet), m_field(field) {}
    ~TPendingMemoStream() override
    {
        std::string text = AsString();
        text.resize(static_cast<std::size_t>(Position()));
        try {
            m_dataSet.SetPendingMemo(m_field, std::move(text));
        } catch (...) {
            // A destructor must not throw; the dataset was checked to be editing when
            // the stream was made, so only a link's callback can get here.
        }
    }

private:
    TDataSet& m_dataSet;
    const TField& m_field;
};

}  // namespace

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode)
{
    CheckActive();
    if (mode == TBlobStreamMode::bmWrite) {
        CheckEditing();
        return std::make_unique<TPendingMemoStream>(*this, field);
    }
    if (const std::string* pending = PendingMemo(field)) {
        auto stream = std::make_unique<TMemoryStream>();
        if (!pending->empty())
            stream->WriteBuffer(pending->data(), static_cast<std::int64_t>(pending->size()));
        stream->SetPosition(0);
        return stream;
    }
    return CreateMemoStream(field, mode);
}

const std::string* TDataSet::PendingMemo(const TField& field) const
{
    // Only the edited record has pending text: a view drawing its other rows (by
    // moving the active record) must see their stored memos.
    if (!isEditing(m_state) || ActiveBuffer() != m_editBuffer)
        return nullptr;
    for (const auto& [fieldNo, text] : m_pendingMemos)
        if (fieldNo == field.FieldNo())
            return &text;
    return nullptr;
}

void TDataSet::SetPendingMemo(const TField& field, std::string text)
{
    CheckEditing();
    bool found = false;
    for (auto& [fieldNo, pending] : m_pendingMemos)
        if (fieldNo == field.FieldNo()) {
            pending = std::move(text);
            found = true;
            break;
        }
    if (!found)
        m_pendingMemos.emplace_back(field.FieldNo(), std::move(text));
    DataEvent(TDataEvent::deFieldChange, reinterpret_cast<std::intptr_t>(&field));
}

// --- data sources ----------------------------------------------------------------

void TDataSet::AddDataSource(TDataSource* source)
{
    if (std::find(m_dataSources.begin(), m_dataSources.end(), source) == m_dataSources.end())
        m_dataSources.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source)
{
    m_dataSources.erase(std::remove(m_dataSources.begin(), m_dataSources.end(), source), m_dataSources.end());
    UpdateBufferCount();
}
