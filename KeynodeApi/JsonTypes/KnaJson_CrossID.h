#pragma once
#include <cstdint>
#include <string>

#include "JsonTypes/KnaJson_BaseType.h"

namespace DB {
class TCDBIterator;
}

namespace KeynodeApi {

class KnaJson_ID;

// A record named by its ID, by an external ID an outside system attached to it, or both:
// {"id": 12, "extId": "A-7"}. Lookups use the external ID when it is set.
class KnaJson_CrossID : public KnaJson_BaseType {
public:
    KnaJson_CrossID() = default;
    explicit KnaJson_CrossID(int64_t id) { Initialize(id, false, std::string(), true); }
    explicit KnaJson_CrossID(const std::string& externalID) { Initialize(0, true, externalID, false); }
    KnaJson_CrossID(int64_t id, const std::string& externalID) { Initialize(id, false, externalID, false); }
    KnaJson_CrossID(int64_t id, const Accessories::TCNullTypes<std::string>& externalID) {
        Initialize(id, false, externalID.get_Value(), externalID.IsNull());
    }
    explicit KnaJson_CrossID(const KnaJson_ID& id);
    explicit KnaJson_CrossID(const rapidjson::Value& value) { Deserialize(value); }
    // The identity of a referenced row: its ID with its external ID when the row still exists, else the
    // bare ID.
    static KnaJson_CrossID LoadReference(DB::TCDBBasicTable& table, const Accessories::TCRecordID& id);
    // The identity of the iterator's current row.
    static KnaJson_CrossID FromRow(const DB::TCDBIterator& row);
    KnaJson_CrossID(const KnaJson_CrossID&) = default;
    KnaJson_CrossID& operator=(const KnaJson_CrossID&) = default;

    void Initialize(int64_t id, bool idIsNull, const std::string& externalID, bool externalIDIsNull);
    void Clear() { Initialize(0, true, std::string(), true); }

    bool IsIDNull() const { return m_IDIsNull; }
    int64_t GetID() const { return m_ID; }
    Accessories::TCRecordID GetRecordID() const {
        return m_IDIsNull ? Accessories::TCRecordID() : Accessories::TCRecordID(m_ID);
    }
    bool IsExternalIDNull() const { return m_ExternalIDIsNull; }
    const std::string& GetExternalID() const { return m_ExternalID; }
    Accessories::TCNullTypes<std::string> GetNullExternalID() const {
        return m_ExternalIDIsNull ? Accessories::TCNullTypes<std::string>() : m_ExternalID;
    }

    // Null flags equal pairwise, and the parts that are set equal.
    bool operator==(const KnaJson_CrossID& other) const;
    bool operator!=(const KnaJson_CrossID& other) const { return !(*this == other); }

    // "id" always (null when not set), "extId" only when set.
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void Deserialize(const rapidjson::Document& doc) override;
    // Neither member is required; an empty identity is refused where it is used.
    void Deserialize(const rapidjson::Value& value) override;

private:
    int64_t m_ID = 0;
    bool m_IDIsNull = true;
    std::string m_ExternalID;
    bool m_ExternalIDIsNull = true;
};

} // namespace KeynodeApi
