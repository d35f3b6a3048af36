// SPDX-License-Identifier: MIT
// The ADIF export: a log table, read through its dataset, into an ADIF file.
#include "AdifExport.h"

#include "AdifFormat.h"
#include "AdifOutputFile.h"
#include "TDbf.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <cstdint>
#include <vector>
#include <sys/stat.h>

namespace {

constexpr std::string_view kHeaderTitle = "Quillon to ADIF Converter by Varden";
constexpr std::string_view kHeaderNotice = "Copyright (C) 2000 Varden";
constexpr std::string_view kEndOfHeader = "<EOH>";
// Between the header and the first record the log has always carried LF CR (line feed
// first) before its CR LF; readers of these files expect it, so it stays.
constexpr std::string_view kSeparatorLine = "\n\r";

enum ExportField { Date, Time, Call, Freq, Mode, Sent, Rcvd, State, Iota, Qsl, Qmgr, Name, Note, FieldCount };
constexpr std::array<std::string_view, FieldCount> kFieldNames{
    "Date", "Time", "call", "freq", "mode", "sent", "rcvd", "state", "iota", "qsl", "qmgr", "name", "note"};

bool isNumeric(TFieldType type)
{
    return type == TFieldType::ftSmallint || type == TFieldType::ftInteger || type == TFieldType::ftLargeint ||
           type == TFieldType::ftFloat;
}

bool sameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    struct stat first {}, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

/// Refuses an output path that is the open table or its memo file: writing there would
/// destroy the log being converted.  Files are compared by identity as well as by name, so
/// "./LOG.DBF" or a link to it is refused too.
void refuseTableFiles(const TDbf& dbf, const std::string& outputPath)
{
    const bool table = sameFile(outputPath, dbf.FileName()) ||
                       (dbf.TableFile() && sameFile(outputPath, dbf.TableFile()->FileName()));
    if (table)
        throw Exception("The ADIF file " + outputPath + " would replace the table file itself");
    const bool memo = sameFile(outputPath, TDbf::MemoFileNameFor(dbf.FileName())) ||
                      (dbf.MemoFile() && sameFile(outputPath, dbf.MemoFile()->FileName()));
    if (memo)
        throw Exception("The ADIF file " + outputPath + " would replace the table's memo file");
}

constexpr std::size_t kWord = sizeof(std::uint64_t);

/// A buffer size that holds size bytes and ends on a whole word of zeros past them.
std::size_t wordPadded(std::size_t size)
{
    return (size + kWord - 1) / kWord * kWord + kWord;
}

/// How one of the thirteen fields is read each record.
enum class Reading {
    Text,        ///< its text form (AsString)
    Characters,  ///< a character field: its decoded characters up to the first NUL
    Value,       ///< a date-typed "Date" or a numeric "freq": its value, read where it is used
};

struct FieldSource {
    TField* field = nullptr;
    Reading reading = Reading::Text;
    int index = -1;                ///< the field's index in the table file
    std::vector<char> characters;  ///< the decode buffer of a character field (Size + 1 bytes, wordPadded)
    std::string text;              ///< the text form of any other kind
    std::string_view value;        ///< this record's text

    /// Whether TDbf::LoadFieldValue would decode this field from record.
    bool decodable(const std::uint8_t* record, const TDbfFile* table) const
    {
        return record != nullptr && table != nullptr && index >= 0 &&
               index < static_cast<int>(table->FieldInfos().size());
    }

    /// record: the active record buffer (nullptr when there is none), read through table.
    void read(const std::uint8_t* record, const TDbfFile* table)
    {
        if (reading == Reading::Characters) {
            // The same text as AsString gives, without a new string per field and record:
            // the bytes TDbf::LoadFieldValue would decode, handed to the codec directly
            // instead of through the field and the dataset once per field.
            std::size_t length = 0;
            characters[0] = '\0';
            if (decodable(record, table))
                length = table->DecodeCharacterField(index, record, characters.data());
            // The codec cuts the text at its first NUL and ends it with one, so its length is
            // the text's; reading the bytes just written back to find it would stall.
            const auto size = static_cast<std::size_t>(field->Size());
            characters[size] = '\0';
            value = std::string_view(characters.data(), std::min(length, size));
        } else if (reading == Reading::Text) {
            text = field->AsString();
            value = text;
        }
    }
};

/// One export run: the thirteen fields, resolved on the first record, and each record's
/// values formed from them.
class RecordReader {
public:
    explicit RecordReader(TDbf& dbf) : m_dbf(dbf) {}

