// SPDX-License-Identifier: MIT
// Reads a table file's header and records straight from disk, to see what the window wrote.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>

/// The bytes of a table file and the field layout its descriptors give.
class TableBytes {
public:
    explicit TableBytes(const QString& path)
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            m_data = file.readAll();
    }

    bool isValid() const { return m_data.size() >= 32; }
    int headerRecordCount() const { return static_cast<int>(u32(4)); }
    int headerSize() const { return u16(8); }
    int recordSize() const { return u16(10); }
    /// Year (from 1900), month and day of the last update.
    int updateYear() const { return 1900 + byte(1); }
    int updateMonth() const { return byte(2); }
    int updateDay() const { return byte(3); }

    /// Records actually in the file (whatever the header says).
    int recordsInFile() const { return (static_cast<int>(m_data.size()) - headerSize()) / recordSize(); }
    char deletionFlag(int record) const { return m_data.at(recordOffset(record)); }

    /// A character or number field's stored text, blanks at both ends removed.
    QByteArray field(int record, const QByteArray& name) const
    {
        int offset = 1;
        for (int d = 32; d + 32 <= headerSize() && static_cast<std::uint8_t>(m_data.at(d)) != 0x0D; d += 32) {
            const QByteArray fieldName = m_data.mid(d, 11).split('\0').first();
            const int length = byte(d + 16);
            if (fieldName.compare(name, Qt::CaseInsensitive) == 0)
                return m_data.mid(recordOffset(record) + offset, length).trimmed();
            offset += length;
        }
        return {};
    }

private:
    int recordOffset(int record) const { return headerSize() + record * recordSize(); }
    int byte(int at) const { return static_cast<std::uint8_t>(m_data.at(at)); }
    int u16(int at) const { return byte(at) | byte(at + 1) << 8; }
    std::uint32_t u32(int at) const
    {
        return static_cast<std::uint32_t>(u16(at)) | static_cast<std::uint32_t>(u16(at + 2)) << 16;
    }

    QByteArray m_data;
};
