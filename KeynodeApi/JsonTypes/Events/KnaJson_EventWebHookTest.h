#pragma once
#include "JsonTypes/Events/KnaJson_Event.h"

namespace KeynodeApi {

// The event a client supplies to try the webhook: {"event": {...}}.
class KnaJson_EventWebHookTest : public KnaJson_BaseType {
public:
    void Clear() { m_Event.Clear(); }
    const KnaJson_Event& GetEvent() const { return m_Event; }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override {
        return m_Event.SerializeToValue(allocator, value);
    }
    void Deserialize(const rapidjson::Document& doc) override;
    // The value is the event itself.
    void Deserialize(const rapidjson::Value& value) override { m_Event.Deserialize(value); }

private:
    KnaJson_Event m_Event;
};

} // namespace KeynodeApi
