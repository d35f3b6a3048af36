// SPDX-License-Identifier: MIT
// Field kind names, field-name comparison and the field definition list.
#include "DB.h"

#include "SysUtils.h"

const char* FieldTypeName(TFieldType type)
{
    switch (type) {
    case TFieldType::ftString: return "String";
    case TFieldType::ftSmallint: return "Smallint";
    case TFieldType::ftInteger: return "Integer";
    case TFieldType::ftLargeint: return "Largeint";
    case TFieldType::ftBoolean: return "Boolean";
    case TFieldType::ftFloat: return "Float";
    case TFieldType::ftDate: return "Date";
    case TFieldType::ftMemo: return "Memo";
    case TFieldType::ftUnknown: break;
    }
    return "Unknown";
}

namespace {

[[noreturn]] void FieldDefsError(const std::string& owner, const std::string& message)
{
    throw EDatabaseError(owner.empty() ? message : owner + ": " + message);
}

}  // namespace

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required)
{
    if (name.empty())
        FieldDefsError(m_ownerName, "Field name missing");
    if (IndexOf(name) >= 0)
        FieldDefsError(m_ownerName, "Duplicate field name '" + name + "'");
    TFieldDef def;
    def.Name = name;
    def.DataType = type;
    def.Size = size;
    def.Required = required;
    def.FieldNo = Count() + 1;
    m_defs.push_back(std::move(def));
    return m_defs.back();
}

int TFieldDefs::IndexOf(const std::string& name) const
{
    for (std::size_t i = 0; i < m_defs.size(); ++i)
        if (SameFieldName(m_defs[i].Name, name))
            return static_cast<int>(i);
    return -1;
}
