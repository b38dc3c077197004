#pragma once
#include <vector>

#include "JsonTypes/Events/KnaJson_EventDetail.h"

namespace KeynodeApi {

// One event-log record with its details, as the event filter and the webhook write it.
class KnaJson_Event : public KnaJson_BaseType {
public:
    KnaJson_Event() = default;
    KnaJson_Event(DB::TCDBIterator& iterator, bool withDetails) { LoadFromIterator(iterator, withDetails); }
    KnaJson_Event(const KnaJson_Event&) = default;
    KnaJson_Event& operator=(const KnaJson_Event&) = default;

    // Fills the members from the current event-log row, and its details (one query) when asked; false at
    // the iterator's end.
    bool LoadFromIterator(DB::TCDBIterator& iterator, bool withDetails);
    void Clear();

    const KnaJson_ID& GetID() const { return m_ID; }
    int GetType() const { return m_Type; }
    const std::vector<KnaJson_EventDetail>& GetDetails() const { return m_Details; }
    // For readers that load the details of many events at once.
    void AddDetail(KnaJson_EventDetail detail) { m_Details.push_back(std::move(detail)); }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    // Every member optional; used for the event a client sends to test the webhook.
    void Deserialize(const rapidjson::Document& doc) override {
        Deserialize(static_cast<const rapidjson::Value&>(doc));
    }
    void Deserialize(const rapidjson::Value& value) override;

private:
    void LoadDetails();

    KnaJson_ID m_ID;
    int m_Type = 0;
    KnaJson_ID m_KeynodeID;
    Accessories::TCNullTypes<TCUTCTime> m_EventTime;
    Accessories::TCNullTypes<TCUTCTime> m_ClearTime;
    KnaJson_ID m_ClearedBy;
    std::vector<KnaJson_EventDetail> m_Details;
};

} // namespace KeynodeApi
