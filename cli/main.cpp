// SPDX-License-Identifier: MIT
// quillon2adif-cli: converts Quillon logs into ADIF files from the command line.
#include "AdifExport.h"
#include "DbfPlatform.h"
#include "SysUtils.h"
#include "TDbf.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <getopt.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kProgram = "quillon2adif-cli";
constexpr const char* kUsage = "Usage: quillon2adif-cli [-o OUT.adi | -o -] TABLE...";
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
/// Logs up to this many records convert in about a second; a bar would only flicker.
constexpr int kLargeLog = 50000;
constexpr int kBarWidth = 40;

void printHelp()
{
    std::printf("%s\n"
                "Converts Quillon log tables (dBase .dbf files, with their .dbt memo files) into ADIF files.\n"
                "\n"
                "Each TABLE is written beside itself under its name with the extension \".adi\"\n"
                "(LOG.DBF gives LOG.adi).  Tables are opened read-only and never changed.\n"
                "\n"
                "Options:\n"
                "  -o, --output=FILE  write the ADIF file to FILE (one TABLE only);\n"
                "                     \"-\" writes to standard output\n"
                "  -h, --help         show this help and exit\n"
                "  -V, --version      show the version and exit\n"
                "\n"
                "Exit status: 0 when every table was converted, 1 when a table failed,\n"
                "2 on bad usage.\n",
                kUsage);
}

void printVersion()
{
    std::printf("%s %s\n"
                "The command-line converter of Varden's Quillon to ADIF Converter.\n",
                kProgram, QUILLON_VERSION);
}

[[noreturn]] void usageError(const std::string& message)
{
    if (!message.empty())
        std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    std::fprintf(stderr, "%s\nTry '%s --help' for more information.\n", kUsage, kProgram);
    std::exit(kExitUsage);
}

/// The engine's message texts break lines with CR; a warning is one line on stderr.
std::string oneLine(const std::string& text)
{
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        if (!line.empty())
            line += line.back() == ',' ? " " : ", ";
    }
    return line;
}

/// The window's rule: a full stop after a text whose last character sorts after ".".
std::string withFullStop(std::string text)
{
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

/// Prints the engine's header repairs as warnings naming the table being opened.
class WarningBox : public IPlainMessageBox {
public:
    void setTable(const std::string& table) { m_table = table; }
    void ShowMessage(const std::string& text) override
    {
        std::fprintf(stderr, "%s: %s: warning: %s\n", kProgram, m_table.c_str(), oneLine(text).c_str());
    }

private:
    std::string m_table;
};

/// A bar on stderr, drawn only when stderr is a terminal and the log is large.
class TerminalProgress : public IProgressSink {
public:
    explicit TerminalProgress(std::string table) : m_table(std::move(table)), m_terminal(::isatty(STDERR_FILENO) == 1) {}
    ~TerminalProgress() override { finish(); }

    void SetMin(int value) override { m_min = value; }
    void SetMax(int value) override
    {
        m_max = value;
        m_enabled = m_terminal && value - m_min > kLargeLog;
    }
    void SetPosition(int value) override
    {
        if (!m_enabled)
            return;
        const int percent = static_cast<int>(std::int64_t{value - m_min} * 100 / (m_max - m_min));
        if (percent == m_drawnPercent)
            return;
        m_drawnPercent = percent;
        const int filled = percent * kBarWidth / 100;
        std::fprintf(stderr, "\r%s [%s%s] %3d%%", m_table.c_str(), std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(kBarWidth - filled), ' ').c_str(), percent);
        std::fflush(stderr);
    }
    int Max() const override { return m_max; }

    /// Clears the bar's line so that the summary or the error starts on a clean line.
    void finish()
    {
        if (m_drawnPercent >= 0)
            std::fputs("\r\033[K", stderr);
        m_drawnPercent = -1;
        m_enabled = false;
    }

private:
    std::string m_table;
    bool m_terminal;
    bool m_enabled = false;
    int m_min = 0, m_max = 0;
    int m_drawnPercent = -1;
};

std::string plural(int count, const char* singular, const char* pluralForm)
{
    return std::to_string(count) + " " + (count == 1 ? singular : pluralForm);
}

/// Converts one table; prints its summary or its error.  True on success.
bool convert(const std::string& table, const std::string& output, WarningBox& warnings)
{
    warnings.setTable(table);
    TerminalProgress progress(table);
    try {
        TDbf dbf("Dbf1");
        dbf.SetFileName(table);
        // Read-only: the table is never written, not even its header on close.
        dbf.SetReadOnly(true);
        dbf.Open();
        const TAdifExportResult result = ExportAdif(dbf, progress, output);
        progress.finish();
        const std::string where = result.OutputPath == "-" ? "standard output" : result.OutputPath;
        std::fprintf(stderr, "%s: %s: %s written, %s skipped, output %s\n", kProgram, table.c_str(),
                     plural(result.RecordsWritten, "record", "records").c_str(),
                     plural(result.RecordsSkipped, "deleted record", "deleted records").c_str(), where.c_str());
        return true;
    } catch (const std::exception& error) {
        progress.finish();
        std::fprintf(stderr, "%s: %s: %s\n", kProgram, table.c_str(), withFullStop(error.what()).c_str());
        return false;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // A file-size limit must end the export with "Disk full", not kill the process
    // halfway through a file.
    std::signal(SIGXFSZ, SIG_IGN);

    static const option longOptions[] = {
        {"output", required_argument, nullptr, 'o'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0},
    };
    std::string output;
    bool outputGiven = false;
    for (;;) {
        const int option = ::getopt_long(argc, argv, "o:hV", longOptions, nullptr);
        if (option == -1)
            break;
        switch (option) {
        case 'o':
            output = optarg;
            outputGiven = true;
            if (output.empty())
                usageError("the output file name is empty");
            break;
        case 'h':
            printHelp();
            return 0;
        case 'V':
            printVersion();
            return 0;
        default:
            usageError({});  // getopt_long has said what was wrong
        }
    }
    const std::vector<std::string> tables(argv + optind, argv + argc);
    if (tables.empty())
        usageError("no table given");
    if (outputGiven && output != "-" && tables.size() > 1)
        usageError("-o FILE takes one table; convert several tables beside themselves or with -o -");

    WarningBox warnings;
    SetPlainMessageBox(&warnings);
    bool allConverted = true;
    for (const std::string& table : tables)
        allConverted = convert(table, output, warnings) && allConverted;
    SetPlainMessageBox(nullptr);
    return allConverted ? 0 : kExitFailed;
}
