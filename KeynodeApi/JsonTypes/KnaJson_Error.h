#pragma once
#include <memory>
#include <string>

#include "JsonTypes/KnaJson_BaseType.h"

namespace KeynodeApi {

// One entry of an error body: {"code": 1, "msg": "...", "msgDetails": ""}.
class KnaJson_Error : public KnaJson_BaseType {
public:
    static constexpr int CODE_GENERAL = 1;
    static constexpr int CODE_PARSING = 2;
    static constexpr int CODE_RECORDS_NOT_FOUND = 3;

    KnaJson_Error() = default;
    KnaJson_Error(int code, const std::string& msg, const std::string& msgDetails)
        : m_Code(code), m_Msg(msg), m_MsgDetails(msgDetails) {}
    KnaJson_Error(const KnaJson_Error&) = default;
    KnaJson_Error& operator=(const KnaJson_Error&) = default;

    int GetCode() const { return m_Code; }
    const std::string& GetMsg() const { return m_Msg; }
    const std::string& GetMsgDetails() const { return m_MsgDetails; }

    // 400 for parsing and records-not-found errors, 500 for everything else.
    int GetHTTPCode() const;

    // A shared copy of the same dynamic type, so that derived errors keep their extra members.
    virtual std::shared_ptr<KnaJson_Error> Clone() const { return std::make_shared<KnaJson_Error>(*this); }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;

private:
    int m_Code = CODE_GENERAL;
    std::string m_Msg = "Unspecified";
    std::string m_MsgDetails;
};

} // namespace KeynodeApi
