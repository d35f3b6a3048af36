// SPDX-License-Identifier: MIT
// quillon2adif-cli as a user runs it: exit codes, summary and error lines, outputs, the table untouched.
#include "LogTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kProgram = "quillon2adif-cli";
const std::string kHeader =
    "Quillon to ADIF Converter by Varden\r\nCopyright (C) 2000 Varden\r\n<EOH>\r\n\n\r\r\n";
const std::string kWorkedExampleLine =
    "<QSO_DATE:8>20001119 <TIME_ON:4>1435 <CALL:6>N0CALL <BAND:3>20M <MODE:2>CW <RST_SENT:3>599 "
    "<RST_RCVD:3>579 <IOTA:6>EU-005 <QSL_SENT:1>Y <QSL_RCVD:1>Y <NAME:9>Ana - QRP <EOR>\r\n";

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct CliRun {
    int exitCode = -1;
    std::string out, err;
};

class CliTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "test_cli.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    /// A log with the worked example and one deleted record.
    std::string writeLog(const std::string& name)
    {
        testlog::Record deleted = testlog::workedExample();
        deleted.deleted = true;
        testlog::writeTable(path(name), testlog::logFields(), {testlog::workedExample(), deleted});
        return path(name);
    }

    /// Starts the converter in the test folder; its stdout and stderr go to files there.
    /// closedOutput: it starts with standard output closed.  The signal, when given, is
    /// left to its default action, whatever the test runner does with it.
    pid_t start(const std::vector<std::string>& args, bool closedOutput = false, int defaultSignal = 0) const
    {
        const std::string outPath = path("stdout.txt"), errPath = path("stderr.txt");
        const pid_t child = ::fork();
        if (child == 0) {
            const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            ::close(out);
            ::close(err);
            if (closedOutput)
                ::close(STDOUT_FILENO);
            if (defaultSignal != 0)
                std::signal(defaultSignal, SIG_DFL);
            std::vector<char*> argv{const_cast<char*>(QUILLON_CLI)};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(QUILLON_CLI, argv.data());
            ::_exit(127);
        }
        return child;
    }

    /// Waits for the converter; exitCode stays -1 when a signal ended it.
    CliRun finish(pid_t child, int* status = nullptr) const
    {
        CliRun result;
        int waitStatus = 0;
        ::waitpid(child, &waitStatus, 0);
        if (status != nullptr)
            *status = waitStatus;
        result.exitCode = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
        result.out = readFile(path("stdout.txt"));
        result.err = readFile(path("stderr.txt"));
        fs::remove(path("stdout.txt"));
        fs::remove(path("stderr.txt"));
        return result;
    }

    CliRun run(const std::vector<std::string>& args, bool closedOutput = false) const
    {
        return finish(start(args, closedOutput));
    }

    fs::path m_dir;
};

TEST_F(CliTest, ConvertsBesideTheTableAndLeavesTheTableAlone)
{
    const std::string table = writeLog("LOG.DBF");
    const std::string before = readFile(table);
    const CliRun r = run({table});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kProgram + ": " + table + ": 1 record written, 1 deleted record skipped, output " +
                         path("LOG.adi") + "\n");
    EXPECT_EQ(readFile(path("LOG.adi")), kHeader + kWorkedExampleLine);
    EXPECT_EQ(readFile(table), before);
}

TEST_F(CliTest, WritesToStandardOutputWithDash)
{
    const std::string table = writeLog("log.dbf");
    const CliRun r = run({"-o", "-", table});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, kHeader + kWorkedExampleLine);
    EXPECT_NE(r.err.find("output standard output"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("log.adi")));
}

