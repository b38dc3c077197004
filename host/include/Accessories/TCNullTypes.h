#pragma once
#include <utility>

#pragma GCC visibility push(default)

namespace Accessories {

// A value of type T that may be null. Freshly constructed or cleared it is null.
template <class T> class TCNullTypes {
public:
    TCNullTypes() = default;
    TCNullTypes(const T& value) : m_Value(value), m_IsNull(false) {}

    bool IsNull() const { return m_IsNull; }
    bool IsNotNull() const { return !m_IsNull; }
    const T& get_Value() const { return m_Value; }
    // The value, or the given default when null.
    T get_Value(const T& def) const { return m_IsNull ? def : m_Value; }
    void set_Value(const T& value) { m_Value = value, m_IsNull = false; }
    void SetNull() { m_Value = T(), m_IsNull = true; }
    void Clear() { SetNull(); }

    TCNullTypes& operator=(const T& value) {
        set_Value(value);
        return *this;
    }
    bool operator==(const TCNullTypes& o) const {
        return m_IsNull == o.m_IsNull && (m_IsNull || m_Value == o.m_Value);
    }
    bool operator!=(const TCNullTypes& o) const { return !(*this == o); }

private:
    T m_Value = T();
    bool m_IsNull = true;
};

} // namespace Accessories

#pragma GCC visibility pop
