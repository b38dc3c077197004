#pragma once
#include <string>
#include <vector>

#pragma GCC visibility push(default)

namespace Property {

// How a property's text value is meant to be read; used by tools that set properties from text.
enum class TEPropertyType { Bool, Integer, BigInt, Text, Choice };

// Identity of one setting: a fixed number (the stored key) and its name. IDs are compile-time constants
// declared in the property headers (e.g. AccessProp::GeneralWebApiSettings_Enabled).
class TCPropertyID {
public:
    constexpr TCPropertyID(int number, const char* name, TEPropertyType type)
        : m_Number(number), m_Name(name), m_Type(type) {}

    constexpr int get_Number() const { return m_Number; }
    std::string name() const { return m_Name; }
    constexpr const char* get_Name() const { return m_Name; }
    constexpr TEPropertyType get_Type() const { return m_Type; }

    constexpr bool operator==(const TCPropertyID& o) const { return m_Number == o.m_Number; }
    constexpr bool operator!=(const TCPropertyID& o) const { return m_Number != o.m_Number; }
    constexpr bool operator<(const TCPropertyID& o) const { return m_Number < o.m_Number; }

    // Every property the host knows; FindByName/FindByNumber search this list.
    static const std::vector<const TCPropertyID*>& All();
    // Null when no known property has that name (exact, case-sensitive) or number.
    static const TCPropertyID* FindByName(const std::string& name);
    static const TCPropertyID* FindByNumber(int number);

private:
    int m_Number;
    const char* m_Name;
    TEPropertyType m_Type;
};

} // namespace Property

#pragma GCC visibility pop
