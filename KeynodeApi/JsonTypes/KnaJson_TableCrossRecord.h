#pragma once
#include "JsonTypes/KnaJson_CrossID.h"
#include "JsonTypes/KnaJson_ID.h"

namespace KeynodeApi {

// A record of a table named by an identity: {"tableId": 5, "id": {"id": null, "extId": "A-7"},
// "keynodeId": {"id": null}}. The payload of the record-not-found error.
class KnaJson_TableCrossRecord : public KnaJson_BaseType {
public:
    KnaJson_TableCrossRecord() = default;
    KnaJson_TableCrossRecord(int tableID, const KnaJson_CrossID& id, const KnaJson_ID& keynodeID)
        : m_TableID(tableID), m_ID(id), m_KeynodeID(keynodeID) {}

    int GetTableID() const { return m_TableID; }
    const KnaJson_CrossID& GetID() const { return m_ID; }
    const KnaJson_ID& GetKeynodeID() const { return m_KeynodeID; }
    void Clear() { m_TableID = 0, m_ID.Clear(), m_KeynodeID.Clear(); }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;

private:
    int m_TableID = 0;
    KnaJson_CrossID m_ID;
    KnaJson_ID m_KeynodeID;
};

} // namespace KeynodeApi
