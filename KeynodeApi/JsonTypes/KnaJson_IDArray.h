#pragma once
#include <set>
#include <vector>

#include "JsonTypes/KnaJson_ID.h"

namespace KeynodeApi {

// {"ids": [{"id": 1}, {"id": null}, ...]}, in the order given.
class KnaJson_IDArray : public KnaJson_BaseType {
public:
    KnaJson_IDArray() = default;
    explicit KnaJson_IDArray(std::vector<KnaJson_ID> ids) : m_IDs(std::move(ids)) {}

    const std::vector<KnaJson_ID>& GetIDs() const { return m_IDs; }
    void AddID(const KnaJson_ID& id) { m_IDs.push_back(id); }
    void Clear() { m_IDs.clear(); }
    // The distinct non-null IDs; `ids` is emptied first.
    void GetRecordIDs(std::set<Accessories::TCRecordID>& ids) const;

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;

private:
    std::vector<KnaJson_ID> m_IDs;
};

} // namespace KeynodeApi
