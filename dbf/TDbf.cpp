// SPDX-License-Identifier: MIT
// The table dataset: opens a table and its memo file and serves the framework's record operations.
#include "TDbf.h"

#include "DbfErrors.h"
#include "DbfPlatform.h"
#include "TMyBlobFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <limits>

// RecordBuffer trailer, after the record image (host byte order, never stored):
//   OFFSET SIZE DESCRIPTION
//        0    4 RecordIndex: 0-based index of the record in the table file
//        4    4 Reserved: -1 after a fetch, 0 after clearing
//        8    1 Flag: a BookmarkFlag
//        9    3 spare, 0 after clearing
// A bookmark is 12 bytes; its first four hold a RecordIndex.

namespace {

constexpr std::int32_t kTrailerSize = 12;
constexpr std::int32_t kTrailerReserved = 4;
constexpr std::int32_t kTrailerFlag = 8;
constexpr std::int32_t kBookmarkSize = 12;
constexpr std::uint8_t kLiveFlag = 32;     // ' '
constexpr std::uint8_t kDeletedFlag = 42;  // '*'
// Only this many characters of a memo field are taken as its block number.
constexpr std::size_t kMemoNumberChars = 32;

bool fileExists(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string programFolder()
{
    std::array<char, 4096> path{};
    ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0)
        return {};
    std::string exe(path.data(), static_cast<std::size_t>(length));
    return exe.substr(0, exe.find_last_of('/') + 1);
}

std::size_t nameStart(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

std::int32_t readInt32(const std::uint8_t* p)
{
    std::int32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

void writeInt32(std::uint8_t* p, std::int32_t value)
{
    std::memcpy(p, &value, sizeof value);
}

}  // namespace

TDbf::TDbf(std::string name) : TDataSet(std::move(name)) {}

TDbf::~TDbf()
{
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; whoever needs the header rewrite's errors
        // closes the dataset first.
    }
    FreeFiles();
}

std::string TDbf::MemoFileNameFor(const std::string& tableFileName)
{
    std::size_t start = nameStart(tableFileName);
    std::size_t dot = tableFileName.find_last_of('.');
    std::string base = (dot != std::string::npos && dot >= start) ? tableFileName.substr(0, dot) : tableFileName;
    std::string memo = base + ".dbt";
    if (fileExists(memo))
        return memo;
    // Old DOS programs wrote LOG.DBF with LOG.DBT; on a case-sensitive file system
    // any letter case of the extension is taken, the upper-case one first.
    if (fileExists(base + ".DBT"))
        return base + ".DBT";
    std::string folder = tableFileName.substr(0, start);
    std::string stem = base.substr(start) + ".";
    std::string found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.size() == stem.size() + 3 && name.compare(0, stem.size(), stem) == 0 &&
            SameText(std::string_view(name).substr(stem.size()), "dbt") && fileExists(folder + name) &&
            (found.empty() || name < found))
            found = name;
    }
    return found.empty() ? memo : folder + found;
}

void TDbf::SetShowDeleted(bool value)
{
    if (value == m_showDeleted)
        return;
    m_showDeleted = value;
    Refresh();
}

// --- opening and closing -------------------------------------------------------

void TDbf::OpenFiles()
{
    if (!fileExists(m_fileName)) {
        std::string alternative = programFolder() + m_fileName.substr(nameStart(m_fileName));
        if (fileExists(alternative))
            m_fileName = alternative;
    }
    std::string memoFileName = MemoFileNameFor(m_fileName);
    if (!fileExists(m_fileName))
        throw EBinaryDataSetError("Open: Table file not found : " + m_fileName);
    std::uint16_t mode = m_readOnly ? fmReadOnlyShared : fmReadWriteDenyWrite;
    m_tableFile = std::make_unique<TDbfFile>(this, m_fileName, mode);
    if (fileExists(memoFileName))
        m_memoFile = std::make_unique<TDbtFile>(this, memoFileName, mode, m_tableFile->DbfLevel);
}

void TDbf::FreeFiles()
{
    if (!m_tableFile)
        return;
    m_tableFile.reset();
    m_memoFile.reset();
}

void TDbf::LoadFieldDefs()
{
    FieldDefs().Clear();
    if (m_tableFile) {
        m_tableFile->ReadFieldDefs(FieldDefs());
        return;
    }
    try {
        OpenFiles();
        m_tableFile->ReadFieldDefs(FieldDefs());
    } catch (...) {
        FreeFiles();
        throw;
    }
    FreeFiles();
}

void TDbf::OpenTable()
{
    OpenFiles();
    LoadFieldDefs();
    if (DefaultFields())
        CreateFields();
    BindFields(true);
    m_currentIndex = -1;
    m_recordLength = m_tableFile->RecordSize;
    m_bufferSize = m_recordLength + kTrailerSize;
    SetBookmarkSize(kBookmarkSize);
    m_cursorOpen = true;
}

