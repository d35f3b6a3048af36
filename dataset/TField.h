// SPDX-License-Identifier: MIT
// Field objects: typed and text access to one column of the dataset's active record.
#pragma once

#include "DB.h"

#include <cstdint>
#include <string>
#include <string_view>

class TDataSet;

/// One column of a dataset.  Reads and writes go to the dataset's active record
/// buffer through TDataSet::LoadFieldValue / StoreFieldValue (CreateMemoStream for memos).
/// Text is ANSI (CP1252) bytes.
class TField {
public:
    TField(TDataSet& dataSet, const TFieldDef& def);
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TDataSet& DataSet() const { return m_dataSet; }
    const std::string& FieldName() const { return m_fieldName; }
    TFieldType DataType() const { return m_dataType; }
    int FieldNo() const { return m_fieldNo; }
    int Size() const { return m_size; }
    bool IsBlob() const { return m_dataType == TFieldType::ftMemo; }
    /// True when the active record has no value for the field.
    virtual bool IsNull() const;

    /// The text form (see the subclasses).  Empty when there is no current record.
    virtual std::string AsString() const = 0;
    /// Parses text and stores it; throws EConvertError for text that is not a value of
    /// the kind, EDatabaseError when not editing, EFieldToLongError when it does not fit.
    virtual void SetAsString(std::string_view text) = 0;
    /// What a view shows; the text form unless a subclass says otherwise.
    virtual std::string DisplayText() const { return AsString(); }

    virtual std::int64_t AsLargeInt() const;
    virtual void SetAsLargeInt(std::int64_t value);
    std::int32_t AsInteger() const { return static_cast<std::int32_t>(AsLargeInt()); }
    void SetAsInteger(std::int32_t value) { SetAsLargeInt(value); }
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    /// Day number (1 January 0001 = day 1).
    virtual std::int32_t AsDate() const;
    virtual void SetAsDate(std::int32_t dayNumber);

    /// Reads the native value into buffer; false when there is none.
    bool GetData(void* buffer) const;
    /// Stores a native value (the dataset must be editing or inserting).
    void SetData(const void* buffer);

protected:
    TDataSet& m_dataSet;
    std::string m_fieldName;
    TFieldType m_dataType;
    int m_fieldNo;
    int m_size;
};

/// ftString: the decoded characters up to the first NUL.
class TStringField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;
};

/// ftSmallint, ftInteger, ftLargeint: decimal text, minus sign, no grouping.
class TLargeintField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;
    std::int64_t AsLargeInt() const override;
    void SetAsLargeInt(std::int64_t value) override;
};
class TIntegerField : public TLargeintField {
public:
    using TLargeintField::TLargeintField;
};
class TSmallintField : public TIntegerField {
public:
    using TIntegerField::TIntegerField;
};

/// ftBoolean: "True" / "False".
class TBooleanField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
};

/// ftFloat: general format, at most 15 significant digits, FormatSettings().DecimalSeparator.
class TFloatField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
};

/// ftDate: FormatSettings().ShortDateFormat.
class TDateField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;
    std::int32_t AsDate() const override;
    void SetAsDate(std::int32_t dayNumber) override;
};

/// ftMemo: the whole memo text.  While editing, a new text is held in the dataset
/// and reaches the memo file when the record is posted.
class TMemoField : public TField {
public:
    using TField::TField;
    bool IsNull() const override;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;
};

/// Date helpers shared by the field objects and the export.
bool TryEncodeDate(int year, int month, int day, std::int32_t& dayNumber);
void DecodeDate(std::int32_t dayNumber, int& year, int& month, int& day);
