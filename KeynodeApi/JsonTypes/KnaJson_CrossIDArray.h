#pragma once
#include <set>
#include <vector>

#include "JsonTypes/KnaJson_CrossID.h"

namespace KeynodeApi {

// {"ids": [{"id": 1}, {"extId": "A-7"}, ...]}, in the order given. The user of the list resolves the
// entries one by one.
class KnaJson_CrossIDArray : public KnaJson_BaseType {
public:
    KnaJson_CrossIDArray() = default;
    explicit KnaJson_CrossIDArray(std::vector<KnaJson_CrossID> ids) : m_IDs(std::move(ids)) {}

    const std::vector<KnaJson_CrossID>& GetIDs() const { return m_IDs; }
    void AddID(const KnaJson_CrossID& id) { m_IDs.push_back(id); }
    void Clear() { m_IDs.clear(); }
    // The numeric IDs of the entries; entries with only an external ID are left out.
    std::set<Accessories::TCRecordID> GetNumericIDs() const;

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;

private:
    std::vector<KnaJson_CrossID> m_IDs;
};

} // namespace KeynodeApi
