// SPDX-License-Identifier: MIT
// The dBase memo file: block size, terminated and length-prefixed memos.
#pragma once

#include "TPagedFile.h"

#include <array>
#include <cstdint>
#include <string>

class TDbtFile : public TPagedFile {
public:
    /// Opens the memo file and reads its header; throws an error naming the file when
    /// it cannot be opened in mode.
    TDbtFile(TDbf* owner, const std::string& fileName, std::uint16_t mode, std::uint8_t dbfLevel);

    /// Appends the memo starting at blockNumber to target and sets target's position to 0.
    /// Block 0 does nothing.  Never reads past the end of the file.
    void ReadMemo(std::int32_t blockNumber, TStream& target);
    /// Stores the whole of source as a memo; blockNumber becomes where it was stored
    /// (0 for an empty stream).  oldLength is the text length the memo had when read.
    void WriteMemo(std::int32_t& blockNumber, std::int32_t oldLength, TStream& source);

    std::uint8_t MemoLevel = 0;
    std::array<std::uint8_t, 24> MemoHeader{};

private:
    void ReadPrefixed(std::int64_t start, std::int64_t fileSize, TStream& target);
    void ReadTerminated(std::int64_t start, TStream& target);
};
