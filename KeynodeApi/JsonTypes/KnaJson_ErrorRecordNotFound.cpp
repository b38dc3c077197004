#include "JsonTypes/KnaJson_ErrorRecordNotFound.h"

namespace KeynodeApi {

bool KnaJson_ErrorRecordNotFound::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    KnaJson_Error::SerializeToValue(allocator, value);
    rapidjson::Value records(rapidjson::kArrayType);
    for (const KnaJson_TableCrossRecord& record : m_Records) {
        rapidjson::Value element;
        record.SerializeToValue(allocator, element);
        records.PushBack(element, allocator);
    }
    value.AddMember("records", records, allocator);
    return true;
}

} // namespace KeynodeApi
