#include "JsonTypes/Config/KnaJson_Version.h"

namespace KeynodeApi {

void KnaJson_Version::SerializeToDoc(rapidjson::Document& doc) const {
    rapidjson::Value value;
    if (SerializeToValue(doc.GetAllocator(), value)) doc.AddMember("version", value, doc.GetAllocator());
}

bool KnaJson_Version::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    value.AddMember("major", m_Major, allocator);
    value.AddMember("minor", m_Minor, allocator);
    value.AddMember("revision", m_Revision, allocator);
    return true;
}

} // namespace KeynodeApi
