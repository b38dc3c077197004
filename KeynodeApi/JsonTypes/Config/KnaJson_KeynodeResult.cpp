#include "JsonTypes/Config/KnaJson_KeynodeResult.h"

#include "DB/Tables/SystemTables.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

KnaJson_KeynodeResult::KnaJson_KeynodeResult() {
    System::TCDBKeynodes keynodes;
    for (DB::TCDBIterator row = keynodes.SelectAll(); row.IsNotEnd(); row.Next())
        m_Records.emplace_back(row);
    if (m_Records.empty()) m_Records.emplace_back();
}

void KnaJson_KeynodeResult::SerializeToDoc(rapidjson::Document& doc) const {
    doc.AddMember("records", ToJsonArray(m_Records, doc.GetAllocator()), doc.GetAllocator());
}

} // namespace KeynodeApi