TEST_F(CliTest, WritesToTheNamedOutput)
{
    const std::string table = writeLog("log.dbf");
    const CliRun r = run({table, "--output", path("contest.adi")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readFile(path("contest.adi")), kHeader + kWorkedExampleLine);
    EXPECT_FALSE(fs::exists(path("log.adi")));
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    std::string message;  ///< the line before the usage line
};
void PrintTo(const UsageCase& c, std::ostream* os)
{
    *os << c.name;
}
class CliUsage : public CliTest, public testing::WithParamInterface<UsageCase> {};
TEST_P(CliUsage, ExitsWithTwoAndTheUsageLine)
{
    writeLog("a.dbf");
    writeLog("b.dbf");
    std::vector<std::string> args;
    for (const std::string& a : GetParam().args)
        args.push_back(a == "A" ? path("a.dbf") : a == "B" ? path("b.dbf") : a);
    const CliRun r = run(args);
    EXPECT_EQ(r.exitCode, 2);
    // Every message names the program alike, getopt's complaints included.
    EXPECT_EQ(r.err.rfind(kProgram + ": " + GetParam().message + "\n"
                              "Usage: quillon2adif-cli [-o OUT.adi | -o -] TABLE...\n",
                          0),
              0u)
        << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(path("a.adi")));
    EXPECT_FALSE(fs::exists(path("out.adi")));
}
INSTANTIATE_TEST_SUITE_P(
    BadUsage, CliUsage,
    testing::Values(
        UsageCase{"NoTable", {}, "no table given"},
        UsageCase{"UnknownOption", {"-x", "A"}, "unknown option '-x'"},
        UsageCase{"UnknownLongOption", {"A", "--frobnicate=1"}, "unknown option '--frobnicate'"},
        UsageCase{"OutputWithoutName", {"A", "-o"}, "option '-o' requires an argument"},
        UsageCase{"LongOutputWithoutName", {"A", "--out"}, "option '--output' requires an argument"},
        UsageCase{"HelpWithAValue", {"--help=yes", "A"}, "option '--help' takes no argument"},
        UsageCase{"EmptyOutputName", {"-o", "", "A"}, "the output file name is empty"},
        UsageCase{"OneOutputForTwoTables",
                  {"-o", "out.adi", "A", "B"},
                  "-o FILE takes one table; convert several tables beside themselves"},
        // Two ADIF files one after the other are not one ADIF file.
        UsageCase{"StandardOutputForTwoTables",
                  {"-o", "-", "A", "B"},
                  "-o - takes one table; convert several tables beside themselves"}),
    [](const testing::TestParamInfo<UsageCase>& p) { return p.param.name; });

// Started with standard output closed, a table must not get descriptor 1 (the ADIF bytes
// would go into the table's descriptor); "-o -" then has nowhere to write.
TEST_F(CliTest, ClosedStandardOutput)
{
    const std::string table = writeLog("LOG.DBF");
    const std::string before = readFile(table);
    const CliRun toOutput = run({"-o", "-", table}, true);
    EXPECT_EQ(toOutput.exitCode, 1);
    EXPECT_EQ(toOutput.err, kProgram + ": " + table + ": standard output is closed.\n");
    const CliRun beside = run({table}, true);
    EXPECT_EQ(beside.exitCode, 0) << beside.err;
    EXPECT_EQ(readFile(path("LOG.adi")), kHeader + kWorkedExampleLine);
    EXPECT_EQ(readFile(table), before);
}

// Ended by a signal halfway through a large log, the converter still dies of that signal
// but leaves no temporary file, and the earlier ADIF file as it was.
class CliSignal : public CliTest, public testing::WithParamInterface<int> {};
TEST_P(CliSignal, LeavesNoTemporaryFileAndTheEarlierFile)
{
    const int signal = GetParam();
    const std::string table = path("BIG.DBF");
    ASSERT_EQ(std::system((std::string(QUILLON_GENLOG) + " --records 300000 " + table + " >/dev/null").c_str()), 0);
    const std::string earlier = "an earlier ADIF file\r\n";
    // The conversion takes a fraction of a second; a run that ends before the temporary
    // file is seen, or before the signal reaches it, is tried again.
    bool interrupted = false;
    for (int attempt = 0; attempt < 10 && !interrupted; ++attempt) {
        std::ofstream(path("BIG.adi"), std::ios::binary) << earlier;
        const pid_t child = start({table}, false, signal);
        const fs::path temporary = m_dir / (".BIG.adi." + std::to_string(child) + ".0.tmp");
        bool exited = false;
        while (!fs::exists(temporary) && !exited) {
            int status = 0;
            exited = ::waitpid(child, &status, WNOHANG) == child;
        }
        if (exited) {
            fs::remove(path("stdout.txt"));
            fs::remove(path("stderr.txt"));
            continue;
        }
        ::kill(child, signal);
        int status = 0;
        const CliRun r = finish(child, &status);
        if (!WIFSIGNALED(status)) {  // it finished between the look and the signal
            EXPECT_EQ(r.exitCode, 0) << r.err;
            continue;
        }
        EXPECT_EQ(WTERMSIG(status), signal);
        interrupted = true;
    }
    ASSERT_TRUE(interrupted) << "every run ended before its temporary file was seen";
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(m_dir))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"BIG.DBF", "BIG.DBT", "BIG.adi"}));
    EXPECT_EQ(readFile(path("BIG.adi")), earlier);
}
INSTANTIATE_TEST_SUITE_P(Termination, CliSignal, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const testing::TestParamInfo<int>& p) { return std::string(::sigabbrev_np(p.param)); });

