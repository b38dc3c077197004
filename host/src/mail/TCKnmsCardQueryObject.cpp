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
    auto setID = [this](int index, const Accessories::TCRecordID& id) {
        if (id.IsNull())
            Field(index).SetNull();
        else
            Field(index) = int64_t(id.get_ID());
    };
    setID(DOOR_ID, data.DoorID);
    setID(READER_ID, data.ReaderID);
    setID(CARD_ID, data.CardID);
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
    auto getID = [this](int index) {
        return Field(index).IsNull() ? Accessories::TCRecordID()
                                     : Accessories::TCRecordID(Field(index).get_AsBigInt());
    };
    data.DoorID = getID(DOOR_ID);
    data.ReaderID = getID(READER_ID);
    data.CardID = getID(CARD_ID);
    data.set_Status(Field(STATUS).get_AsInteger());
}

} // namespace Access
