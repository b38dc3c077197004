#pragma once
#include <cstdint>
#include <string>

#include "Accessories/TCNullTypes.h"
#include "Accessories/TCRecordID.h"

#pragma GCC visibility push(default)

namespace Access {

// The number a card's chip answers with, and how many bits of it are significant (1 to 56). A chip ID
// without bits is null.
class TCChipID {
public:
    static constexpr uint32_t MAX_BITS = 56;

    // `masked`: bits above the bit length are cleared, as a reader reports only the significant ones.
    void load(bool masked, uint64_t number, uint32_t bitLength);
    void Clear() { m_Number = 0, m_BitLength = 0; }

    bool IsNull() const { return m_BitLength == 0; }
    uint64_t get_Number() const { return m_Number; }
    uint32_t get_BitLength() const { return m_BitLength; }
    // Upper-case hex, one digit per started nibble of the bit length ("0A3F"); null for a null chip ID.
    Accessories::TCNullTypes<std::string> get_AsString() const;

    bool operator==(const TCChipID& other) const {
        return m_Number == other.m_Number && m_BitLength == other.m_BitLength;
    }

private:
    uint64_t m_Number = 0;
    uint32_t m_BitLength = 0;
};

// What a reader reports about a presented card, and what the door service found out about it.
enum TECardStatus : int {
    CARD_STATUS_UNKNOWN = 0, // no card of the system has this number or chip
    CARD_STATUS_KNOWN = 1,   // the card record names the card (CardID)
    CARD_STATUS_READ = 0x20, // presented at the reader: the door service decides access
};

struct TCCardData {
    Accessories::TCNullTypes<std::string> CardNumber;
    Accessories::TCRecordID DoorID;
    Accessories::TCRecordID ReaderID;
    TCChipID ChipID;
    Accessories::TCRecordID CardID;

    int get_Status() const { return m_Status; }
    void set_Status(int status) { m_Status = status; }

private:
    int m_Status = CARD_STATUS_UNKNOWN;
};

} // namespace Access

#pragma GCC visibility pop