void TDbf::CloseTable()
{
    std::exception_ptr failure;
    if (m_cursorOpen && !m_readOnly && m_tableFile) {
        try {
            m_tableFile->WriteHeader();
        } catch (...) {
            // The files are still released; the failure is reported afterwards.
            failure = std::current_exception();
        }
    }
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
    m_cursorOpen = false;
    FreeFiles();
    if (failure)
        std::rethrow_exception(failure);
}

bool TDbf::IsTableOpen()
{
    return m_cursorOpen;
}

bool TDbf::IsWritable()
{
    return !m_readOnly;
}

void TDbf::ReleaseBlob(TField& /*field*/) {}

void TDbf::ReportException(const std::exception& error)
{
    ShowPlainMessage(error.what());
}

// --- counts, buffers and bookmarks -------------------------------------------------

std::int32_t TDbf::TotalRecords()
{
    if (!m_cursorOpen || !m_tableFile)
        DatabaseError("Cannot perform this operation on a closed dataset", Name());
    return m_tableFile->RecordCount();
}

std::int32_t TDbf::CurrentRecordNumber()
{
    UpdateCursorPos();
    return m_currentIndex < 0 ? 1 : m_currentIndex + 1;
}

std::uint16_t TDbf::ReportRecordLength()
{
    return static_cast<std::uint16_t>(m_recordLength);
}

TRecordBuffer TDbf::NewRecordBuffer()
{
    return new std::uint8_t[static_cast<std::size_t>(m_bufferSize)];
}

void TDbf::DisposeRecordBuffer(TRecordBuffer buffer)
{
    delete[] buffer;
}

void TDbf::ClearRecordBuffer(TRecordBuffer buffer)
{
    std::memset(buffer, 0, static_cast<std::size_t>(m_bufferSize));
    buffer[0] = kLiveFlag;
}

void TDbf::ReadBookmark(TRecordBuffer buffer, std::uint8_t* bookmark)
{
    std::memcpy(bookmark, buffer + m_recordLength, sizeof(std::int32_t));
}

void TDbf::WriteBookmark(TRecordBuffer buffer, const std::uint8_t* bookmark)
{
    std::memcpy(buffer + m_recordLength, bookmark, sizeof(std::int32_t));
}

BookmarkFlag TDbf::ReadBookmarkFlag(TRecordBuffer buffer)
{
    return static_cast<BookmarkFlag>(buffer[m_recordLength + kTrailerFlag]);
}

void TDbf::WriteBookmarkFlag(TRecordBuffer buffer, BookmarkFlag flag)
{
    buffer[m_recordLength + kTrailerFlag] = static_cast<std::uint8_t>(flag);
}

// --- the cursor ----------------------------------------------------------------------

void TDbf::MoveBeforeFirst()
{
    m_currentIndex = -1;
}

void TDbf::MoveAfterLast()
{
    m_currentIndex = m_tableFile->RecordCount();
}

void TDbf::MoveToBookmark(const std::uint8_t* bookmark)
{
    std::int32_t index = readInt32(bookmark);
    if (index < 0 || index >= m_tableFile->RecordCount())
        throw EBinaryDataSetError("Bookmark " + std::to_string(index) + " not found");
    m_currentIndex = index;
}

void TDbf::MoveToBufferRecord(TRecordBuffer buffer)
{
    MoveToBookmark(buffer + m_recordLength);
}

FetchResult TDbf::FetchRecord(TRecordBuffer buffer, FetchMode mode, bool checkFlag)
{
    const std::int32_t count = m_tableFile->RecordCount();
    if (count < 1)
        return FetchResult::fetchEof;
    for (;;) {
        FetchResult result = FetchResult::fetchOk;
        switch (mode) {
        case FetchMode::fetchCurrent:
            if (m_currentIndex >= count || m_currentIndex < 0)
                result = FetchResult::fetchError;
            break;
        case FetchMode::fetchNext:
            if (m_currentIndex < count - 1)
                ++m_currentIndex;
            else
                result = FetchResult::fetchEof;
            break;
        case FetchMode::fetchPrior:
            if (m_currentIndex > 0)
                --m_currentIndex;
            else
                result = FetchResult::fetchBof;
            break;
        }
        if (result != FetchResult::fetchOk) {
            if (result == FetchResult::fetchError && checkFlag)
                throw EBinaryDataSetError("GetRecord: Invalid record");
            return result;
        }
        m_tableFile->ReadRecord(m_currentIndex, buffer);
        ClearCalcFields(buffer);
        CalculateFields(buffer);
        std::uint8_t* trailer = buffer + m_recordLength;
        writeInt32(trailer, m_currentIndex);
        writeInt32(trailer + kTrailerReserved, -1);
        trailer[kTrailerFlag] = static_cast<std::uint8_t>(BookmarkFlag::bookmarkCurrent);
        if (m_showDeleted || buffer[0] == kLiveFlag)
            return FetchResult::fetchOk;
        // A hidden current record is no error, whatever the check flag says.
        if (mode == FetchMode::fetchCurrent)
            return FetchResult::fetchError;
    }
}

