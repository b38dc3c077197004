#pragma once
#include <vector>

#include "JsonTypes/Config/KnaJson_Holiday.h"

namespace KeynodeApi {

// The answer of GET "/config/holidays": the selected holidays under "records".
class KnaJson_HolidayResult : public KnaJson_BaseType {
public:
    void Clear() { m_Records.clear(); }
    // Adds the holiday as loaded; one that does not exist is added cleared (identity null).
    void SelectByCrossID(const KnaJson_CrossID& identity);
    void SelectAll();
    void Add(const KnaJson_Holiday& holiday) { m_Records.push_back(holiday); }

    const std::vector<KnaJson_Holiday>& GetRecords() const { return m_Records; }

    // The array of records; always produced, also when empty.
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void SerializeToDoc(rapidjson::Document& doc) const override;

private:
    std::vector<KnaJson_Holiday> m_Records;
};

} // namespace KeynodeApi
