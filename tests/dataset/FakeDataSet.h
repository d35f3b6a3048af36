// SPDX-License-Identifier: MIT
// Test helper: an in-memory dataset that keeps native values in its records and logs every call the framework makes.
#pragma once

#include "TDataSet.h"
#include "TDataSource.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fake {

struct Column {
    std::string name;
    TFieldType type = TFieldType::ftString;
    int size = 8;  ///< characters for ftString
};

/// Records are images of: a deletion flag byte, then one slot per column holding the
/// native value (Size + 1 bytes for a string, 8 bytes otherwise).  The cursor and the
/// trailer work as in the table dataset, so the framework sees the same behaviour.
class FakeDataSet : public TDataSet {
public:
    explicit FakeDataSet(std::vector<Column> columns = {{"name", TFieldType::ftString, 8}}, std::string name = "Fake1")
        : TDataSet(std::move(name)), m_columns(std::move(columns))
    {
        int offset = 1;
        for (const Column& c : m_columns) {
            m_offsets.push_back(offset);
            offset += c.type == TFieldType::ftString ? c.size + 1 : 8;
        }
        m_recordLength = offset;
    }
    ~FakeDataSet() override
    {
        try {
            Close();
        } catch (...) {
        }
    }

    /// Adds a live record whose first column holds text (the other columns zero).
    void AddRow(const std::string& text, char flag = ' ')
    {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(m_recordLength), 0);
        row[0] = static_cast<std::uint8_t>(flag);
        if (!m_columns.empty() && m_columns[0].type == TFieldType::ftString)
            std::memcpy(row.data() + m_offsets[0], text.data(),
                        std::min(text.size(), static_cast<std::size_t>(m_columns[0].size)));
        rows.push_back(row);
    }
    /// The first column's text of stored record i.
    std::string RowText(std::size_t i) const
    {
        return std::string(reinterpret_cast<const char*>(rows[i].data() + m_offsets[0]));
    }
    char RowFlag(std::size_t i) const { return static_cast<char>(rows[i][0]); }
    /// The log since the last call, then empties it.
    std::vector<std::string> TakeLog() { return std::exchange(log, {}); }

    std::vector<std::vector<std::uint8_t>> rows;
    std::vector<std::string> log;
    bool readOnly = false;
    bool showDeleted = false;
    bool failOpen = false;
    int buffersAllocated = 0;

