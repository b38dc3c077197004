#pragma once

#pragma GCC visibility push(default)

namespace Property {

// One value of a choice-type property. Choice numbers are global across properties.
class TCPropertyChoiceID {
public:
    constexpr explicit TCPropertyChoiceID(int id) : m_ID(id) {}

    // The known choice with that number; throws TCException for a number no choice property offers, so a
    // typo cannot store a value no reader understands.
    static TCPropertyChoiceID Find(int id);
    static bool IsKnown(int id);

    constexpr int get_ID() const { return m_ID; }
    constexpr bool operator==(const TCPropertyChoiceID& o) const { return m_ID == o.m_ID; }
    constexpr bool operator!=(const TCPropertyChoiceID& o) const { return m_ID != o.m_ID; }

private:
    int m_ID;
};

} // namespace Property

#pragma GCC visibility pop
