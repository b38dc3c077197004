#pragma once
#include <vector>

#include "JsonTypes/Access/KnaJson_CardHolder.h"

namespace KeynodeApi {

// The answer of a GET of card holders: {"records": [...]}, also when nothing matched.
class KnaJson_CardHolderResult : public KnaJson_BaseType {
public:
    void Clear() { m_Records.clear(); }
    void Add(const KnaJson_CardHolder& holder) { m_Records.push_back(holder); }
    // Adds the row's card holder; used for every row of a select.
    void AddRow(DB::TCDBIterator& row) { m_Records.emplace_back(row); }
    // Adds the holder the identity names, if there is one ("Card holder id is required" for an identity
    // without any part).
    void SelectByCrossID(const KnaJson_CrossID& id);

    const std::vector<KnaJson_CardHolder>& GetRecords() const { return m_Records; }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void SerializeToDoc(rapidjson::Document& doc) const override;

private:
    std::vector<KnaJson_CardHolder> m_Records;
};

} // namespace KeynodeApi
