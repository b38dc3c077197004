#include "Access/TCAccessDoorInterface.h"

void TCAccessDoorInterface::SetProxy(TCKnmsServiceProxy* proxy, bool viaMaster) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Proxy = proxy;
    m_ViaMaster = viaMaster;
}

void TCAccessDoorInterface::Initialize() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_States.clear();
    m_OfflineKeynodes.clear();
}

void TCAccessDoorInterface::Refresh() {
    Initialize();
}

void TCAccessDoorInterface::DoorMail(const TCKnmsMailMessage<Access::TCKnmsDoorStatusObject>& mail) {
    using Record = Access::TCKnmsDoorStatusObject;
    std::lock_guard<std::mutex> lock(m_Mutex);
    for (size_t i = 0; i < mail.get_RecordCount(); ++i) {
        const TCKnmsRecord& record = mail.get(i);
        if (record.Field(Record::DOOR_ID).IsNull()) continue;
        TCDoorState& state = m_States[Accessories::TCRecordID(record.Field(Record::DOOR_ID).get_AsBigInt())];
        state.Position = record.Field(Record::POSITION).get_AsNullInt();
        state.Cause = record.Field(Record::CAUSE).get_AsNullInt();
        state.Intrusion = record.Field(Record::INTRUSION).get_AsNullInt();
    }
}

std::set<Accessories::TCRecordID>
TCAccessDoorInterface::OnlineStatus(const TCKnmsMailMessage<TCKnmsExternalRouterStatusObject>& mail) {
    using Record = TCKnmsExternalRouterStatusObject;
    std::lock_guard<std::mutex> lock(m_Mutex);
    std::set<Accessories::TCRecordID> wentOffline;
    for (size_t i = 0; i < mail.get_RecordCount(); ++i) {
        const TCKnmsRecord& record = mail.get(i);
        const Accessories::TCRecordID keynode(record.Field(Record::KEYNODE_ID).get_AsBigInt());
        if (record.Field(Record::ONLINE).get_AsInteger() == 0) {
            if (m_OfflineKeynodes.insert(keynode).second) wentOffline.insert(keynode);
        } else {
            m_OfflineKeynodes.erase(keynode);
        }
    }
    return wentOffline;
}

bool TCAccessDoorInterface::FindStatus(const Accessories::TCRecordID& doorID, TCDoorState& state) const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    const auto found = m_States.find(doorID);
    if (found == m_States.end()) return false;
    state = found->second;
    return true;
}

bool TCAccessDoorInterface::IsViaMaster() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_ViaMaster;
}

TCKnmsServiceProxy* TCAccessDoorInterface::GetProxy() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Proxy;
}
