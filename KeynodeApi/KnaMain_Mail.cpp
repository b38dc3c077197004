#include "KnaMain.h"

#include "Debug/TCDebug.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Event/TCClientEvent.h"
#include "Interface/KnaWebRequest_MailRouter.h"
#include "Interface/KnaWebResponse_MailRouter.h"
#include "KnaUtil.h"
#include "Mail/TCKnmsMailMessage.h"
#include "Mail/TCKnmsRecords.h"

namespace KeynodeApi {

namespace {

using Record = TCKnmsWebApiRequestObject;

TCWebApiRequestData ReadRequestData(const TCKnmsRecord& record) {
    TCWebApiRequestData data;
    data.UserName = record.Field(Record::USER_NAME).get_AsString();
    data.Path = record.Field(Record::PATH).get_AsString();
    data.Method = record.Field(Record::METHOD).get_AsString();
    data.Body = record.Field(Record::BODY).get_AsString();
    data.QueryParams = record.Field(Record::QUERY_PARAMS).get_AsString();
    data.MaxResponseSize = record.Field(Record::MAX_RESPONSE_SIZE).get_AsInteger();
    return data;
}

void SendErrorReply(const TCKnmsMessage& mail, const std::string& errorText) {
    Event::TCClientEvent event(KeynodeWebApi::Type_InternalError);
    Event::TCClientEventDetails detail(KeynodeWebApi::Member_InternalError);
    detail.set_Value(KnaUtil::GetEvenlogFriendlyErrorString(errorText));
    event << detail;

    TCKnmsMailMessage<Record> reply;
    reply.CreateResponse(mail, KNMS_MARKER_ERROR_REPLY);
    TCKnmsRecord& record = reply.AddRecord();
    record.Field(Record::ERROR_CODE) = 1;
    record.Field(Record::ERROR_TEXT) = errorText;
    reply.SendResponse();
    if (IsDebugLevel(DEBUG_COMMON))
        SendDebugOutput(DEBUG_COMMON, "KnaMain::Knms_WebApiRequestMail Error Reply sent");
}

} // namespace

void KnaMain::OnServiceMail(TCKnmsMessage& mail) {
    switch (mail.get_MailClassID()) {
    case Knms_ExternalRouterStatus: {
        TCKnmsMailMessage<TCKnmsExternalRouterStatusObject> status;
        status.Copy(mail);
        m_DoorInterface->OnlineStatus(status);
        break;
    }
    case Access::Knms_DoorStatusMail: {
        TCKnmsMailMessage<Access::TCKnmsDoorStatusObject> status;
        status.Copy(mail);
        m_DoorInterface->DoorMail(status);
        break;
    }
    case Knms_WebApiRequestMail:
        HandleRequest(mail);
        break;
    default:
        break;
    }
}

void KnaMain::HandleRequest(const TCKnmsMessage& mail) {
    if (mail.get_MailClassID() != Knms_WebApiRequestMail || !mail.IsRequest()) return;
    if (IsDebugLevel(DEBUG_COMMON)) SendDebugOutput(DEBUG_COMMON, "KnaMain::Knms_WebApiRequestMail received");
    TCKnmsMailMessage<Record> request;
    request.Copy(mail);
    if (request.get_RecordCount() == 0) return;

    std::string errorText;
    try {
        KnaWebRequest_MailRouter webRequest(ReadRequestData(request.get(0)));
        KnaWebResponse_MailRouter webResponse;
        HandleRequest(webRequest, webResponse);
        const TCWebApiResponseData& data = webResponse.GetMailResponse();

        TCKnmsMailMessage<Record> reply;
        reply.CreateResponse(mail, KNMS_MARKER_REPLY);
        TCKnmsRecord& record = reply.AddRecord();
        record.Field(Record::STATUS) = data.Status;
        record.Field(Record::RESPONSE_BODY) = data.Body;
        reply.SendResponse();
        if (IsDebugLevel(DEBUG_COMMON))
            SendDebugOutput(DEBUG_COMMON, "KnaMain::Knms_WebApiRequestMail Reply sent");
        return;
    } catch (const TCException& e) {
        errorText = e.GetText();
    } catch (const std::exception& e) {
        errorText = e.what();
    } catch (...) {
        errorText = "Unknown exception";
    }
    if (errorText.empty()) return;
    try {
        SendErrorReply(mail, errorText);
    } catch (const std::exception& e) {
        // The sender is gone; nothing else waits for this answer.
        if (IsDebugLevel(DEBUG_COMMON))
            SendDebugOutput(DEBUG_COMMON, "KnaMain: error reply failed: %s", e.what());
    }
}

} // namespace KeynodeApi
