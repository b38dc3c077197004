#pragma once
#include "JsonTypes/KnaJson_ID.h"

namespace KeynodeApi {

// A record of a table: {"tableId": 5, "id": {"id": 12}, "keynodeId": {"id": null}}.
class KnaJson_TableRecord : public KnaJson_BaseType {
public:
    KnaJson_TableRecord() = default;
    KnaJson_TableRecord(int tableID, const KnaJson_ID& id, const KnaJson_ID& keynodeID)
        : m_TableID(tableID), m_ID(id), m_KeynodeID(keynodeID) {}

    int GetTableID() const { return m_TableID; }
    const KnaJson_ID& GetID() const { return m_ID; }
    const KnaJson_ID& GetKeynodeID() const { return m_KeynodeID; }
    void Clear() { m_TableID = 0, m_ID.Clear(), m_KeynodeID.Clear(); }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;

private:
    int m_TableID = 0;
    KnaJson_ID m_ID;
    KnaJson_ID m_KeynodeID;
};

} // namespace KeynodeApi
