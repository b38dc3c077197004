#pragma once
#include <cstdint>

#include "JsonTypes/Access/KnaJson_CardHolderResult.h"

namespace KeynodeApi {

// The answer of the card holder filter: {"count": N, "records": [...]}, N counting every match whatever the
// paging.
class KnaJson_CardHolderFilterResult : public KnaJson_CardHolderResult {
public:
    bool IsRootSerializedAsObject() const override { return false; }
    int64_t get_Count() const { return m_Count; }
    void set_Count(int64_t count) { m_Count = count; }
    void SerializeToDoc(rapidjson::Document& doc) const override;

private:
    int64_t m_Count = 0;
};

} // namespace KeynodeApi