// A failed table does not stop the others; the message is the window's, with its full stop.
TEST_F(CliTest, FailedTableExitsWithOneAndTheOthersStillConvert)
{
    auto fields = testlog::logFields();
    std::erase_if(fields, [](const testlog::Field& f) { return f.name == "iota"; });
    testlog::writeTable(path("bad.dbf"), fields, {testlog::workedExample()});
    const std::string good = writeLog("good.dbf");
    const CliRun r = run({path("bad.dbf"), good});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(kProgram + ": " + path("bad.dbf") + ": Dbf1: Field 'iota' not found.\n"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(path("bad.adi")));
    EXPECT_EQ(readFile(path("good.adi")), kHeader + kWorkedExampleLine);
}

TEST_F(CliTest, RefusesAnOutputNamingTheTableOrItsMemo)
{
    auto fields = testlog::withField(testlog::logFields(), "note", {"note", 'M', 10});
    testlog::Record r = testlog::workedExample();
    testlog::writeTable(path("log.dbf"), fields, {r});
    const std::string table = readFile(path("log.dbf")), memo = readFile(path("log.dbt"));
    for (const std::string& output : {path("log.dbf"), path("log.dbt")}) {
        const CliRun refused = run({"-o", output, path("log.dbf")});
        EXPECT_EQ(refused.exitCode, 1) << output;
        EXPECT_NE(refused.err.find(kProgram + ": " + path("log.dbf") + ": "), std::string::npos) << refused.err;
    }
    EXPECT_EQ(readFile(path("log.dbf")), table);
    EXPECT_EQ(readFile(path("log.dbt")), memo);
}

TEST_F(CliTest, MissingTableExitsWithOne)
{
    const CliRun r = run({path("nothing.dbf")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind(kProgram + ": " + path("nothing.dbf") + ": ", 0), 0u) << r.err;
}

// The engine's repair of a wrong record count reaches the user as one warning line.
TEST_F(CliTest, HeaderRepairIsAWarning)
{
    std::vector<testlog::Record> records(10, testlog::workedExample());
    testlog::writeTable(path("log.dbf"), testlog::logFields(), records);
    {
        std::fstream table(path("log.dbf"), std::ios::binary | std::ios::in | std::ios::out);
        table.seekp(4);
        table.put(12);
    }
    const CliRun r = run({path("log.dbf")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find(kProgram + ": " + path("log.dbf") +
                         ": warning: Invalid Record Count, RecordCount in Hdr : 12, expected : 10\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(": 10 records written, 0 deleted records skipped, output "), std::string::npos) << r.err;
}

TEST_F(CliTest, HelpAndVersion)
{
    const CliRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: quillon2adif-cli [-o OUT.adi | -o -] TABLE...\n", 0), 0u) << help.out;
    const CliRun version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("quillon2adif-cli 1.0\n", 0), 0u) << version.out;
}

TEST_F(CliTest, ConvertsTheSampleLogBesideIt)
{
    const fs::path samples = QUILLON_SAMPLES_DIR;
    fs::copy_file(samples / "QUILLON.DBF", m_dir / "QUILLON.DBF");
    fs::copy_file(samples / "QUILLON.DBT", m_dir / "QUILLON.DBT");
    const CliRun r = run({path("QUILLON.DBF")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The sample's first record is the worked example.
    const std::string adif = readFile(path("QUILLON.adi"));
    EXPECT_EQ(adif.substr(0, kHeader.size() + kWorkedExampleLine.size()), kHeader + kWorkedExampleLine);
    EXPECT_EQ(readFile(path("QUILLON.DBF")), readFile(samples / "QUILLON.DBF"));
}

}  // namespace
