#include "JsonTypes/Access/KnaJson_CardHolderFilterResult.h"

#include "JsonTypes/KnaJson_BaseFilterResult.h"

namespace KeynodeApi {

void KnaJson_CardHolderFilterResult::SerializeToDoc(rapidjson::Document& doc) const {
    rapidjson::Value records;
    SerializeToValue(doc.GetAllocator(), records);
    KnaJson_BaseFilterResult::AddCountAndRecords(doc, m_Count, records);
}

} // namespace KeynodeApi
