#include "JsonTypes/Config/KnaJson_KeynodeResult.h"

#include "DB/Tables/SystemTables.h"

namespace KeynodeApi {

KnaJson_KeynodeResult::KnaJson_KeynodeResult() {
    System::TCDBKeynodes keynodes;
    for (DB::TCDBIterator row = keynodes.SelectAll(); row.IsNotEnd(); row.Next())
        m_Records.emplace_back(row);
    if (m_Records.empty()) m_Records.emplace_back();
}

void KnaJson_KeynodeResult::SerializeToDoc(rapidjson::Document& doc) const {
    auto& allocator = doc.GetAllocator();
    rapidjson::Value records(rapidjson::kArrayType);
    for (const KnaJson_Keynode& keynode : m_Records) {
        rapidjson::Value value;
        if (keynode.SerializeToValue(allocator, value)) records.PushBack(value, allocator);
    }
    doc.AddMember("records", records, allocator);
}

} // namespace KeynodeApi
