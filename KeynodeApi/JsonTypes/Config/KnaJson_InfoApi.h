#pragma once
#include "JsonTypes/Config/KnaJson_Version.h"

namespace KeynodeApi {

// The answer of "/info/api": the version of this interface.
class KnaJson_InfoApi : public KnaJson_BaseType {
public:
    static constexpr int MAJOR = 0;
    static constexpr int MINOR = 9;
    static constexpr int REVISION = 4;

    const KnaJson_Version& GetVersion() const { return m_Version; }
    void SerializeToDoc(rapidjson::Document& doc) const override { m_Version.SerializeToDoc(doc); }

private:
    KnaJson_Version m_Version{MAJOR, MINOR, REVISION};
};

} // namespace KeynodeApi
