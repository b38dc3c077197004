#include "JsonTypes/Management/KnaJson_SimulateCardRead.h"

#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {
namespace {

// Reader type that may serve further doors through multi-door links.
constexpr int kMultiDoorReaderType = 2;

[[noreturn]] void Fail(const char* file, int line, const char* message) {
    throw KnaException(file, line, message);
}

} // namespace

void KnaJson_SimulateCardRead::Clear() {
    m_DoorID.Clear();
    m_ReaderID.Clear();
    m_CardNumber.SetNull();
    m_ChipNumber = 0;
    m_ChipBitLength = 0;
}

void KnaJson_SimulateCardRead::Deserialize(const rapidjson::Document& doc) {
    AssertJsonObject(doc);
    Deserialize(static_cast<const rapidjson::Value&>(GetRequiredMember(doc, "simulateCardRead")));
}

void KnaJson_SimulateCardRead::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    m_DoorID.Deserialize(GetRequiredNotNullMember(value, "doorID"));
    ReadOptionalObject(value, "readerID", m_ReaderID);
    const rapidjson::Value* cardNumber = FindOptionalMember(value, "cardNumber");
    if (cardNumber != nullptr && !cardNumber->IsNull()) m_CardNumber = std::string(cardNumber->GetString());

    const rapidjson::Value* chipNumber = FindOptionalMember(value, "chipNumber");
    if (chipNumber == nullptr || chipNumber->IsNull()) {
        if (m_CardNumber.IsNull())
            Fail(__FILE__, __LINE__, "Either Card number or chip number must be specified");
        return;
    }
    if (m_CardNumber.IsNotNull())
        Fail(__FILE__, __LINE__, "Chip number can't be specified if card number is specified");
    m_ChipNumber = chipNumber->GetUint64();
    const rapidjson::Value* bitLength = FindOptionalMember(value, "chipNumberBitLength");
    if (bitLength == nullptr || bitLength->IsNull())
        Fail(__FILE__, __LINE__, "Chip bit length must be specified if chip number is specified");
    m_ChipBitLength = bitLength->GetUint();
    if (m_ChipBitLength < MIN_CHIP_BITS || m_ChipBitLength > MAX_CHIP_BITS)
        Fail(__FILE__, __LINE__, "Chip bit length must be between 1 and 56");
}

void KnaJson_SimulateCardRead::ValidateRecords() {
    const Accessories::TCRecordID doorID = m_DoorID.GetRecordID();
    if (doorID.IsNull()) Fail(__FILE__, __LINE__, "Door id must be specified");
    Access::TCDBDoors doors;
    if (!doors.SelectPrimary(doorID).IsNotEnd()) Fail(__FILE__, __LINE__, "Specified door not found");

    Access::TCDBReaders readers;
    Access::TCDBAccessMultiDoorLinks links;
    namespace R = Table_AccessReaders;
    namespace M = Table_AccessMultiDoorsLink;
    if (m_ReaderID.IsNull()) {
        DB::TCDBIterator own = readers.SelectTop("*", 1, R::DOORLINK == doorID, DB::TCDBOrder(R::ID), 0);
        if (own.IsNotEnd()) {
            m_ReaderID = KnaJson_ID(own.Field(R::ID).get_AsRecordID());
        } else {
            DB::TCDBIterator link = links.SelectTop("*", 1, M::DOOR_LINK == doorID, DB::TCDBOrder(M::ID), 0);
            if (link.IsNotEnd()) m_ReaderID = KnaJson_ID(link.Field(M::READER_LINK).get_AsRecordID());
        }
        if (m_ReaderID.IsNull())
            Fail(__FILE__, __LINE__, "Could not find any reader configured with link to the specified door");
    }

    const Accessories::TCRecordID readerID = m_ReaderID.GetRecordID();
    DB::TCDBIterator reader = readers.SelectPrimary(readerID);
    if (!reader.IsNotEnd()) Fail(__FILE__, __LINE__, "Specified reader not found");
    if (reader.Field(R::DOORLINK).get_AsRecordID() == doorID) return;
    if (reader.Field(R::TYPE).get_AsRecordID() == Accessories::TCRecordID(kMultiDoorReaderType) &&
        links.SelectCount("*", M::DOOR_LINK == doorID && M::READER_LINK == readerID) > 0)
        return;
    Fail(__FILE__, __LINE__, "Specified reader is not linked to the specified door");
}

} // namespace KeynodeApi
