#pragma once
#include <cstdint>
#include <functional>

#pragma GCC visibility push(default)

namespace Accessories {

// Row ID of a database table that may be null (no row).
class TCRecordID {
public:
    TCRecordID() = default;
    explicit TCRecordID(int64_t id) : m_ID(id), m_IsNull(false) {}

    bool IsNull() const { return m_IsNull; }
    bool IsNotNull() const { return !m_IsNull; }
    int64_t get_ID() const { return m_ID; }
    void set_ID(int64_t id) { m_ID = id, m_IsNull = false; }
    void SetNull() { m_ID = 0, m_IsNull = true; }

    // Null sorts before every value; two nulls are equal.
    bool operator==(const TCRecordID& o) const { return m_IsNull == o.m_IsNull && (m_IsNull || m_ID == o.m_ID); }
    bool operator!=(const TCRecordID& o) const { return !(*this == o); }
    bool operator<(const TCRecordID& o) const {
        if (m_IsNull != o.m_IsNull) return m_IsNull;
        return !m_IsNull && m_ID < o.m_ID;
    }

private:
    int64_t m_ID = 0;
    bool m_IsNull = true;
};

} // namespace Accessories

#pragma GCC visibility pop
