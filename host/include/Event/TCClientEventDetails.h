#pragma once
#include <string>

#include "Accessories/TCNullTypes.h"
#include "Accessories/TCRecordID.h"

#pragma GCC visibility push(default)

namespace Event {

// One detail of an event: its definition, an optional related record (table number and record ID) and an
// optional text value. Texts are stored whole; shortening them is the caller's business.
class TCClientEventDetails {
public:
    explicit TCClientEventDetails(
        int detailID, const Accessories::TCNullTypes<int>& tableID = Accessories::TCNullTypes<int>(),
        const Accessories::TCRecordID& ownerID = Accessories::TCRecordID(),
        const Accessories::TCNullTypes<std::string>& value = Accessories::TCNullTypes<std::string>());

    // The value as decimal text.
    TCClientEventDetails& set_Value(int value);
    TCClientEventDetails& set_Value(const std::string& value);
    // The value from a printf-style format.
    TCClientEventDetails& set_Value(const char* format, ...) __attribute__((format(printf, 2, 3)));

    int get_DetailID() const { return m_DetailID; }
    const Accessories::TCNullTypes<int>& get_TableID() const { return m_TableID; }
    const Accessories::TCRecordID& get_OwnerID() const { return m_OwnerID; }
    const Accessories::TCNullTypes<std::string>& get_Value() const { return m_Value; }

private:
    int m_DetailID;
    Accessories::TCNullTypes<int> m_TableID;
    Accessories::TCRecordID m_OwnerID;
    Accessories::TCNullTypes<std::string> m_Value;
};

} // namespace Event

#pragma GCC visibility pop
