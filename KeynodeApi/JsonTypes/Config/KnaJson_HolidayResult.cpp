#include "JsonTypes/Config/KnaJson_HolidayResult.h"

#include "DB/Tables/SystemTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {

void KnaJson_HolidayResult::SelectByCrossID(const KnaJson_CrossID& identity) {
    if (identity.IsIDNull() && identity.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__, "Holiday id is required");
    Add(KnaJson_Holiday(identity, true));
}

void KnaJson_HolidayResult::SelectAll() {
    System::TCDBHolidays holidays;
    for (DB::TCDBIterator row = holidays.SelectAll(); row.IsNotEnd(); row.Next())
        m_Records.emplace_back(row);
}

bool KnaJson_HolidayResult::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value = ToJsonArray(m_Records, allocator);
    return true;
}

void KnaJson_HolidayResult::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, "records", *this);
}

} // namespace KeynodeApi
