// SPDX-License-Identifier: MIT
// The memo stream: holds one memo's text; a write-mode stream stores it into the memo file and record.
#include "TMyBlobFile.h"

#include "DbfErrors.h"
#include "TDbf.h"

TMyBlobFile::TMyBlobFile(TBlobStreamMode mode, TDbf& owner, TField& memoField)
    : Mode(mode), Owner(owner), MemoField(memoField)
{
}

TMyBlobFile::~TMyBlobFile()
{
    try {
        Store();
    } catch (...) {
        // A destructor must not throw; the dataset calls Store() at post to see errors.
    }
}

void TMyBlobFile::Store()
{
    if (Mode != TBlobStreamMode::bmWrite || m_stored)
        return;
    m_stored = true;
    // The text is what lies before the position at which the writer stopped.
    SetSize(Position());
    TDbfFile* table = Owner.TableFile();
    TRecordBuffer buffer = Owner.ActiveBuffer();
    if (table == nullptr || buffer == nullptr)
        return;
    if (Owner.MemoFile() == nullptr) {
        // The engine never creates a memo file, so a text has nowhere to go; an
        // empty one simply leaves the field without a memo.
        if (Size() > 0)
            throw EBinaryDataSetError("Cannot store memo text: the table has no memo file " +
                                      TDbf::MemoFileNameFor(Owner.FileName()));
        BlockNumber = 0;
    } else {
        Owner.MemoFile()->WriteMemo(BlockNumber, ReadSize, *this);
    }
    std::int32_t block = BlockNumber;
    table->EncodeField(MemoField.FieldNo() - 1, TFieldType::ftInteger, &block, buffer);
}