// --- writing -----------------------------------------------------------------------

void TDbf::PostRecord()
{
    if (!m_cursorOpen || !m_tableFile)
        DatabaseError("Cannot perform this operation on a closed dataset", Name());
    if (State() == TDataSetState::dsEdit)
        m_tableFile->WriteRecord(m_currentIndex, ActiveBuffer());
    else
        AppendBuffer(ActiveBuffer());
}

void TDbf::AppendBuffer(TRecordBuffer buffer)
{
    MoveAfterLast();
    buffer[0] = kLiveFlag;
    m_tableFile->AppendRecord(buffer);
}

void TDbf::AddRecord(TRecordBuffer /*buffer*/, bool /*append*/)
{
    AppendBuffer(ActiveBuffer());
}

void TDbf::DeleteRecord()
{
    if (!m_cursorOpen || !m_tableFile)
        DatabaseError("Cannot perform this operation on a closed dataset", Name());
    TRecordBuffer buffer = ActiveBuffer();
    buffer[0] = kDeletedFlag;
    m_tableFile->WriteRecord(m_currentIndex, buffer);
    Resync();
}

// --- field values ----------------------------------------------------------------------

bool TDbf::LoadFieldValue(const TField& field, void* destination)
{
    TRecordBuffer buffer = ActiveBuffer();
    if (buffer == nullptr || !m_tableFile)
        return false;
    const int index = field.FieldNo() - 1;
    if (index < 0 || index >= static_cast<int>(m_tableFile->FieldInfos().size()))
        return false;
    if (destination != nullptr)
        return m_tableFile->DecodeField(index, field.DataType(), buffer, destination);
    // Asked only whether there is a value: the logical kind says yes, the others no.
    if (field.DataType() == TFieldType::ftBoolean) {
        std::uint16_t scratch = 0;
        return m_tableFile->DecodeField(index, field.DataType(), buffer, &scratch);
    }
    return false;
}

void TDbf::StoreFieldValue(TField& field, const void* value)
{
    if (field.FieldNo() < 1 || value == nullptr || !m_tableFile)
        return;
    TRecordBuffer buffer = ActiveBuffer();
    if (buffer == nullptr)
        return;
    const int index = field.FieldNo() - 1;
    // The codec converts a character value to OEM in place; the caller's value stays as given.
    if (field.DataType() == TFieldType::ftString) {
        std::string text(static_cast<const char*>(value));
        m_tableFile->EncodeField(index, field.DataType(), text.data(), buffer);
    } else {
        alignas(8) std::uint8_t scratch[8] = {};
        std::size_t size = 0;
        switch (field.DataType()) {
        case TFieldType::ftSmallint: size = 2; break;
        case TFieldType::ftBoolean: size = 2; break;
        case TFieldType::ftInteger: size = 4; break;
        case TFieldType::ftDate: size = 4; break;
        case TFieldType::ftLargeint: size = 8; break;
        case TFieldType::ftFloat: size = 8; break;
        default: break;
        }
        std::memcpy(scratch, value, size);
        m_tableFile->EncodeField(index, field.DataType(), scratch, buffer);
    }
    DataEvent(TDataEvent::deFieldChange, reinterpret_cast<std::intptr_t>(&field));
}

// --- memo streams ----------------------------------------------------------------------

std::unique_ptr<TStream> TDbf::CreateMemoStream(TField& field, TBlobStreamMode mode)
{
    auto stream = std::make_unique<TMyBlobFile>(mode, *this, field);
    TRecordBuffer buffer = ActiveBuffer();
    const int index = field.FieldNo() - 1;
    if (buffer != nullptr && m_tableFile && index >= 0 &&
        index < static_cast<int>(m_tableFile->FieldInfos().size())) {
        // A field is at most 255 bytes, so its decoded text fits with its NUL.
        std::array<char, 256> text{};
        m_tableFile->DecodeField(index, TFieldType::ftString, buffer, text.data());
        std::string_view number(text.data());
        stream->BlockNumber = FieldTextToInteger(number.substr(0, kMemoNumberChars), 0);
    }
    if (m_memoFile)
        m_memoFile->ReadMemo(stream->BlockNumber, *stream);
    stream->ReadSize = static_cast<std::int32_t>(stream->Size());
    stream->SetPosition(0);
    return stream;
}

void TDbf::StoreMemoText(TField& field, std::string_view text)
{
    std::unique_ptr<TStream> stream = CreateMemoStream(field, TBlobStreamMode::bmWrite);
    auto& blob = static_cast<TMyBlobFile&>(*stream);
    blob.SetPosition(0);
    if (!text.empty())
        blob.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    blob.Store();
}
