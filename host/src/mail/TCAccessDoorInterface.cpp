#include "Access/TCAccessDoorInterface.h"

#include "Host/TCException.h"
#include "Mail/TCKnmsServiceProxy.h"
#include "Thread/TCThread.h"

using Accessories::TCRecordID;

TCKnmsServiceName TCAccessDoorInterface::DoorServiceName() {
    return TCKnmsServiceName::MakeLocalProcess("@keynodeaccess.doors", "");
}

void TCAccessDoorInterface::SetProxy(TCKnmsServiceProxy* proxy, bool viaMaster) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Proxy = proxy;
    m_ViaMaster = viaMaster;
}

void TCAccessDoorInterface::Initialize() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_States.clear();
    m_OfflineKeynodes.clear();
    m_Synchronized = false;
    m_RetryAfterMs = 0;
    ++m_Generation;
}

void TCAccessDoorInterface::Refresh() {
    Initialize();
}

void TCAccessDoorInterface::TakeState(const TCKnmsRecord& record, int doorField, int keynodeField) {
    const TCRecordID doorID = record.Field(size_t(doorField)).get_AsRecordID();
    if (doorID.IsNull()) return;
    auto field = [&](int offset) -> const TCKnmsField& {
        return record.Field(size_t(keynodeField + offset));
    };
    const int64_t version = field(5).get_AsBigInt();
    TCKnownState& known = m_States[doorID];
    // Version 0: a sender that does not count its changes; its word is taken as it comes.
    if (version != 0 && known.Version != 0 && version <= known.Version) return;
    known.Version = version;
    known.Keynode = field(0).get_AsRecordID();
    known.State.DoorID = doorID;
    known.State.Position = field(1).get_AsInteger();
    known.State.PositionCause = field(2).get_AsInteger();
    known.State.Exception = field(3).get_AsInteger();
    known.State.Intrusion = field(4).get_AsInteger();
}

void TCAccessDoorInterface::DoorMail(const TCKnmsMailMessage<Access::TCKnmsDoorStatusObject>& mail) {
    using Record = Access::TCKnmsDoorStatusObject;
    std::lock_guard<std::mutex> lock(m_Mutex);
    for (size_t i = 0; i < mail.get_RecordCount(); ++i)
        TakeState(mail.get(i), Record::DOOR_ID, Record::KEYNODE_ID);
}

std::set<TCRecordID>
TCAccessDoorInterface::OnlineStatus(const TCKnmsMailMessage<TCKnmsExternalRouterStatusObject>& mail) {
    using Record = TCKnmsExternalRouterStatusObject;
    std::lock_guard<std::mutex> lock(m_Mutex);
    std::set<TCRecordID> wentOffline;
    for (size_t i = 0; i < mail.get_RecordCount(); ++i) {
        const TCKnmsRecord& record = mail.get(i);
        const TCRecordID keynode(record.Field(Record::KEYNODE_ID).get_AsBigInt());
        if (record.Field(Record::ONLINE).get_AsInteger() == 0) {
            if (m_OfflineKeynodes.insert(keynode).second) wentOffline.insert(keynode);
        } else {
            m_OfflineKeynodes.erase(keynode);
        }
    }
    return wentOffline;
}

void TCAccessDoorInterface::Synchronize() {
    std::lock_guard<std::mutex> syncLock(m_SyncMutex);
    TCKnmsServiceProxy* proxy = nullptr;
    uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (m_Synchronized || GetTickCount64ms() < m_RetryAfterMs) return;
        proxy = m_Proxy;
        generation = m_Generation;
    }
    // A request without records asks for every door.
    TCKnmsMessage request(Access::Knms_DoorStatusMail, KNMS_SIGNAL_DATA, KNMS_MARKER_REQUEST);
    const bool answered = proxy != nullptr &&
                          proxy->SendAndWait(DoorServiceName(), request, SYNC_TIMEOUT_MS) &&
                          request.get_Marker() == KNMS_MARKER_REPLY;
    TCKnmsMailMessage<Access::TCKnmsDoorStatusObject> reply;
    if (answered) reply.Copy(request);
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (generation != m_Generation) return;
    if (!answered) {
        m_RetryAfterMs = GetTickCount64ms() + SYNC_RETRY_MS;
        return;
    }
    for (size_t i = 0; i < reply.get_RecordCount(); ++i)
        TakeState(reply.get(i), Access::TCKnmsDoorStatusObject::DOOR_ID,
                  Access::TCKnmsDoorStatusObject::KEYNODE_ID);
    m_Synchronized = true;
}

TCAccessDoorInterface::TCDoorState TCAccessDoorInterface::FindStatus(const TCRecordID& doorID) {
    Synchronize();
    std::lock_guard<std::mutex> lock(m_Mutex);
    TCDoorState state;
    state.DoorID = doorID;
    const auto found = m_States.find(doorID);
    if (found == m_States.end()) return state;
    state = found->second.State;
    if (m_OfflineKeynodes.count(found->second.Keynode) > 0) state.Exception = Access::DOOR_EXCEPTION_OFFLINE;
    return state;
}

std::string TCAccessDoorInterface::ChangeState(const std::string& keynodeMac, const TCRecordID& doorID,
                                               Access::eDoorControl control, const TCRecordID& operatorID,
                                               const std::string& source) {
    using Record = Access::TCKnmsDoorCommandObject;
    TCKnmsServiceProxy* proxy = GetProxy();
    if (proxy == nullptr)
        throw TCException(__FILE__, __LINE__, "The door service cannot be reached: no mail proxy");

    TCKnmsMailMessage<Record> command(Access::Knms_DoorCommandMail, KNMS_SIGNAL_DATA, KNMS_MARKER_REQUEST);
    TCKnmsRecord& record = command.AddRecord();
    record.Field(Record::KEYNODE_MAC) = keynodeMac;
    record.Field(Record::DOOR_ID) = doorID;
    record.Field(Record::CONTROL) = int(control);
    record.Field(Record::OPERATOR_ID) = operatorID;
    record.Field(Record::SOURCE) = source;

    std::string error;
    TCKnmsMessage& mail = command.Message();
    if (!proxy->SendAndWait(DoorServiceName(), mail, COMMAND_TIMEOUT_MS, &error))
        throw TCException(__FILE__, __LINE__)
            .Format("Door %lld could not be commanded: %s", static_cast<long long>(doorID.get_ID()),
                    error.c_str());
    TCKnmsMailMessage<Record> reply;
    reply.Copy(mail);
    const std::string result =
        reply.get_RecordCount() > 0 ? reply.get(0).Field(Record::RESULT).get_AsString() : "";
    if (mail.get_Marker() != KNMS_MARKER_REPLY)
        throw TCException(__FILE__, __LINE__)
            .Format("Door %lld refused the command: %s", static_cast<long long>(doorID.get_ID()),
                    result.empty() ? "no reason given" : result.c_str());
    if (reply.get_RecordCount() > 0) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        TakeState(reply.get(0), Record::DOOR_ID, Record::KEYNODE_ID);
    }
    return result;
}

bool TCAccessDoorInterface::IsViaMaster() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_ViaMaster;
}

TCKnmsServiceProxy* TCAccessDoorInterface::GetProxy() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Proxy;
}
