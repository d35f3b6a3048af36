// SPDX-License-Identifier: MIT
// A dBase table presented as a dataset: fetch with deleted records hidden,
// field values through the codec, edits and deletions written back, bookmarks.
#pragma once

#include "TDataSet.h"
#include "TDbfFile.h"
#include "TDbtFile.h"

#include <cstdint>
#include <memory>
#include <string>

class TDbf : public TDataSet {
public:
    explicit TDbf(std::string name = "Dbf1");
    ~TDbf() override;

    const std::string& FileName() const { return m_fileName; }
    void SetFileName(std::string fileName) { m_fileName = std::move(fileName); }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value) { m_readOnly = value; }
    bool ShowDeleted() const { return m_showDeleted; }
    /// Stores the value, then refreshes (throws on a closed dataset, value kept).
    void SetShowDeleted(bool value);

    /// The memo file's path for the table path: the extension replaced by ".dbt".  When
    /// that file does not exist, an existing file of the same name whose extension is
    /// "dbt" in another letter case (LOG.DBT beside LOG.DBF) is the memo file; with
    /// none, the ".dbt" path.
    static std::string MemoFileNameFor(const std::string& tableFileName);

    TDbfFile* TableFile() const { return m_tableFile.get(); }
    TDbtFile* MemoFile() const { return m_memoFile.get(); }

protected:
    void ReleaseBlob(TField& field) override;
    bool IsWritable() override;
    std::int32_t TotalRecords() override;
    std::int32_t CurrentRecordNumber() override;
    TRecordBuffer NewRecordBuffer() override;
    void DisposeRecordBuffer(TRecordBuffer buffer) override;
    void ReadBookmark(TRecordBuffer buffer, std::uint8_t* bookmark) override;
    BookmarkFlag ReadBookmarkFlag(TRecordBuffer buffer) override;
    FetchResult FetchRecord(TRecordBuffer buffer, FetchMode mode, bool checkFlag) override;
    std::uint16_t ReportRecordLength() override;
    void AddRecord(TRecordBuffer buffer, bool append) override;
    void CloseTable() override;
    void DeleteRecord() override;
    void MoveBeforeFirst() override;
    void MoveToBookmark(const std::uint8_t* bookmark) override;
    void ReportException(const std::exception& error) override;
    void LoadFieldDefs() override;
    void ClearRecordBuffer(TRecordBuffer buffer) override;
    void MoveAfterLast() override;
    void OpenTable() override;
    void PostRecord() override;
    void MoveToBufferRecord(TRecordBuffer buffer) override;
    bool IsTableOpen() override;
    void WriteBookmarkFlag(TRecordBuffer buffer, BookmarkFlag flag) override;
    void WriteBookmark(TRecordBuffer buffer, const std::uint8_t* bookmark) override;
    void StoreFieldValue(TField& field, const void* value) override;
    std::unique_ptr<TStream> CreateMemoStream(TField& field, TBlobStreamMode mode) override;
    bool LoadFieldValue(const TField& field, void* destination) override;
    /// Stores a memo text through a TMyBlobFile, explicitly, so its errors reach Post.
    void StoreMemoText(TField& field, std::string_view text) override;

private:
    void OpenFiles();
    void FreeFiles();
    void AppendBuffer(TRecordBuffer buffer);

    friend class TMyBlobFile;

    std::string m_fileName;
    std::unique_ptr<TDbfFile> m_tableFile;
    std::unique_ptr<TDbtFile> m_memoFile;
    std::int32_t m_bufferSize = 0;
    std::int32_t m_recordLength = 0;
    std::int32_t m_currentIndex = -1;
    bool m_cursorOpen = false;
    bool m_readOnly = false;
    bool m_showDeleted = false;
};
