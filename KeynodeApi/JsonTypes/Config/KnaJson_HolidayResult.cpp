#include "JsonTypes/Config/KnaJson_HolidayResult.h"

#include "DB/Tables/SystemTables.h"
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
    value.SetArray();
    for (const KnaJson_Holiday& holiday : m_Records) {
        rapidjson::Value record;
        if (holiday.SerializeToValue(allocator, record)) value.PushBack(record, allocator);
    }
    return true;
}

void KnaJson_HolidayResult::SerializeToDoc(rapidjson::Document& doc) const {
    rapidjson::Value records;
    if (SerializeToValue(doc.GetAllocator(), records)) doc.AddMember("records", records, doc.GetAllocator());
}

} // namespace KeynodeApi
