// SPDX-License-Identifier: MIT
// The dataset framework: states, the window of record buffers, navigation,
// editing, bookmarks, fields and the notifications that views observe.
#pragma once

#include "Classes.h"
#include "DB.h"
#include "SysUtils.h"
#include "TField.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TDataLink;
class TDataSource;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

/// Direction of one record fetch and its outcome.
enum class FetchMode { fetchCurrent = 0, fetchNext = 1, fetchPrior = 2 };
enum class FetchResult { fetchOk = 0, fetchBof = 1, fetchEof = 2, fetchError = 3 };
/// How the framework returns to a buffered record.
enum class BookmarkFlag : std::uint8_t {
    bookmarkCurrent = 0,
    bookmarkBof = 1,
    bookmarkEof = 2,
    bookmarkInserted = 3
};
enum class TBlobStreamMode { bmRead = 0, bmWrite = 1, bmReadWrite = 2 };

using TRecordBuffer = std::uint8_t*;
using TBookmark = std::vector<std::uint8_t>;

/// Events the dataset sends to its data sources' links.
enum class TDataEvent {
    deFieldChange,      ///< info: the TField* whose value changed in the active record
    deRecordChange,     ///< the active record changed as a whole
    deDataSetChange,    ///< the window was re-fetched (open, refresh, post, cancel, delete, First, Last)
    deDataSetScroll,    ///< info: the rows the window scrolled (positive: towards the end)
    deLayoutChange,     ///< fields created or destroyed
    deUpdateRecord,     ///< links must push pending edits into the fields (before a post)
    deUpdateState,      ///< the state changed (browse, edit, insert, inactive)
    deCheckBrowseMode,  ///< before a move: links post or cancel their pending edits
};

/// Throws EDatabaseError with "<component>: " in front of message.
[[noreturn]] void DatabaseError(const std::string& message, const std::string& componentName);

class TDataSet {
public:
    explicit TDataSet(std::string name);
    /// Derived classes call Close() in their own destructor (it calls their operations).
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    const std::string& Name() const { return m_name; }

    // --- opening and state -------------------------------------------------
    bool Active() const { return m_state != TDataSetState::dsInactive; }
    /// Opens or closes; setting the value it already has does nothing.
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return m_state; }
    /// Beginning- and end-of-data flags.  Eof is set after an advance that finds no
    /// further record, after Last, and while the dataset is empty; stepping onto the
    /// last record does not set it.
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    bool IsEmpty() const;
    bool Modified() const { return m_modified; }
    bool CanModify() { return IsWritable(); }

    // --- navigation --------------------------------------------------------
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    /// Moves the current record by distance presented records; returns the distance moved.
    int MoveBy(int distance);
    TBookmark GetBookmark();
    void GotoBookmark(const TBookmark& bookmark);
    /// Re-fetches the window around the current record (posting or cancelling an edit first).
    void Refresh();

    // --- editing -----------------------------------------------------------
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    /// Posts a pending edit with changes, cancels one without (called before moves).
    void CheckBrowseMode();

    // --- counts ------------------------------------------------------------
    /// TotalRecords(); raises "Cannot perform this operation on a closed dataset" when closed.
    int RecordCount();
    /// CurrentRecordNumber() of the current record; 0 when closed or empty.
    int RecNo();

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // --- fields ------------------------------------------------------------
    TFieldDefs& FieldDefs() { return m_fieldDefs; }
    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    TField& Fields(int index) const { return *m_fields.at(static_cast<std::size_t>(index)); }
    /// First field with that name, letter case ignored, or nullptr.
    TField* FindField(std::string_view name) const;
    /// As FindField; throws EDatabaseError "<component>: Field '%s' not found".
    TField& FieldByName(std::string_view name) const;
    /// A stream over a blob field's content of the active record (the caller owns it).
    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);

    // --- the record-buffer window (for data links and field objects) ----------
    /// Number of buffers the window holds (the largest any link asked for).
    int BufferCount() const { return m_buffers.empty() ? 0 : static_cast<int>(m_buffers.size()) - 1; }
    /// Number of buffers that hold a record.
    int WindowRecordCount() const { return m_recordCount; }
    /// Index in the window of the buffer that field reads and writes use.
    int ActiveRecord() const { return m_activeRecord; }
    TRecordBuffer ActiveBuffer() const;
    /// Called by field objects after StoreFieldValue, and by the engine for a re-fetch.
    void DataEvent(TDataEvent event, std::intptr_t info);

    // Internal to the framework and its links.
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void UpdateBufferCount();
    void SetActiveRecordIndex(int index);
    /// Pending memo text of field in the edited record, or nullptr.
    const std::string* PendingMemo(const TField& field) const;
    void SetPendingMemo(const TField& field, std::string text);

