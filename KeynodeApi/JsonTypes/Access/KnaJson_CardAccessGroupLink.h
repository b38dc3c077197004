#pragma once
#include "Accessories/TCNullTypes.h"
#include "Accessories/TCUTCTime.h"
#include "JsonTypes/KnaJson_CrossID.h"

namespace KeynodeApi {

// A card's membership in an access group, valid from / to the given times (null: unbounded).
// JSON: {"accessGroupID": {...}, "validFrom": "...Z", "validTo": null}.
class KnaJson_CardAccessGroupLink : public KnaJson_BaseType {
public:
    KnaJson_CardAccessGroupLink() = default;
    explicit KnaJson_CardAccessGroupLink(const rapidjson::Value& value) { Deserialize(value); }
    explicit KnaJson_CardAccessGroupLink(DB::TCDBIterator& row) { LoadFromIterator(row); }

    void Clear();
    using KnaJson_BaseType::Deserialize;
    void Deserialize(const rapidjson::Value& value) override;
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    // A row of Table_AccessCardAccessGroupLinks; the group's identity carries its external ID.
    void LoadFromIterator(DB::TCDBIterator& row);

    const KnaJson_CrossID& GetAccessGroupID() const { return m_AccessGroupID; }
    const Accessories::TCNullTypes<TCUTCTime>& GetValidFrom() const { return m_ValidFrom; }
    const Accessories::TCNullTypes<TCUTCTime>& GetValidTo() const { return m_ValidTo; }

private:
    KnaJson_CrossID m_AccessGroupID;
    Accessories::TCNullTypes<TCUTCTime> m_ValidFrom;
    Accessories::TCNullTypes<TCUTCTime> m_ValidTo;
};

} // namespace KeynodeApi
