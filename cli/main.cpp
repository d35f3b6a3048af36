// SPDX-License-Identifier: MIT
// quillon2adif-cli: converts Quillon logs into ADIF files from the command line.
#include "AdifExport.h"
#include "AdifOutputFile.h"
#include "DbfPlatform.h"
#include "SysUtils.h"
#include "TDbf.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
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

/// Opens /dev/null onto whichever of descriptors 0, 1 and 2 is closed, so that no table or
/// ADIF file gets one of them.  True when standard output was closed.
bool openStandardDescriptors()
{
    bool outputClosed = false;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        outputClosed = outputClosed || fd == STDOUT_FILENO;
        // The lowest free descriptor: fd itself, as the ones below it are open.
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened != fd) {
            if (opened >= 0)
                ::close(opened);
            std::exit(kExitFailed);  // no /dev/null: nothing sensible is left to do
        }
    }
    return outputClosed;
}

/// Removes the ADIF file being written, then dies of the signal as if it had not been
/// caught, so that the caller still sees what ended the program.
extern "C" void endBySignal(int signal)
{
    adif::removePendingTemporaryFile();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void removeTemporaryFileOnTermination()
{
    struct sigaction action {};
    action.sa_handler = endBySignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&action.sa_mask, signal);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        // A signal ignored on entry (nohup, a background job) stays ignored.
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

/// The usage error for getopt's complaint (':' a missing argument, '?' any other).
[[noreturn]] void optionError(int complaint, char** argv, const struct option* longOptions)
{
    const struct option* known = nullptr;
    for (const struct option* o = longOptions; o->name != nullptr; ++o)
        if (optopt != 0 && o->val == optopt)
            known = o;
    if (complaint == ':') {
        // Only the last argument lacks its value, so it is the option itself.
        const bool longForm = std::string_view(argv[optind - 1]).rfind("--", 0) == 0;
        usageError("option '" + (longForm ? std::string("--") + known->name : std::string("-") + static_cast<char>(optopt)) +
                   "' requires an argument");
    }
    if (optopt == 0) {
        // An unknown long option; getopt has stepped past it.
        const std::string_view read = argv[optind - 1];
        usageError("unknown option '" + std::string(read.substr(0, read.find('='))) + "'");
    }
    // Our short options never fail otherwise: a known one here is a long one given a value.
    if (known != nullptr)
        usageError(std::string("option '--") + known->name + "' takes no argument");
    usageError(std::string("unknown option '-") + static_cast<char>(optopt) + "'");
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
bool convert(const std::string& table, const std::string& output, bool outputClosed, WarningBox& warnings)
{
    warnings.setTable(table);
    TerminalProgress progress(table);
    try {
        if (output == "-" && outputClosed)
            throw Exception("standard output is closed");
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
    const bool outputClosed = openStandardDescriptors();
    removeTemporaryFileOnTermination();

    static const option longOptions[] = {
        {"output", required_argument, nullptr, 'o'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0},
    };
    std::string output;
    bool outputGiven = false;
    // Our own messages for bad options, named like every other message of the program.
    opterr = 0;
    for (;;) {
        const int option = ::getopt_long(argc, argv, ":o:hV", longOptions, nullptr);
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
            optionError(option, argv, longOptions);
        }
    }
    const std::vector<std::string> tables(argv + optind, argv + argc);
    if (tables.empty())
        usageError("no table given");
    // Several ADIF files one after another in one stream are not an ADIF file either.
    if (outputGiven && tables.size() > 1)
        usageError(std::string(output == "-" ? "-o -" : "-o FILE") + " takes one table; convert several tables beside themselves");

    WarningBox warnings;
    SetPlainMessageBox(&warnings);
    bool allConverted = true;
    for (const std::string& table : tables)
        allConverted = convert(table, output, outputClosed, warnings) && allConverted;
    SetPlainMessageBox(nullptr);
    return allConverted ? 0 : kExitFailed;
}