protected:
    // --- the operations a concrete dataset supplies, in the framework's calling order ---
    virtual void ReleaseBlob(TField& field) = 0;
    virtual bool IsWritable() = 0;
    virtual std::int32_t TotalRecords() = 0;
    virtual std::int32_t CurrentRecordNumber() = 0;
    virtual TRecordBuffer NewRecordBuffer() = 0;
    virtual void DisposeRecordBuffer(TRecordBuffer buffer) = 0;
    virtual void ReadBookmark(TRecordBuffer buffer, std::uint8_t* bookmark) = 0;
    virtual BookmarkFlag ReadBookmarkFlag(TRecordBuffer buffer) = 0;
    virtual FetchResult FetchRecord(TRecordBuffer buffer, FetchMode mode, bool checkFlag) = 0;
    virtual std::uint16_t ReportRecordLength() = 0;
    virtual void AddRecord(TRecordBuffer buffer, bool append) = 0;
    virtual void CloseTable() = 0;
    virtual void DeleteRecord() = 0;
    virtual void MoveBeforeFirst() = 0;
    virtual void MoveToBookmark(const std::uint8_t* bookmark) = 0;
    virtual void ReportException(const std::exception& error) = 0;
    virtual void LoadFieldDefs() = 0;
    virtual void ClearRecordBuffer(TRecordBuffer buffer) = 0;
    virtual void MoveAfterLast() = 0;
    virtual void OpenTable() = 0;
    virtual void PostRecord() = 0;
    virtual void MoveToBufferRecord(TRecordBuffer buffer) = 0;
    virtual bool IsTableOpen() = 0;
    virtual void WriteBookmarkFlag(TRecordBuffer buffer, BookmarkFlag flag) = 0;
    virtual void WriteBookmark(TRecordBuffer buffer, const std::uint8_t* bookmark) = 0;
    virtual void StoreFieldValue(TField& field, const void* value) = 0;
    virtual std::unique_ptr<TStream> CreateMemoStream(TField& field, TBlobStreamMode mode) = 0;
    virtual bool LoadFieldValue(const TField& field, void* destination) = 0;

    // --- services the framework offers a concrete dataset -----------------
    bool DefaultFields() const { return m_defaultFields; }
    /// Creates one field object per definition (by kind).
    void CreateFields();
    void DestroyFields();
    void BindFields(bool binding);
    void SetBookmarkSize(int size) { m_bookmarkSize = size; }
    int BookmarkSize() const { return m_bookmarkSize; }
    /// Calculated-field hooks; no calculated fields exist, so both do nothing.
    void ClearCalcFields(TRecordBuffer) {}
    void CalculateFields(TRecordBuffer) {}
    /// Re-fetches the window around the cursor (fetchCurrent, then fetchNext, fetchPrior).
    void Resync();
    /// Repositions the cursor at the active buffer, by its bookmark flag.
    void UpdateCursorPos();
    /// Writes a memo text held since the edit began, at post.  The default writes it
    /// through CreateMemoStream(bmWrite) and frees the stream; a dataset whose streams
    /// store when freed overrides this to store explicitly so failures reach Post.
    virtual void StoreMemoText(TField& field, std::string_view text);

    friend class TField;
    friend class TMemoField;

private:
    void CheckActive() const;
    void CheckEditing() const;
    void SetState(TDataSetState state);
    void ClearBuffers();
    void SetBufferCount(int count);
    void FreeBuffers();
    void SetCurrentRecord(int index);
    /// One record after the window: 0 none, 1 appended to the window, 2 window shifted.
    int GetNextRecord();
    bool GetPriorRecord();
    void GetNextRecords();
    void GetPriorRecords();
    void BeginInsertAppend();
    void FlushPendingMemos();
    TField* FieldByNumber(int fieldNo) const;

    // The implementation owns the rest of the state; see TDataSet.cpp.
    std::string m_name;
    TDataSetState m_state = TDataSetState::dsInactive;
    bool m_bof = true;
    bool m_eof = true;
    bool m_modified = false;
    bool m_defaultFields = true;
    int m_disableCount = 0;
    int m_bookmarkSize = 0;
    TFieldDefs m_fieldDefs;
    std::vector<std::unique_ptr<TField>> m_fields;
    std::vector<TRecordBuffer> m_buffers;  ///< BufferCount() + 1 (the spare)
    int m_recordCount = 0;
    int m_activeRecord = 0;
    int m_currentRecord = -1;
    std::vector<TDataSource*> m_dataSources;
    std::vector<std::pair<int, std::string>> m_pendingMemos;  ///< field number, new text
    TRecordBuffer m_editBuffer = nullptr;  ///< the buffer of the record being edited or inserted
    TDataSetState m_stateAtDisable = TDataSetState::dsInactive;
};
