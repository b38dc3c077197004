#include "Mail/TCKnmsRecords.h"

namespace Access {

TCKnmsCardQueryObject::TCPart& TCKnmsCardQueryObject::TCPart::operator=(const TCCardData& data) {
    Field(CARD_NUMBER) = data.CardNumber;
    if (data.ChipID.IsNull()) {
        Field(CHIP_NUMBER).SetNull();
        Field(CHIP_BITS).SetNull();
    } else {
        // At most 56 bits: the number fits the field's signed 64 bits.
        Field(CHIP_NUMBER) = int64_t(data.ChipID.get_Number());
        Field(CHIP_BITS) = int(data.ChipID.get_BitLength());
    }
    Field(DOOR_ID) = data.DoorID;
    Field(READER_ID) = data.ReaderID;
    Field(CARD_ID) = data.CardID;
    Field(STATUS) = data.get_Status();
    return *this;
}

void TCKnmsCardQueryObject::TCPart::Get(TCCardData& data) const {
    data.CardNumber = Field(CARD_NUMBER).get_AsNullString();
    data.ChipID.Clear();
    const int64_t bits = Field(CHIP_BITS).get_AsBigInt();
    // Bit lengths out of range come from a peer that is not to be trusted: no chip then.
    if (bits > 0 && bits <= int64_t(TCChipID::MAX_BITS))
        data.ChipID.load(true, uint64_t(Field(CHIP_NUMBER).get_AsBigInt()), uint32_t(bits));
    data.DoorID = Field(DOOR_ID).get_AsRecordID();
    data.ReaderID = Field(READER_ID).get_AsRecordID();
    data.CardID = Field(CARD_ID).get_AsRecordID();
    data.set_Status(Field(STATUS).get_AsInteger());
}

} // namespace Access
