#include "Handlers/Management/KnaManagement_SimulateCardRead_Handler.h"

#include "Access/TCAccessDoorInterface.h"
#include "Access/TCCardData.h"
#include "DB/Tables/TableNumbers.h"
#include "Event/HostEvents.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Event/TCClientEvent.h"
#include "JsonTypes/Management/KnaJson_SimulateCardRead.h"
#include "KnaException.h"
#include "KnaHandlerInfo.h"
#include "Mail/TCKnmsMailMessage.h"
#include "Mail/TCKnmsRecords.h"
#include "Mail/TCKnmsServiceProxy.h"
#include "Text/TCTranslate.h"

namespace KeynodeApi {
namespace {

void WriteEvent(const Access::TCCardData& card, const KnaWebRequest& request) {
    using Event::TCClientEventDetails;
    Event::TCClientEvent event(KeynodeWebApi::Type_ApiActionExecuted);
    event << TCClientEventDetails(SystemEvent::DefinitionDetail_Information_id, {}, {},
                                  DoTranslateText("KeynodeApi", "KnaManagement_SimulateCardRead_Handler",
                                                  "_t_Simulate card read executed from {%1}",
                                                  {request.GetSourceModule()}))
          << TCClientEventDetails(AccessEvent::DefinitionDetail_DoorID_id, DB::TableNumber::AccessDoors,
                                  card.DoorID)
          << TCClientEventDetails(AccessEvent::DefinitionDetail_ReaderID_id, DB::TableNumber::AccessReaders,
                                  card.ReaderID)
          << TCClientEventDetails(WebEvent::DefinitionDetail_OperatorID_id, DB::TableNumber::WebUsers,
                                  request.GetUserID());
    if (card.CardNumber.IsNotNull())
        event << TCClientEventDetails(AccessEvent::DefinitionDetail_CardNumber_id, {}, {}, card.CardNumber);
    if (!card.ChipID.IsNull())
        event << TCClientEventDetails(AccessEvent::DefinitionDetail_ChipID_id, {}, {},
                                      card.ChipID.get_AsString().get_Value("<null>"));
}

} // namespace

void KnaManagement_SimulateCardRead_Handler::GetSupportedClaims(std::set<int>& claims) const {
    claims.insert(Management_SimulateCardRead_Handler_Info_POST.GetEndpointNumber());
}

void KnaManagement_SimulateCardRead_Handler::POST(const KnaWebRequest& request, KnaWebResponse&) {
    if (m_ServiceProxy == nullptr)
        throw KnaException(__FILE__, __LINE__, "m_ServiceProxy != __null")
            .FormatOverride("Service proxy interface not initialized");
    KnaJson_SimulateCardRead read;
    ReadBody(request, read);
    read.ValidateRecords();

    Access::TCCardData card;
    card.CardNumber = read.GetCardNumber();
    card.DoorID = read.GetDoorID().GetRecordID();
    card.ReaderID = read.GetReaderID().GetRecordID();
    if (read.GetChipBitLength() != 0) card.ChipID.load(true, read.GetChipNumber(), read.GetChipBitLength());

    using Query = Access::TCKnmsCardQueryObject;
    TCKnmsMailMessage<Query> query(Query::m_MailClassID, Access::KNMS_SIGNAL_CARD_QUERY, KNMS_MARKER_REQUEST);
    query.CreateRecord().Find() = card;
    std::string error;
    if (!m_ServiceProxy->SendAndWait(TCAccessDoorInterface::DoorServiceName(), query.Message(), -1, &error))
        throw TCException(__FILE__, __LINE__).Format("The door service did not answer: %s", error.c_str());
    TCKnmsMailMessage<Query> reply;
    reply.Copy(query.Message());
    if (reply.Message().get_Marker() != KNMS_MARKER_REPLY)
        throw TCException(__FILE__, __LINE__, "The door service refused the card query");
    if (reply.get_RecordCount() == 0) return;

    Query(reply.get(0)).CardRecord().Get(card);
    card.set_Status(Access::CARD_STATUS_READ);
    // Marker 2: a one-way mail, the door service does not answer a read.
    auto readMail = TCKnmsMailMessage<Query>::Create(Query::m_MailClassID, Access::KNMS_SIGNAL_CARD_READ, 2);
    readMail.CreateRecord().CardRecord() = card;
    readMail.Message().Send(TCAccessDoorInterface::DoorServiceName(), *m_ServiceProxy, 0);
    WriteEvent(card, request);
}

} // namespace KeynodeApi
