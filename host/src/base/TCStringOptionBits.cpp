#include "Text/TCStringOptionBits.h"

bool TCStringOptionBit::IsSet(const std::string& text) const {
    return m_Position >= 0 && static_cast<size_t>(m_Position) < text.size() && text[m_Position] == '1';
}

void TCStringOptionBits::SetOption(const TCStringOptionBit& bit, bool set) {
    const int position = bit.get_Position();
    if (position < 0) return;
    if (static_cast<size_t>(position) >= m_Text.size()) {
        if (!set) return;
        m_Text.resize(position + 1, '0');
    }
    m_Text[position] = set ? '1' : '0';
}

const std::map<int, TCStringOptionBit>& TCStringOptionBits::get_Options(TEOptionTable) {
    // The bits are positions in the stored text and must never change; new options take new bits.
    static const std::map<int, TCStringOptionBit> cardOptions = {
        {1, TCStringOptionBit(0)}, // extended door open time
        {2, TCStringOptionBit(1)}, // PIN code always required
        {3, TCStringOptionBit(2)}, // no PIN code needed at PIN readers
        {4, TCStringOptionBit(3)}, // exempt from anti-passback
        {5, TCStringOptionBit(4)}, // may toggle a door into office mode
        {6, TCStringOptionBit(5)}, // escort required
        {7, TCStringOptionBit(6)}, // opens blocked doors (emergency card)
        {8, TCStringOptionBit(7)}, // visitor card
    };
    return cardOptions;
}
