#pragma once
#include <cstdint>
#include <string>

#include "Accessories/TCNullTypes.h"
#include "JsonTypes/KnaJson_ID.h"

namespace KeynodeApi {

// {"simulateCardRead": {"doorID", "readerID", "cardNumber" | "chipNumber" with "chipNumberBitLength"}}:
// a card or chip presented at a reader of a door. Read only.
class KnaJson_SimulateCardRead : public KnaJson_BaseType {
public:
    static constexpr uint32_t MIN_CHIP_BITS = 1;
    static constexpr uint32_t MAX_CHIP_BITS = 56;

    KnaJson_SimulateCardRead() { Clear(); }

    void Clear();
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;
    // Checks the door and the reader against the database; without a reader, takes the door's (its own
    // reader of lowest ID, else the first reader linked to it). Throws KnaException.
    void ValidateRecords();

    const KnaJson_ID& GetDoorID() const { return m_DoorID; }
    const KnaJson_ID& GetReaderID() const { return m_ReaderID; }
    const Accessories::TCNullTypes<std::string>& GetCardNumber() const { return m_CardNumber; }
    uint64_t GetChipNumber() const { return m_ChipNumber; }
    uint32_t GetChipBitLength() const { return m_ChipBitLength; }

private:
    KnaJson_ID m_DoorID;
    KnaJson_ID m_ReaderID;
    Accessories::TCNullTypes<std::string> m_CardNumber;
    uint64_t m_ChipNumber = 0;
    uint32_t m_ChipBitLength = 0;
};

} // namespace KeynodeApi
