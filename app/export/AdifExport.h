// SPDX-License-Identifier: MIT
// The ADIF export: a log table, read through its dataset, into an ADIF file.
#pragma once

#include <string>

class TDbf;

/// Where the export reports its progress (the main window's progress bar, the
/// command line's bar, or nothing).
class IProgressSink {
public:
    virtual ~IProgressSink() = default;
    virtual void SetMin(int value) = 0;
    virtual void SetMax(int value) = 0;
    virtual void SetPosition(int value) = 0;
    virtual int Max() const = 0;
};

/// A sink that only remembers its range and position.
class TNullProgress : public IProgressSink {
public:
    void SetMin(int value) override { m_min = value; }
    void SetMax(int value) override { m_max = value; }
    void SetPosition(int value) override { m_position = value; }
    int Max() const override { return m_max; }
    int Min() const { return m_min; }
    int Position() const { return m_position; }

private:
    int m_min = 0, m_max = 100, m_position = 0;
};

struct TAdifExportResult {
    int RecordsWritten = 0;   ///< record lines written
    int RecordsSkipped = 0;   ///< deleted records passed over (TotalRecords - presented)
    std::string OutputPath;   ///< the file written ("-" for standard output)
};

/// The output path for a table path: the extension of its file name replaced by
/// ".adi" (appended when the name has none).
std::string AdifFileNameFor(const std::string& tableFileName);

/// Exports the whole log of the open dataset, from its first presented record, into
/// outputPath (empty: AdifFileNameFor(dbf.FileName()); "-": standard output), replacing
/// an earlier file only when every byte was written.  Leaves the cursor on the last
/// record and the progress at its maximum.  Throws EInOutError with the I/O error texts,
/// EDatabaseError for a missing field, and Exception when outputPath names the table
/// or its memo file.
TAdifExportResult ExportAdif(TDbf& dbf, IProgressSink& progress, const std::string& outputPath = {});