protected:
    void ReleaseBlob(TField&) override {}
    bool IsWritable() override { return !readOnly; }
    std::int32_t TotalRecords() override
    {
        if (!m_open)
            DatabaseError("Cannot perform this operation on a closed dataset", Name());
        return static_cast<std::int32_t>(rows.size());
    }
    std::int32_t CurrentRecordNumber() override
    {
        UpdateCursorPos();
        return m_cursor < 0 ? 1 : m_cursor + 1;
    }
    TRecordBuffer NewRecordBuffer() override
    {
        ++buffersAllocated;
        return new std::uint8_t[static_cast<std::size_t>(m_recordLength + 12)];
    }
    void DisposeRecordBuffer(TRecordBuffer buffer) override
    {
        --buffersAllocated;
        delete[] buffer;
    }
    void ReadBookmark(TRecordBuffer buffer, std::uint8_t* bookmark) override
    {
        std::memcpy(bookmark, buffer + m_recordLength, 4);
    }
    BookmarkFlag ReadBookmarkFlag(TRecordBuffer buffer) override
    {
        return static_cast<BookmarkFlag>(buffer[m_recordLength + 8]);
    }
    FetchResult FetchRecord(TRecordBuffer buffer, FetchMode mode, bool check) override
    {
        FetchResult result = Fetch(buffer, mode);
        static const char* const modes[] = {"cur", "next", "prior"};
        static const char* const results[] = {"ok", "bof", "eof", "err"};
        log.push_back(std::string("fetch ") + modes[static_cast<int>(mode)] + (check ? "! " : " ") +
                      results[static_cast<int>(result)]);
        if (result == FetchResult::fetchError && check)
            throw Exception("GetRecord: Invalid record");
        return result;
    }
    std::uint16_t ReportRecordLength() override { return static_cast<std::uint16_t>(m_recordLength); }
    void AddRecord(TRecordBuffer, bool) override {}
    void CloseTable() override
    {
        log.push_back("close");
        DestroyFields();
        m_open = false;
    }
    void DeleteRecord() override
    {
        log.push_back("delete " + std::to_string(m_cursor));
        ActiveBuffer()[0] = '*';
        std::memcpy(rows[static_cast<std::size_t>(m_cursor)].data(), ActiveBuffer(), static_cast<std::size_t>(m_recordLength));
        Resync();
    }
    void MoveBeforeFirst() override
    {
        log.push_back("bof");
        m_cursor = -1;
    }
    void MoveToBookmark(const std::uint8_t* bookmark) override
    {
        std::int32_t k;
        std::memcpy(&k, bookmark, 4);
        if (k < 0 || k >= static_cast<std::int32_t>(rows.size()))
            throw Exception("Bookmark " + std::to_string(k) + " not found");
        log.push_back("goto " + std::to_string(k));
        m_cursor = k;
    }
    void ReportException(const std::exception&) override {}
    void LoadFieldDefs() override
    {
        FieldDefs().Clear();
        for (const Column& c : m_columns)
            FieldDefs().Add(c.name, c.type, c.type == TFieldType::ftString ? c.size : 0, false);
    }
    void ClearRecordBuffer(TRecordBuffer buffer) override
    {
        log.push_back("clear");
        std::memset(buffer, 0, static_cast<std::size_t>(m_recordLength + 12));
        buffer[0] = ' ';
    }
    void MoveAfterLast() override
    {
        log.push_back("eof");
        m_cursor = static_cast<std::int32_t>(rows.size());
    }
    void OpenTable() override
    {
        log.push_back("open");
        if (failOpen)
            throw Exception("cannot open");
        LoadFieldDefs();
        CreateFields();
        m_cursor = -1;
        SetBookmarkSize(12);
        m_open = true;
    }
    void PostRecord() override
    {
        std::vector<std::uint8_t> image(ActiveBuffer(), ActiveBuffer() + m_recordLength);
        if (State() == TDataSetState::dsEdit) {
            log.push_back("post " + std::to_string(m_cursor));
            rows[static_cast<std::size_t>(m_cursor)] = image;
        } else {
            log.push_back("append");
            image[0] = ' ';
            m_cursor = static_cast<std::int32_t>(rows.size());
            rows.push_back(image);
        }
    }
    void MoveToBufferRecord(TRecordBuffer buffer) override { MoveToBookmark(buffer + m_recordLength); }
    bool IsTableOpen() override { return m_open; }
    void WriteBookmarkFlag(TRecordBuffer buffer, BookmarkFlag flag) override
    {
        static const char* const names[] = {"current", "bof", "eof", "inserted"};
        log.push_back(std::string("flag ") + names[static_cast<int>(flag)]);
        buffer[m_recordLength + 8] = static_cast<std::uint8_t>(flag);
    }
    void WriteBookmark(TRecordBuffer buffer, const std::uint8_t* bookmark) override
    {
        std::int32_t k;
        std::memcpy(&k, bookmark, 4);
        log.push_back("bookmark " + std::to_string(k));
        std::memcpy(buffer + m_recordLength, bookmark, 4);
    }
    void StoreFieldValue(TField& field, const void* value) override
    {
        std::size_t i = static_cast<std::size_t>(field.FieldNo() - 1);
        std::uint8_t* slot = ActiveBuffer() + m_offsets[i];
        if (field.DataType() == TFieldType::ftString) {
            std::string text(static_cast<const char*>(value));
            if (text.size() > static_cast<std::size_t>(m_columns[i].size))
                throw Exception("Field too long");
            std::memset(slot, 0, static_cast<std::size_t>(m_columns[i].size) + 1);
            std::memcpy(slot, text.data(), text.size());
        } else {
            std::memcpy(slot, value, NativeSize(field.DataType()));
        }
        DataEvent(TDataEvent::deFieldChange, reinterpret_cast<std::intptr_t>(&field));
    }
    std::unique_ptr<TStream> CreateMemoStream(TField&, TBlobStreamMode) override
    {
        return std::make_unique<TMemoryStream>();
    }
    bool LoadFieldValue(const TField& field, void* destination) override
    {
        if (ActiveBuffer() == nullptr || destination == nullptr)
            return false;
        std::size_t i = static_cast<std::size_t>(field.FieldNo() - 1);
        const std::uint8_t* slot = ActiveBuffer() + m_offsets[i];
        std::size_t size = field.DataType() == TFieldType::ftString ? static_cast<std::size_t>(m_columns[i].size) + 1
                                                                    : NativeSize(field.DataType());
        std::memcpy(destination, slot, size);
        return true;
    }

private:
    static std::size_t NativeSize(TFieldType type)
    {
        switch (type) {
        case TFieldType::ftSmallint:
        case TFieldType::ftBoolean:
            return 2;
        case TFieldType::ftInteger:
        case TFieldType::ftDate:
            return 4;
        default:
            return 8;
        }
    }

    FetchResult Fetch(TRecordBuffer buffer, FetchMode mode)
    {
        const std::int32_t n = static_cast<std::int32_t>(rows.size());
        if (n < 1)
            return FetchResult::fetchEof;
        for (;;) {
            if (mode == FetchMode::fetchCurrent && (m_cursor < 0 || m_cursor >= n))
                return FetchResult::fetchError;
            if (mode == FetchMode::fetchNext) {
                if (m_cursor >= n - 1)
                    return FetchResult::fetchEof;
                ++m_cursor;
            }
            if (mode == FetchMode::fetchPrior) {
                if (m_cursor <= 0)
                    return FetchResult::fetchBof;
                --m_cursor;
            }
            const auto& row = rows[static_cast<std::size_t>(m_cursor)];
            std::memcpy(buffer, row.data(), row.size());
            std::memcpy(buffer + m_recordLength, &m_cursor, 4);
            buffer[m_recordLength + 8] = 0;
            if (showDeleted || buffer[0] == ' ')
                return FetchResult::fetchOk;
            if (mode == FetchMode::fetchCurrent)
                return FetchResult::fetchError;
        }
    }

    std::vector<Column> m_columns;
    std::vector<int> m_offsets;
    int m_recordLength = 1;
    std::int32_t m_cursor = -1;
    bool m_open = false;
};

/// A data link that counts what it hears.
class RecordingLink : public TDataLink {
public:
    std::vector<std::string> events;

protected:
    void ActiveChanged() override { events.push_back("active"); }
    void DataSetChanged() override { events.push_back("changed"); }
    void DataSetScrolled(int distance) override { events.push_back("scrolled " + std::to_string(distance)); }
    void RecordChanged(TField* field) override { events.push_back(field ? "field " + field->FieldName() : "record"); }
    void EditingChanged() override { events.push_back("editing"); }
};

}  // namespace fake
