#include "JsonTypes/KnaJson_ErrorResultRecordsNotFound.h"

namespace KeynodeApi {

void KnaJson_ErrorResultRecordsNotFound::SerializeToDoc(rapidjson::Document& doc) const {
    rapidjson::Value value;
    SerializeToValue(doc.GetAllocator(), value);
    doc.AddMember("errors", value["errors"], doc.GetAllocator());
}

bool KnaJson_ErrorResultRecordsNotFound::SerializeToValue(JsonAllocator& allocator,
                                                          rapidjson::Value& value) const {
    rapidjson::Value errors(rapidjson::kArrayType);
    for (const KnaJson_ErrorRecordNotFound& error : m_Errors) {
        rapidjson::Value element;
        error.SerializeToValue(allocator, element);
        errors.PushBack(element, allocator);
    }
    value.SetObject();
    value.AddMember("errors", errors, allocator);
    return true;
}

} // namespace KeynodeApi
