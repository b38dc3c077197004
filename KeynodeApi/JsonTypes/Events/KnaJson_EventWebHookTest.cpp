#include "JsonTypes/Events/KnaJson_EventWebHookTest.h"

#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

void KnaJson_EventWebHookTest::Deserialize(const rapidjson::Document& doc) {
    AssertJsonObject(doc);
    Deserialize(static_cast<const rapidjson::Value&>(GetRequiredMember(doc, "event")));
}

} // namespace KeynodeApi
