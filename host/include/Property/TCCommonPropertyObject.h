#pragma once
#include <string>

#include "Accessories/TCNullTypes.h"
#include "Accessories/TCRecordID.h"
#include "Property/TCPropertyChoiceID.h"
#include "Property/TCPropertyID.h"

#pragma GCC visibility push(default)

namespace Property {

// A snapshot of one stored setting: its ID, the record it belongs to (null for a unit-wide setting) and
// its text value, null when the setting is not set. Every reader takes a default that is returned when
// the setting is unset or its text does not parse as the asked type.
class TCCommonPropertyObject {
public:
    TCCommonPropertyObject(const TCPropertyID& id, const Accessories::TCRecordID& record,
                           Accessories::TCNullTypes<std::string> value)
        : m_ID(id), m_Record(record), m_Value(std::move(value)) {}

    const TCPropertyID& get_ID() const { return m_ID; }
    const Accessories::TCRecordID& get_RecordID() const { return m_Record; }
    bool IsSet() const { return m_Value.IsNotNull(); }
    const Accessories::TCNullTypes<std::string>& get_Value() const { return m_Value; }

    // "1"/"true" and "0"/"false" (any case); other texts give the default.
    bool get_AsBool(bool def) const;
    Accessories::TCNullTypes<bool> get_AsBool(const Accessories::TCNullTypes<bool>& def) const;
    int get_AsInteger(int def) const; // values outside int give the default
    Accessories::TCNullTypes<int> get_AsInteger(const Accessories::TCNullTypes<int>& def) const;
    long long get_AsBigInt(long long def) const;
    Accessories::TCNullTypes<long long> get_AsBigInt(const Accessories::TCNullTypes<long long>& def) const;
    std::string get_AsString(const std::string& def) const;
    Accessories::TCNullTypes<std::string>
    get_AsString(const Accessories::TCNullTypes<std::string>& def) const;
    // The stored choice number, whether or not it is a known choice; readers decide what unknown means.
    int get_ChoiceID(int def) const;
    TCPropertyChoiceID get_ChoiceID(const TCPropertyChoiceID& def) const;
    Accessories::TCNullTypes<int> get_ChoiceID(const Accessories::TCNullTypes<int>& def) const;

private:
    TCPropertyID m_ID;
    Accessories::TCRecordID m_Record;
    Accessories::TCNullTypes<std::string> m_Value;
};

} // namespace Property

#pragma GCC visibility pop
