// SPDX-License-Identifier: MIT
// The in-memory stream over one memo field's text; a write-mode stream stores its text when freed.
#pragma once

#include "Classes.h"
#include "TDataSet.h"

#include <cstdint>

class TDbf;

class TMyBlobFile : public TMemoryStream {
public:
    TMyBlobFile(TBlobStreamMode mode, TDbf& owner, TField& memoField);
    /// Mode bmWrite: stores the text before the position as the memo (WriteMemo) and
    /// its block number into the active record buffer.  Errors are reported by Store();
    /// the destructor never throws (call Store() to see them).
    ~TMyBlobFile() override;
    /// Stores now (mode bmWrite only, once); throws what WriteMemo/EncodeField throw.
    void Store();

    TBlobStreamMode Mode;
    TDbf& Owner;
    TField& MemoField;
    std::int32_t BlockNumber = 0;
    std::int32_t ReadSize = 0;

private:
    bool m_stored = false;
};
