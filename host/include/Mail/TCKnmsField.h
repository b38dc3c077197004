#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Accessories/TCNullTypes.h"
#include "Accessories/TCRecordID.h"

#pragma GCC visibility push(default)

// One value of a mail record: text, a whole number or null.
class TCKnmsField {
public:
    enum class Kind { Null, Text, Int };

    TCKnmsField() = default;

    Kind get_Kind() const { return m_Kind; }
    bool IsNull() const { return m_Kind == Kind::Null; }
    // Null reads as "", a number as its decimal text.
    std::string get_AsString() const;
    // Null reads as 0, a text as the whole number it spells or 0.
    int64_t get_AsBigInt() const;
    int get_AsInteger() const;
    Accessories::TCNullTypes<int> get_AsNullInt() const;
    Accessories::TCNullTypes<std::string> get_AsNullString() const;
    // Null reads as the null record ID.
    Accessories::TCRecordID get_AsRecordID() const;

    void SetNull();
    TCKnmsField& operator=(const std::string& text);
    TCKnmsField& operator=(const char* text) { return *this = std::string(text); }
    TCKnmsField& operator=(int value) { return *this = int64_t(value); }
    TCKnmsField& operator=(int64_t value);
    TCKnmsField& operator=(const Accessories::TCNullTypes<int>& value);
    TCKnmsField& operator=(const Accessories::TCNullTypes<std::string>& value);
    TCKnmsField& operator=(const Accessories::TCRecordID& id);

    bool operator==(const TCKnmsField& other) const;
    bool operator!=(const TCKnmsField& other) const { return !(*this == other); }

private:
    Kind m_Kind = Kind::Null;
    std::string m_Text;
    int64_t m_Int = 0;
};

// The fields of one record, in record order. Reading past the end gives a null field.
class TCKnmsRecord {
public:
    TCKnmsRecord() = default;
    explicit TCKnmsRecord(size_t fieldCount) : m_Fields(fieldCount) {}

    size_t size() const { return m_Fields.size(); }
    // Grows the record when needed.
    TCKnmsField& Field(size_t index);
    const TCKnmsField& Field(size_t index) const;
    void Resize(size_t fieldCount) { m_Fields.resize(fieldCount); }
    const std::vector<TCKnmsField>& Fields() const { return m_Fields; }

    bool operator==(const TCKnmsRecord& other) const { return m_Fields == other.m_Fields; }

private:
    std::vector<TCKnmsField> m_Fields;
};

#pragma GCC visibility pop
