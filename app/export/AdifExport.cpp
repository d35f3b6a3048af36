// SPDX-License-Identifier: MIT
// The ADIF export: a log table, read through its dataset, into an ADIF file.
#include "AdifExport.h"

#include "AdifFormat.h"
#include "AdifOutputFile.h"
#include "TDbf.h"

#include <array>
#include <cstddef>
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
/// destroy the log being converted.
void refuseTableFiles(const TDbf& dbf, const std::string& outputPath)
{
    if (sameFile(outputPath, dbf.FileName()))
        throw Exception("The ADIF file " + outputPath + " would replace the table file itself");
    if (sameFile(outputPath, TDbf::MemoFileNameFor(dbf.FileName())))
        throw Exception("The ADIF file " + outputPath + " would replace the table's memo file");
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
    std::vector<char> characters;  ///< the decode buffer of a character field (Size + 1 bytes)
    std::string text;              ///< the text form of any other kind
    std::string_view value;        ///< this record's text

    void read()
    {
        if (reading == Reading::Characters) {
            // The same text as AsString gives, without a new string per field and record.
            characters[0] = '\0';
            if (!field->GetData(characters.data()))
                characters[0] = '\0';
            // Up to the first NUL; fields are short, so a plain scan beats a library call.
            const char* const chars = characters.data();
            const std::size_t size = characters.size() - 1;
            std::size_t length = 0;
            while (length < size && chars[length] != '\0')
                ++length;
            value = std::string_view(chars, length);
        } else if (reading == Reading::Text) {
            text = field->AsString();
            value = text;
        }
    }
};

/// One export run: the thirteen fields, resolved on the first record, and the scratch
/// strings reused for every record line.
class RecordWriter {
public:
    explicit RecordWriter(TDbf& dbf) : m_dbf(dbf) {}

    std::string_view line()
    {
        if (!m_resolved)
            resolve();
        for (FieldSource& source : m_sources)
            source.read();

        adif::RecordValues values;
        const adif::ShortValue date = m_sources[Date].reading == Reading::Value
                                          ? adif::qsoDateFromDay(m_sources[Date].field->AsDate())
                                          : adif::qsoDateFromText(m_sources[Date].value);
        values.qsoDate = date;
        const adif::ShortValue time = adif::timeOnFromText(m_sources[Time].value);
        values.timeOn = time;
        values.band = bandValue();
        const adif::ShortValue iota =
            m_sources[Iota].value.empty() ? adif::ShortValue() : adif::iotaFromText(m_sources[Iota].value);
        values.iota = iota;
        values.call = m_sources[Call].value;
        values.mode = m_sources[Mode].value;
        values.sent = m_sources[Sent].value;
        values.rcvd = m_sources[Rcvd].value;
        values.state = m_sources[State].value;
        values.qsl = m_sources[Qsl].value;
        values.qmgr = m_sources[Qmgr].value;
        values.name = m_sources[Name].value;
        values.note = m_sources[Note].value;

        const std::size_t bound = adif::recordLineBound(values);
        if (m_line.size() < bound)
            m_line.resize(bound);
        const char* const end = adif::writeRecordLine(m_line.data(), values);
        return std::string_view(m_line.data(), static_cast<std::size_t>(end - m_line.data()));
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
            const TFieldType type = source.field->DataType();
            if ((i == Date && type == TFieldType::ftDate) || (i == Freq && isNumeric(type))) {
                source.reading = Reading::Value;
            } else if (type == TFieldType::ftString) {
                source.reading = Reading::Characters;
                source.characters.assign(static_cast<std::size_t>(source.field->Size()) + 1, '\0');
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
        const double megahertz = freq.field->DataType() == TFieldType::ftFloat
                                     ? freq.field->AsFloat()
                                     : static_cast<double>(freq.field->AsLargeInt());
        if (const char* band = adif::bandName(megahertz))
            return band;
        freq.text = freq.field->AsString();
        return adif::stripLeadingBlanks(freq.text);
    }

    TDbf& m_dbf;
    bool m_resolved = false;
    std::array<FieldSource, FieldCount> m_sources;
    std::vector<char> m_line;  ///< grows to the longest line of the run, never shrinks
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
    RecordWriter writer(dbf);
    int counter = 0;
    while (!dbf.Eof()) {
        progress.SetPosition(counter);
        out.writeLine(writer.line());
        ++counter;
        dbf.Next();
    }
    progress.SetPosition(progress.Max());
    out.commit();

    result.RecordsWritten = counter;
    result.RecordsSkipped = total > counter ? total - counter : 0;
    return result;
}
