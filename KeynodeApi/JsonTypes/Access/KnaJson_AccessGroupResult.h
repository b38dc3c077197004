#pragma once
#include <string>
#include <vector>

#include "JsonTypes/Access/KnaJson_AccessGroup.h"

namespace KeynodeApi {

// The answer of a GET of access groups: {"records": [...]}, also when nothing matched.
class KnaJson_AccessGroupResult : public KnaJson_BaseType {
public:
    void Clear() { m_Records.clear(); }
    // Adds the group the identity names, if there is one. Throws for an identity without any part.
    void SelectByCrossID(const KnaJson_CrossID& id);
    // Adds every group with exactly this name.
    void SelectByName(const std::string& name);
    void SelectAll();

    const std::vector<KnaJson_AccessGroup>& GetRecords() const { return m_Records; }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void SerializeToDoc(rapidjson::Document& doc) const override;

private:
    void AddAll(DB::TCDBIterator& rows);

    std::vector<KnaJson_AccessGroup> m_Records;
};

} // namespace KeynodeApi
