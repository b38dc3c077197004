#include "JsonTypes/KnaJson_Error.h"

#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

int KnaJson_Error::GetHTTPCode() const {
    return m_Code == CODE_PARSING || m_Code == CODE_RECORDS_NOT_FOUND ? 400 : 500;
}

bool KnaJson_Error::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    value.AddMember("code", m_Code, allocator);
    value.AddMember("msg", ToJsonValue(m_Msg, allocator), allocator);
    value.AddMember("msgDetails", ToJsonValue(m_MsgDetails, allocator), allocator);
    return true;
}

} // namespace KeynodeApi
