#include "JsonTypes/Config/KnaJson_Keynode.h"

#include "DB/Tables/SystemTables.h"
#include "Net/TCIPNetworkInterfaceSettings.h"

namespace KeynodeApi {

namespace {

// The software of this unit and, as far as the API knows, of the other units.
const KnaJson_Version kOwnUnitVersion(2, 12, 7);
const KnaJson_Version kOtherUnitVersion(0, 9, 4);
// Port of the unit-to-unit service when the unit has no row telling otherwise.
const int kDefaultKeynodePort = 29700;

} // namespace

KnaJson_Keynode::KnaJson_Keynode() : m_Version(kOtherUnitVersion) {
    Clear();
    const Accessories::TCRecordID own = System::TCDBKeynodes::get_OwnID(true);
    if (own.IsNotNull()) {
        System::TCDBKeynodes keynodes;
        DB::TCDBIterator row = keynodes.SelectPrimary(own);
        if (row.IsNotEnd()) LoadFromIterator(row);
    }
    if (m_ID.IsNull()) LoadFromRunningSystem();
}

KnaJson_Keynode::KnaJson_Keynode(DB::TCDBIterator& row) : m_Version(kOtherUnitVersion) {
    LoadFromIterator(row);
}

void KnaJson_Keynode::Clear() {
    m_ID.Clear();
    m_Name.clear();
    m_IPAddress.clear();
    m_Port = -1;
    m_MACAddress.clear();
    m_IsMaster = false;
    m_VariantType = 2;
    m_VariantName = "Complete";
}

bool KnaJson_Keynode::LoadFromIterator(DB::TCDBIterator& row) {
    Clear();
    if (row.IsEnd()) return false;
    m_ID = KnaJson_ID(row.Field(Table_SystemKeynodes::ID).get_AsRecordID());
    m_Name = row.Field(Table_SystemKeynodes::NAME).get_AsString();
    m_IPAddress = row.Field(Table_SystemKeynodes::IP).get_AsString();
    m_Port = row.Field(Table_SystemKeynodes::PORT).get_AsInteger();
    m_MACAddress = row.Field(Table_SystemKeynodes::MAC).get_AsString();
    m_IsMaster = row.Field(Table_SystemKeynodes::IS_MASTER).get_AsInteger() == 1;
    if (System::TCDBKeynodes::get_OwnID(true) == m_ID.GetRecordID()) m_Version = kOwnUnitVersion;
    return true;
}

void KnaJson_Keynode::LoadFromRunningSystem() {
    m_ID.Clear();
    m_Name = TCIPNetworkInterfaceSettings::GetLocalHostname();
    m_IPAddress = TCIPNetworkInterfaceSettings::GetIPAddress("").get_AsString();
    m_MACAddress = TCIPNetworkInterfaceSettings::GetMACAddress("").get_AsString(':');
    m_Port = kDefaultKeynodePort;
    m_IsMaster = false;
    m_Version = kOwnUnitVersion;
}

bool KnaJson_Keynode::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    rapidjson::Value id;
    m_ID.SerializeToValue(allocator, id);
    value.AddMember("id", id, allocator);
    value.AddMember("name", rapidjson::Value(m_Name, allocator), allocator);
    value.AddMember("ipAddress", rapidjson::Value(m_IPAddress, allocator), allocator);
    value.AddMember("port", m_Port, allocator);
    value.AddMember("macAddress", rapidjson::Value(m_MACAddress, allocator), allocator);
    value.AddMember("isMaster", m_IsMaster, allocator);
    value.AddMember("variantType", m_VariantType, allocator);
    value.AddMember("variantName", rapidjson::Value(m_VariantName, allocator), allocator);
    rapidjson::Value version;
    m_Version.SerializeToValue(allocator, version);
    value.AddMember("version", version, allocator);
    return true;
}

} // namespace KeynodeApi