    /// The current record's values; they stay valid until the next call.
    const adif::RecordValues& values()
    {
        if (!m_resolved)
            resolve();
        m_record = m_dbf.Active() ? m_dbf.ActiveBuffer() : nullptr;
        m_table = m_dbf.TableFile();
        for (FieldSource& source : m_sources)
            source.read(m_record, m_table);

        m_date = m_sources[Date].reading == Reading::Value ? adif::qsoDateFromDay(m_sources[Date].field->AsDate())
                                                            : adif::qsoDateFromText(m_sources[Date].value);
        m_time = adif::timeOnFromText(m_sources[Time].value);
        m_iota = m_sources[Iota].value.empty() ? adif::ShortValue() : adif::iotaFromText(m_sources[Iota].value);
        m_values.qsoDate = m_date;
        m_values.timeOn = m_time;
        m_values.call = m_sources[Call].value;
        m_values.band = bandValue();
        m_values.mode = m_sources[Mode].value;
        m_values.sent = m_sources[Sent].value;
        m_values.rcvd = m_sources[Rcvd].value;
        m_values.state = m_sources[State].value;
        m_values.iota = m_iota;
        m_values.qsl = m_sources[Qsl].value;
        m_values.qmgr = m_sources[Qmgr].value;
        m_values.name = m_sources[Name].value;
        m_values.note = m_sources[Note].value;
        return m_values;
    }

private:
    // The fields are looked up once per run: the export never closes the dataset, so the
    // field objects live until it ends, and the lookup's letter-case rule gives the same
    // field every record.  Resolving them on the first record keeps the missing-field
    // error there, and a log with no record needs no field.
    void resolve()
    {
        for (std::size_t i = 0; i < FieldCount; ++i) {
            FieldSource& source = m_sources[i];
            source.field = &m_dbf.FieldByName(kFieldNames[i]);
            source.index = source.field->FieldNo() - 1;
            const TFieldType type = source.field->DataType();
            if ((i == Date && type == TFieldType::ftDate) || (i == Freq && isNumeric(type))) {
                source.reading = Reading::Value;
            } else if (type == TFieldType::ftString) {
                source.reading = Reading::Characters;
                source.characters.assign(wordPadded(static_cast<std::size_t>(source.field->Size()) + 1), '\0');
            }
        }
        m_resolved = true;
    }

    std::string_view bandValue()
    {
        FieldSource& freq = m_sources[Freq];
        if (freq.reading != Reading::Value)
            return adif::bandValue(freq.value);
        // A numeric field is read as its value, whatever decimal separator its text form uses.
        double megahertz = 0;
        if (freq.field->DataType() != TFieldType::ftFloat)
            megahertz = static_cast<double>(freq.field->AsLargeInt());
        else if (freq.decodable(m_record, m_table))  // what AsFloat reads, straight from the codec
            m_table->DecodeField(freq.index, TFieldType::ftFloat, m_record, &megahertz);
        if (const char* band = adif::bandName(megahertz))
            return band;
        freq.text = freq.field->AsString();
        return adif::stripLeadingBlanks(freq.text);
    }

    TDbf& m_dbf;
    const std::uint8_t* m_record = nullptr;  ///< this record's buffer, nullptr when there is none
    const TDbfFile* m_table = nullptr;
    bool m_resolved = false;
    std::array<FieldSource, FieldCount> m_sources;
    adif::ShortValue m_date, m_time, m_iota;
    adif::RecordValues m_values;
};

}  // namespace

std::string AdifFileNameFor(const std::string& tableFileName)
{
    const auto slash = tableFileName.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = tableFileName.rfind('.');
    // The extension is the part of the file name from its last dot; a dot that starts
    // the name (".log") or lies in a folder name is no extension.
    if (dot == std::string::npos || dot <= nameStart)
        return tableFileName + ".adi";
    return tableFileName.substr(0, dot) + ".adi";
}

TAdifExportResult ExportAdif(TDbf& dbf, IProgressSink& progress, const std::string& outputPath)
{
    TAdifExportResult result;
    result.OutputPath = outputPath.empty() ? AdifFileNameFor(dbf.FileName()) : outputPath;
    if (result.OutputPath != "-")
        refuseTableFiles(dbf, result.OutputPath);

    adif::AdifOutputFile out(result.OutputPath);
    out.writeLine(kHeaderTitle);
    out.writeLine(kHeaderNotice);
    out.writeLine(kEndOfHeader);
    out.writeLine(kSeparatorLine);

    const int total = dbf.RecordCount();
    progress.SetMin(0);
    progress.SetMax(total);

    // The whole log, whatever record the grid shows: a second Convert, or one after the
    // user scrolled to the end, must not replace a good file with a partial one.
    dbf.First();
    RecordReader reader(dbf);
    int counter = 0;
    while (!dbf.Eof()) {
        progress.SetPosition(counter);
        const adif::RecordValues& values = reader.values();
        // The line is formed straight in the output buffer.
        out.endLine(adif::writeRecordLine(out.lineSpace(adif::recordLineBound(values)), values));
        ++counter;
        dbf.Next();
    }
    progress.SetPosition(progress.Max());
    out.commit();

    result.RecordsWritten = counter;
    result.RecordsSkipped = total > counter ? total - counter : 0;
    return result;
}
