#pragma once
#include <map>
#include <string>

#include "Accessories/TCNullTypes.h"

#pragma GCC visibility push(default)

// Option flags stored as text: one character per bit, '1' set and '0' clear, bit 0 first ("0101").
// The text stays readable in the database and grows only as far as the highest bit set.

class TCStringOptionBit {
public:
    explicit constexpr TCStringOptionBit(int position) : m_Position(position) {}
    constexpr int get_Position() const { return m_Position; }
    // Whether this bit is set in the option-bit text; bits beyond its end are clear.
    bool IsSet(const std::string& text) const;

private:
    int m_Position;
};

// The option tables the host knows; each maps an option number to its bit.
enum class TEOptionTable { CardOptions };

class TCStringOptionBits {
public:
    TCStringOptionBits() = default;
    explicit TCStringOptionBits(std::string text) : m_Text(std::move(text)) {}

    void SetOption(const TCStringOptionBit& bit, bool set = true);
    bool IsSet(const TCStringOptionBit& bit) const { return bit.IsSet(m_Text); }
    const std::string& get_AsString() const { return m_Text; }
    // The text for a nullable column; no options give an empty text, not null.
    Accessories::TCNullTypes<std::string> get_AsNullString() const { return m_Text; }

    // Option number -> bit of the table, in ascending option number.
    static const std::map<int, TCStringOptionBit>& get_Options(TEOptionTable table);

private:
    std::string m_Text;
};

namespace Access {
// Card options; numbers and meanings in docs/cards.md.
inline constexpr TEOptionTable CardOptions = TEOptionTable::CardOptions;
} // namespace Access

#pragma GCC visibility pop
