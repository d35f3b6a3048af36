// SPDX-License-Identifier: MIT
// Test helpers: byte images of dBase tables and memo files, a temporary folder, message and date stand-ins.
#pragma once

#include "DbfPlatform.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace testimage {

using Bytes = std::vector<std::uint8_t>;

struct Field {
    std::string name;
    char type = 'C';
    int length = 10;
    int decimals = 0;
};

/// A table image: main header, descriptors, records, end-of-file byte.  Left at -1,
/// headerSize, recordSize and recordCount are computed from the fields and records.
struct Table {
    std::uint8_t version = 3;
    std::vector<Field> fields;
    std::vector<std::string> records;  ///< whole records, deletion flag included
    int headerSize = -1;
    int recordSize = -1;
    std::int32_t recordCount = -1;
    bool endOfFile = true;

    bool Level2() const { return version == 5; }
    int DescriptorStart() const { return Level2() ? 68 : 32; }
    int DescriptorSize() const { return Level2() ? 48 : 32; }
    int ComputedHeaderSize() const
    {
        return DescriptorStart() + DescriptorSize() * static_cast<int>(fields.size()) + 1;
    }
    int ComputedRecordSize() const
    {
        int size = 1;
        for (const Field& f : fields)
            size += f.length;
        return size;
    }
    int HeaderSize() const { return headerSize >= 0 ? headerSize : ComputedHeaderSize(); }
    int RecordSize() const { return recordSize >= 0 ? recordSize : ComputedRecordSize(); }

    /// A live record from one text per field, each cut or blank-padded to its length.
    std::string Record(const std::vector<std::string>& values, char flag = ' ') const
    {
        std::string record(1, flag);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string value = i < values.size() ? values[i] : std::string();
            value.resize(static_cast<std::size_t>(fields[i].length), ' ');
            record += value;
        }
        return record;
    }

    Bytes Build() const
    {
        Bytes image(static_cast<std::size_t>(DescriptorStart()), 0);
        image[0] = version;
        image[1] = 124;  // 2024-03-07, any date will do
        image[2] = 3;
        image[3] = 7;
        const std::int32_t count = recordCount >= 0 ? recordCount : static_cast<std::int32_t>(records.size());
        PutLE(image, 4, static_cast<std::uint32_t>(count), 4);
        PutLE(image, 8, static_cast<std::uint32_t>(HeaderSize()), 2);
        PutLE(image, 10, static_cast<std::uint32_t>(RecordSize()), 2);
        for (const Field& f : fields) {
            Bytes d(static_cast<std::size_t>(DescriptorSize()), 0);
            const std::size_t nameSize = Level2() ? 32 : 11;
            for (std::size_t i = 0; i < f.name.size() && i < nameSize; ++i)
                d[i] = static_cast<std::uint8_t>(f.name[i]);
            d[Level2() ? 32 : 11] = static_cast<std::uint8_t>(f.type);
            d[Level2() ? 33 : 16] = static_cast<std::uint8_t>(f.length);
            d[Level2() ? 34 : 17] = static_cast<std::uint8_t>(f.decimals);
            image.insert(image.end(), d.begin(), d.end());
        }
        image.push_back(0x0D);  // descriptor terminator, inside the header size
        // A header size smaller than the descriptors (a damaged header) keeps them all.
        if (image.size() < static_cast<std::size_t>(HeaderSize()))
            image.resize(static_cast<std::size_t>(HeaderSize()), 0);
        for (const std::string& r : records)
            image.insert(image.end(), r.begin(), r.end());
        if (endOfFile)
            image.push_back(0x1A);
        return image;
    }

    static void PutLE(Bytes& image, std::size_t at, std::uint32_t value, int width)
    {
        for (int i = 0; i < width; ++i)
            image[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
};

/// A memo file image: header block with next free block and block size, then memos placed at blocks.
struct Memo {
    std::int32_t nextFree = 1;
    std::uint16_t blockSize = 512;
    std::size_t headerBytes = 512;  ///< how much of block 0 the image holds
    std::vector<std::pair<std::int32_t, Bytes>> blocks;

    Bytes Build() const
    {
        Bytes image(headerBytes, 0);
        if (headerBytes >= 24) {
            Table::PutLE(image, 0, static_cast<std::uint32_t>(nextFree), 4);
            Table::PutLE(image, 20, blockSize, 2);
        }
        const std::size_t unit = blockSize != 0 && blockSize % 128 == 0 ? blockSize : 512;
        for (const auto& [block, body] : blocks) {
            const std::size_t at = static_cast<std::size_t>(block) * unit;
            if (image.size() < at + body.size())
                image.resize(at + body.size(), 0);
            std::copy(body.begin(), body.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
        }
        return image;
    }
};

inline Bytes ToBytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

/// A length-prefixed memo body: FF FF 08 00, the length word, the text.
inline Bytes PrefixedMemo(const std::string& text, std::uint32_t lengthWord)
{
    Bytes body = {0xFF, 0xFF, 0x08, 0x00, 0, 0, 0, 0};
    Table::PutLE(body, 4, lengthWord, 4);
    body.insert(body.end(), text.begin(), text.end());
    return body;
}

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "q2a-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return (m_path / name).string(); }

    /// Writes bytes to name in the folder and returns the file's path.
    std::string Write(const std::string& name, const Bytes& bytes) const
    {
        const std::string path = Path(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            throw std::runtime_error("cannot write " + path);
        return path;
    }

private:
    std::filesystem::path m_path;
};

inline Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Records the engine's plain messages while it lives.
class MessageRecorder : public IPlainMessageBox {
public:
    MessageRecorder() : m_previous(SetPlainMessageBox(this)) {}
    ~MessageRecorder() override { SetPlainMessageBox(m_previous); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    std::vector<std::string> messages;

private:
    IPlainMessageBox* m_previous;
};

/// Makes LocalDate() return a fixed date while it lives.
class FixedDate {
public:
    FixedDate(int year, int month, int day)
        : m_previous(SetLocalDateSource([=] { return TLocalDate{year, month, day}; }))
    {
    }
    ~FixedDate() { SetLocalDateSource(std::move(m_previous)); }
    FixedDate(const FixedDate&) = delete;
    FixedDate& operator=(const FixedDate&) = delete;

private:
    std::function<TLocalDate()> m_previous;
};

}  // namespace testimage
