#pragma once
#include <vector>

#include "JsonTypes/Config/KnaJson_Keynode.h"

namespace KeynodeApi {

// The answer of "/keynodes": every unit of the installation under "records". Never empty: without rows
// it holds the unit this library runs on.
class KnaJson_KeynodeResult : public KnaJson_BaseType {
public:
    // Reads the units from the database.
    KnaJson_KeynodeResult();

    const std::vector<KnaJson_Keynode>& GetRecords() const { return m_Records; }
    void SerializeToDoc(rapidjson::Document& doc) const override;

private:
    std::vector<KnaJson_Keynode> m_Records;
};

} // namespace KeynodeApi
