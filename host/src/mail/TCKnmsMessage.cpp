#include "Mail/TCKnmsMessage.h"

#include "Host/TCException.h"
#include "Mail/TCKnmsServiceProxy.h"
#include "mail/KnmsConnection.h"

TCKnmsServiceName TCKnmsServiceName::MakeLocalProcess(const std::string& process, const std::string& task) {
    TCKnmsServiceName name;
    name.m_Process = process;
    name.m_Task = task;
    return name;
}

std::string TCKnmsServiceName::get_AsString() const {
    return m_Task.empty() ? m_Process : m_Process + "/" + m_Task;
}

TCKnmsMessage::TCKnmsMessage(int mailClassID, int signalType, int marker)
    : m_MailClassID(mailClassID), m_SignalType(signalType), m_Marker(marker) {}

TCKnmsMessage TCKnmsMessage::Create(int mailClassID, int signalType, int marker) {
    return TCKnmsMessage(mailClassID, signalType, marker);
}

TCKnmsRecord& TCKnmsMessage::get(size_t index) {
    if (index >= m_Records.size())
        throw TCException(__FILE__, __LINE__).Format("Mail has no record %zu", index);
    return m_Records[index];
}

const TCKnmsRecord& TCKnmsMessage::get(size_t index) const {
    if (index >= m_Records.size())
        throw TCException(__FILE__, __LINE__).Format("Mail has no record %zu", index);
    return m_Records[index];
}

TCKnmsRecord& TCKnmsMessage::AddRecord(size_t fieldCount) {
    m_Records.emplace_back(fieldCount);
    return m_Records.back();
}

void TCKnmsMessage::CreateResponse(const TCKnmsMessage& request, int marker) {
    m_MailClassID = request.m_MailClassID;
    m_SignalType = request.m_SignalType;
    m_Marker = marker;
    m_Sequence = 0;
    m_ReplyTo = request.m_Sequence;
    m_ReplyTarget = request.m_Sender;
    m_Route = request.m_Route;
    m_Records.clear();
}

void TCKnmsMessage::Send(const TCKnmsServiceName& to, TCKnmsServiceProxy& proxy, int) {
    proxy.Send(to, *this);
}

void TCKnmsMessage::SendResponse() {
    const std::shared_ptr<TCKnmsConnection> route = m_Route.lock();
    if (!route || m_ReplyTarget.empty())
        throw TCException(__FILE__, __LINE__, "The connection of the request is gone");
    route->SendMail(m_ReplyTarget, *this);
}
