#pragma once
#include <string>

#include "JsonTypes/Config/KnaJson_Version.h"
#include "JsonTypes/KnaJson_ID.h"

namespace DB {
class TCDBIterator;
}

namespace KeynodeApi {

// One controller unit of the installation, from a row of Table_SystemKeynodes.
class KnaJson_Keynode : public KnaJson_BaseType {
public:
    // The unit this library runs on: its row when there is one, otherwise what the running system reports.
    KnaJson_Keynode();
    explicit KnaJson_Keynode(DB::TCDBIterator& row);

    // Leaves the version as it is: it tells which software the unit runs, not what the row holds.
    void Clear();
    // False, and cleared, at the end of the iterator.
    bool LoadFromIterator(DB::TCDBIterator& row);

    const KnaJson_ID& GetID() const { return m_ID; }
    const std::string& GetName() const { return m_Name; }
    const std::string& GetIPAddress() const { return m_IPAddress; }
    int GetPort() const { return m_Port; }
    const std::string& GetMACAddress() const { return m_MACAddress; }
    bool IsMaster() const { return m_IsMaster; }
    const KnaJson_Version& GetVersion() const { return m_Version; }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;

private:
    void LoadFromRunningSystem();

    KnaJson_ID m_ID;
    std::string m_Name;
    std::string m_IPAddress;
    int m_Port = -1;
    std::string m_MACAddress;
    bool m_IsMaster = false;
    int m_VariantType = 2;
    std::string m_VariantName = "Complete";
    KnaJson_Version m_Version;
};

} // namespace KeynodeApi
