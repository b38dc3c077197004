#include "Access/TCDoorService.h"

#include <algorithm>

#include "Access/TCAccessDecision.h"
#include "Access/TCAccessDoorInterface.h"
#include "DB/Tables/AccessTables.h"
#include "DB/Tables/TableNumbers.h"
#include "Debug/TCDebug.h"
#include "Event/HostEvents.h"
#include "Event/TCClientEvent.h"
#include "Mail/TCKnmsMailMessage.h"
#include "Mail/TCKnmsRecords.h"
#include "Net/TCMACAddress.h"
#include "doors/TCDoorStates.h"

using Accessories::TCNullTypes;
using Accessories::TCRecordID;

namespace Access {
namespace {

TCKnmsServiceName WebApiServiceName() {
    return TCKnmsServiceName::MakeLocalProcess("@keynodeweb.webapi", "");
}

// The same address however it was written; empty for a text that is no MAC address.
std::string NormalMac(const std::string& text) {
    TCMACAddress mac;
    return mac.Parse(text) ? mac.get_AsString(':') : std::string();
}

std::string OwnMac() {
    TCMACAddress mac;
    mac.Own("");
    return mac.get_AsString(':');
}

void LogMailFault(const char* what, const std::string& reason) {
    if (IsDebugLevel(DEBUG_COMMON))
        SendDebugOutput(DEBUG_COMMON, "door service: %s: %s", what, reason.c_str());
}

} // namespace

TCDoorService::TCDoorService(TCDoorServiceConfig config)
    : TCKnmsServiceProxy(config.socketPath.empty() ? DefaultSocketPath() : config.socketPath),
      m_Config(std::move(config)), m_Doors(std::make_unique<TCDoorStates>(m_Config.releaseMs)) {
    if (!m_Config.clock) m_Config.clock = [] { return TCUTCTime::Now(); };
    ExposeTask(GetServiceName());
    AddWait(WAIT_MAIL, GetMailSignal());
    CreateThread("DoorService", -1);
}

TCDoorService::~TCDoorService() {
    Stop();
}

TCKnmsServiceName TCDoorService::GetServiceName() {
    return TCAccessDoorInterface::DoorServiceName();
}

void TCDoorService::Start() {
    Resume();
}

int TCDoorService::Execute() {
    try {
        ReportStates(m_Doors->Reload());
    } catch (const std::exception& e) {
        LogMailFault("loading the doors failed", e.what());
    }
    while (!IsTerminated()) {
        const int64_t untilExpiry = m_Doors->MsUntilNextExpiry(GetTickCount64ms());
        const int signalled = WaitObjects(untilExpiry < 0 ? 1000 : int(std::min<int64_t>(untilExpiry, 1000)));
        try {
            if (signalled == WAIT_MAIL) ProcessProxy(-1, false);
            const std::vector<TCRecordID> ended = m_Doors->Expire(GetTickCount64ms());
            if (!ended.empty()) ReportStates(ended);
        } catch (const std::exception& e) {
            LogMailFault("pass failed", e.what());
        }
    }
    return 0;
}

void TCDoorService::OnServiceMail(TCKnmsMessage& mail) {
    switch (mail.get_MailClassID()) {
    case Knms_DoorStatusMail:
        if (mail.IsRequest()) AnswerStatusRequest(mail);
        break;
    case Knms_DoorCommandMail:
        if (mail.IsRequest()) AnswerCommand(mail);
        break;
    case Knms_CardQueryMail:
        if (mail.get_SignalType() == KNMS_SIGNAL_CARD_QUERY && mail.IsRequest())
            AnswerCardQuery(mail);
        else if (mail.get_SignalType() == KNMS_SIGNAL_CARD_READ)
            TakeCardRead(mail);
        break;
    default:
        break;
    }
}

void TCDoorService::AnswerStatusRequest(const TCKnmsMessage& mail) {
    using Record = TCKnmsDoorStatusObject;
    TCKnmsMailMessage<Record> request;
    request.Copy(mail);
    // No records: every door; else the doors named.
    std::vector<TCRecordID> doors;
    if (request.get_RecordCount() == 0)
        doors = m_Doors->Reload();
    else
        for (size_t i = 0; i < std::min(request.get_RecordCount(), MAX_RECORDS); ++i)
            doors.push_back(request.get(i).Field(Record::DOOR_ID).get_AsRecordID());

    TCKnmsMailMessage<Record> reply;
    reply.CreateResponse(mail, KNMS_MARKER_REPLY);
    const int64_t now = GetTickCount64ms();
    for (const TCRecordID& id : doors)
        if (const TCDoorStates::TCDoor* door = m_Doors->Find(id)) {
            TCKnmsRecord& record = reply.AddRecord();
            record.Field(Record::DOOR_ID) = id;
            m_Doors->WriteState(*door, record, Record::KEYNODE_ID, now);
        }
    reply.SendResponse();
}

void TCDoorService::AnswerCommand(const TCKnmsMessage& mail) {
    using Record = TCKnmsDoorCommandObject;
    TCKnmsMailMessage<Record> request;
    request.Copy(mail);
    TCKnmsMailMessage<Record> reply;
    auto refuse = [&](const std::string& reason) {
        reply.CreateResponse(mail, KNMS_MARKER_ERROR_REPLY);
        reply.AddRecord().Field(Record::RESULT) = reason;
        reply.SendResponse();
    };
    if (request.get_RecordCount() != 1) return refuse("A door command names exactly one door");
    const TCKnmsRecord& command = request.get(0);
    const TCRecordID doorID = command.Field(Record::DOOR_ID).get_AsRecordID();
    const TCDoorStates::TCDoor* door = m_Doors->Find(doorID);
    if (door == nullptr)
        return refuse("Door " + command.Field(Record::DOOR_ID).get_AsString() + " is not known");
    const int64_t control = command.Field(Record::CONTROL).get_AsBigInt();
    if (command.Field(Record::CONTROL).IsNull() || control < 0 || control >= DOOR_CONTROL_COUNT)
        return refuse("Door command " + command.Field(Record::CONTROL).get_AsString() + " is not valid");
    // Only the unit that drives the door, or this unit on behalf of its own site, may be addressed.
    const std::string mac = NormalMac(command.Field(Record::KEYNODE_MAC).get_AsString());
    if (mac.empty() || (mac != OwnMac() && mac != TCDoorStates::KeynodeMac(door->Keynode)))
        return refuse("Keynode " + command.Field(Record::KEYNODE_MAC).get_AsString() +
                      " does not drive door " + std::to_string(doorID.get_ID()));

    const int64_t now = GetTickCount64ms();
    m_Doors->Command(doorID, eDoorControl(control), now);
    {
        Event::TCClientEvent event(AccessEvent::Type_DoorCommanded);
        event.set_Keynode(door->Keynode);
        event << Event::TCClientEventDetails(AccessEvent::DefinitionDetail_DoorID_id,
                                             DB::TableNumber::AccessDoors, doorID)
              << Event::TCClientEventDetails(AccessEvent::Member_DoorCommand).set_Value(int(control))
              << Event::TCClientEventDetails(WebEvent::DefinitionDetail_OperatorID_id,
                                             DB::TableNumber::WebUsers,
                                             command.Field(Record::OPERATOR_ID).get_AsRecordID())
              << Event::TCClientEventDetails(SystemEvent::DefinitionDetail_Information_id)
                     .set_Value(command.Field(Record::SOURCE).get_AsString());
    }

    reply.CreateResponse(mail, KNMS_MARKER_REPLY);
    TCKnmsRecord& answer = reply.AddRecord();
    answer.Field(Record::DOOR_ID) = doorID;
    answer.Field(Record::CONTROL) = int(control);
    answer.Field(Record::RESULT) = "ok";
    m_Doors->WriteState(*door, answer, Record::KEYNODE_ID, now);
    reply.SendResponse();
    ReportStates({doorID});
}

void TCDoorService::AnswerCardQuery(const TCKnmsMessage& mail) {
    TCKnmsMailMessage<TCKnmsCardQueryObject> request;
    request.Copy(mail);
    TCKnmsMailMessage<TCKnmsCardQueryObject> reply;
    reply.CreateResponse(mail, KNMS_MARKER_REPLY);
    for (size_t i = 0; i < std::min(request.get_RecordCount(), MAX_RECORDS); ++i) {
        TCCardData presented;
        TCKnmsCardQueryObject(request.get(i)).Find().Get(presented);
        // An unknown card is answered too: the read that follows is then refused as unknown.
        TCCardData card = presented;
        card.CardID = FindCard(presented);
        card.set_Status(card.CardID.IsNull() ? CARD_STATUS_UNKNOWN : CARD_STATUS_KNOWN);
        if (!card.CardID.IsNull()) {
            TCDBAccessCards cards;
            DB::TCDBIterator row = cards.SelectPrimary(card.CardID);
            if (row.IsNotEnd()) card.CardNumber = row.Field(Table_AccessCards::CARDNO).get_AsNullString();
        }
        TCKnmsCardQueryObject answer = reply.CreateRecord();
        answer.Find() = presented;
        answer.CardRecord() = card;
    }
    reply.SendResponse();
}

void TCDoorService::TakeCardRead(const TCKnmsMessage& mail) {
    TCKnmsMailMessage<TCKnmsCardQueryObject> reads;
    reads.Copy(mail);
    for (size_t i = 0; i < std::min(reads.get_RecordCount(), MAX_RECORDS); ++i) {
        TCCardData card;
        TCKnmsCardQueryObject(reads.get(i)).CardRecord().Get(card);
        if (card.get_Status() != CARD_STATUS_READ) continue;
        const TCDoorStates::TCDoor* door = m_Doors->Find(card.DoorID);
        if (door == nullptr) {
            LogMailFault("card read at an unknown door", std::to_string(card.DoorID.get_ID()));
            continue;
        }
        // The card is looked up again: what the mail says it is counts for nothing.
        TEAccessDenial denial =
            door->Control == DOOR_CONTROL_BLOCK
                ? TEAccessDenial::DoorBlocked
                : DecideAccess(FindCard(card), card.DoorID, TCLocalTime::FromUtc(m_Config.clock()));
        const bool granted =
            denial == TEAccessDenial::None && m_Doors->Grant(card.DoorID, GetTickCount64ms());
        {
            Event::TCClientEvent event(granted ? AccessEvent::Type_AccessGranted
                                               : AccessEvent::Type_AccessDenied);
            event.set_Keynode(door->Keynode);
            event << Event::TCClientEventDetails(AccessEvent::DefinitionDetail_DoorID_id,
                                                 DB::TableNumber::AccessDoors, card.DoorID)
                  << Event::TCClientEventDetails(AccessEvent::DefinitionDetail_ReaderID_id,
                                                 DB::TableNumber::AccessReaders, card.ReaderID);
            if (card.CardNumber.IsNotNull())
                event << Event::TCClientEventDetails(AccessEvent::DefinitionDetail_CardNumber_id)
                             .set_Value(card.CardNumber.get_Value());
            if (!card.ChipID.IsNull())
                event << Event::TCClientEventDetails(AccessEvent::DefinitionDetail_ChipID_id)
                             .set_Value(card.ChipID.get_AsString().get_Value());
            if (!granted)
                event << Event::TCClientEventDetails(AccessEvent::Member_DenialReason)
                             .set_Value(std::string(DenialReasonText(denial)));
        }
        if (granted) ReportStates({card.DoorID});
    }
}

void TCDoorService::ReportStates(const std::vector<TCRecordID>& doors) {
    using Record = TCKnmsDoorStatusObject;
    if (doors.empty()) return;
    TCKnmsMailMessage<Record> notice(Knms_DoorStatusMail, KNMS_SIGNAL_DATA, KNMS_MARKER_NOTICE);
    const int64_t now = GetTickCount64ms();
    for (const TCRecordID& id : doors)
        if (const TCDoorStates::TCDoor* door = m_Doors->Find(id)) {
            TCKnmsRecord& record = notice.AddRecord();
            record.Field(Record::DOOR_ID) = id;
            m_Doors->WriteState(*door, record, Record::KEYNODE_ID, now);
        }
    try {
        Send(WebApiServiceName(), notice.Message());
    } catch (const std::exception& e) {
        LogMailFault("status report not sent", e.what());
    }
}

} // namespace Access
