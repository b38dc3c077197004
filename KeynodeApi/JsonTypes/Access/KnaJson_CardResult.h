#pragma once
#include <string>
#include <vector>

#include "JsonTypes/Access/KnaJson_Card.h"

namespace KeynodeApi {

// The answer of a GET of cards: {"records": [...]}, also when nothing matched.
class KnaJson_CardResult : public KnaJson_BaseType {
public:
    void Clear() { m_Records.clear(); }
    void Add(const KnaJson_Card& card) { m_Records.push_back(card); }
    // Adds the row's card; used for every row of a select.
    void AddRow(DB::TCDBIterator& row) { m_Records.emplace_back(row); }
    // Adds the card the identity names unless it is missing or of a hidden type ("Card id is required"
    // for an identity without any part).
    void SelectByCrossID(const KnaJson_CrossID& id);
    // Adds every visible card with exactly this number ("Card number is required" for an empty one).
    void SelectByCardNumber(const std::string& number);

    const std::vector<KnaJson_Card>& GetRecords() const { return m_Records; }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void SerializeToDoc(rapidjson::Document& doc) const override;

private:
    std::vector<KnaJson_Card> m_Records;
};

} // namespace KeynodeApi
