#include "JsonTypes/KnaJson_BaseFilterResult.h"

namespace KeynodeApi {

void KnaJson_BaseFilterResult::SerializeToDoc(rapidjson::Document& doc) const {
    rapidjson::Value records(rapidjson::kArrayType);
    SerializeRecords(doc.GetAllocator(), records);
    AddCountAndRecords(doc, m_Count, records);
}

void KnaJson_BaseFilterResult::AddCountAndRecords(rapidjson::Document& doc, int64_t count,
                                                  rapidjson::Value& records) {
    if (!doc.IsObject()) doc.SetObject();
    doc.AddMember("count", rapidjson::Value(static_cast<int64_t>(count)), doc.GetAllocator());
    doc.AddMember("records", records, doc.GetAllocator());
}

} // namespace KeynodeApi
