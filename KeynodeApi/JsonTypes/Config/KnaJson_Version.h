#pragma once
#include "JsonTypes/KnaJson_BaseType.h"

namespace KeynodeApi {

// A version triple: {"major": 0, "minor": 9, "revision": 4}; as a document it sits under "version".
class KnaJson_Version : public KnaJson_BaseType {
public:
    KnaJson_Version(int major, int minor, int revision)
        : m_Major(major), m_Minor(minor), m_Revision(revision) {}

    int GetMajor() const { return m_Major; }
    int GetMinor() const { return m_Minor; }
    int GetRevision() const { return m_Revision; }

    void SerializeToDoc(rapidjson::Document& doc) const override;
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;

private:
    int m_Major;
    int m_Minor;
    int m_Revision;
};

} // namespace KeynodeApi
