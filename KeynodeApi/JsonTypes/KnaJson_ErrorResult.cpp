#include "JsonTypes/KnaJson_ErrorResult.h"

namespace KeynodeApi {

void KnaJson_ErrorResult::SerializeToDoc(rapidjson::Document& doc) const {
    rapidjson::Value value;
    SerializeToValue(doc.GetAllocator(), value);
    doc.AddMember("errors", value["errors"], doc.GetAllocator());
}

bool KnaJson_ErrorResult::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    rapidjson::Value errors(rapidjson::kArrayType);
    for (const std::shared_ptr<KnaJson_Error>& error : m_Errors) {
        rapidjson::Value element;
        // An empty entry is skipped rather than dereferenced.
        if (error && error->SerializeToValue(allocator, element)) errors.PushBack(element, allocator);
    }
    value.SetObject();
    value.AddMember("errors", errors, allocator);
    return true;
}

} // namespace KeynodeApi
