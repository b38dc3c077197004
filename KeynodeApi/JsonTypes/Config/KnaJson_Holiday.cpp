#include "JsonTypes/Config/KnaJson_Holiday.h"

#include "DB/Tables/SystemTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {

namespace {

// Periods in calendar order within each assumed day.
DB::TCDBIterator SelectPeriods(const Accessories::TCRecordID& holidayID) {
    System::TCDBHolidayPeriods periods;
    return periods.Select("*", Table_CommonHolidayPeriods::LINK_HOLIDAY == holidayID,
                          DB::TCDBOrder(Table_CommonHolidayPeriods::ASSUMED_WEEKDAY) +
                              DB::TCDBOrder(Table_CommonHolidayPeriods::STARTYEAR) +
                              DB::TCDBOrder(Table_CommonHolidayPeriods::STARTMONTH) +
                              DB::TCDBOrder(Table_CommonHolidayPeriods::STARTDAY));
}

} // namespace

KnaJson_Holiday::KnaJson_Holiday(const KnaJson_CrossID& identity, bool reload) : m_ID(identity) {
    if (reload) ReLoadFromDB();
}

KnaJson_Holiday::KnaJson_Holiday(DB::TCDBIterator& row) {
    LoadFromIterator(row);
}

void KnaJson_Holiday::Clear() {
    m_ID.Clear();
    m_Name.SetNull();
    m_IsRepeated.SetNull();
    m_Periods.clear();
    m_NameSpecified = m_IsRepeatedSpecified = m_PeriodsSpecified = false;
}

bool KnaJson_Holiday::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    rapidjson::Value id;
    m_ID.SerializeToValue(allocator, id);
    value.AddMember("id", id, allocator);
    value.AddMember("name", ToJsonValue(m_Name, allocator), allocator);
    value.AddMember("isRepeated", ToJsonValue(m_IsRepeated, allocator), allocator);
    value.AddMember("periods", ToJsonArray(m_Periods, allocator), allocator);
    return true;
}

void KnaJson_Holiday::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, "holiday", *this);
}

void KnaJson_Holiday::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_Holiday::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    m_ID.Deserialize(GetRequiredNotNullMember(value, "id"));
    m_NameSpecified = ReadOptionalMember(value, "name", m_Name);
    m_IsRepeatedSpecified = ReadOptionalMember(value, "isRepeated", m_IsRepeated);

    const rapidjson::Value* periods = FindOptionalMember(value, "periods");
    if (periods == nullptr) return;
    m_PeriodsSpecified = true;
    if (periods->IsNull()) return;
    AssertJsonArray(*periods);
    for (const rapidjson::Value& element : periods->GetArray()) {
        KnaJson_HolidayPeriod period;
        period.Deserialize(element);
        m_Periods.push_back(period);
    }
}

bool KnaJson_Holiday::LoadFromIterator(DB::TCDBIterator& row) {
    Clear();
    if (row.IsEnd()) return false;
    const Accessories::TCRecordID id = row.Field(Table_CommonHolidays::ID).get_AsRecordID();
    m_ID = KnaJson_CrossID(id.get_ID(), row.get_ExternalID());
    m_Name = row.Field(Table_CommonHolidays::NAME).get_AsNullString();
    m_IsRepeated = row.Field(Table_CommonHolidays::REPEATED).get_AsBool();
    for (DB::TCDBIterator period = SelectPeriods(id); period.IsNotEnd(); period.Next())
        m_Periods.emplace_back(period);
    return true;
}

void KnaJson_Holiday::ReLoadFromDB() {
    System::TCDBHolidays holidays;
    holidays.SetEnableSelectExternalID(true);
    DB::TCDBIterator row;
    if (!m_ID.IsIDNull())
        row = holidays.SelectPrimary(m_ID.GetRecordID());
    else if (!m_ID.IsExternalIDNull())
        row = holidays.Select("*", holidays.CreateWhereExternalIDEqualsTo(m_ID.GetExternalID()));
    LoadFromIterator(row);
}

Accessories::TCRecordID KnaJson_Holiday::AssertGetIDFromDB() const {
    if (m_ID.IsIDNull() && m_ID.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__, "Holiday id is required");
    System::TCDBHolidays holidays;
    return AssertSelectByID(holidays, Table_CommonHolidays::ID, m_ID);
}

void KnaJson_Holiday::Database_Validate(bool insert, bool update) const {
    if (insert && m_IsRepeated.IsNull())
        throw KnaException(__FILE__, __LINE__, "m_IsRepeated.IsNotNull()")
            .FormatOverride("Field %s is required for insert", "isRepeated");
    if (update && m_IsRepeatedSpecified && m_IsRepeated.IsNull())
        throw KnaException(__FILE__, __LINE__, "m_IsRepeated.IsNotNull()")
            .FormatOverride("If field %s is specified, it cannot be bull", "isRepeated");
}

void KnaJson_Holiday::Database_Insert() {
    Database_ValidateInsert();
    System::TCDBHolidays holidays;
    DB::TCDBAutoObject row;
    CreateRecordObject(holidays, row, m_ID);
    row.Field(Table_CommonHolidays::NAME).set_AsNullString(m_Name);
    row.Field(Table_CommonHolidays::REPEATED).set_AsInteger(m_IsRepeated.get_Value() ? 1 : 0);
    row.Save(false);
    // The database chose the ID; one given in the request plays no part.
    const Accessories::TCRecordID id = row.Field(Table_CommonHolidays::ID).get_AsRecordID();
    m_ID = KnaJson_CrossID(id.get_ID(), m_ID.GetNullExternalID());
    Database_InsertPeriods(id);
    ReLoadFromDB();
}

void KnaJson_Holiday::Database_Update() {
    Database_ValidateUpdate();
    const Accessories::TCRecordID id = AssertGetIDFromDB();
    System::TCDBHolidays holidays;
    DB::TCDBIterator row = holidays.SelectPrimary(id);
    if (m_NameSpecified) row.Field(Table_CommonHolidays::NAME).set_AsNullString(m_Name);
    if (m_IsRepeatedSpecified)
        row.Field(Table_CommonHolidays::REPEATED).set_AsInteger(m_IsRepeated.get_Value() ? 1 : 0);
    row.Save(false);
    if (m_PeriodsSpecified) {
        System::TCDBHolidayPeriods().DeleteWhere(Table_CommonHolidayPeriods::LINK_HOLIDAY == id);
        Database_InsertPeriods(id);
    }
    ReLoadFromDB();
}

void KnaJson_Holiday::Database_InsertPeriods(const Accessories::TCRecordID& holidayID) const {
    for (const KnaJson_HolidayPeriod& period : m_Periods)
        period.Database_Insert(holidayID);
}

void KnaJson_Holiday::Database_Delete() {
    System::TCDBHolidays holidays;
    holidays.Delete(AssertSelectByID(holidays, Table_CommonHolidays::ID, m_ID));
}

void KnaJson_Holiday::Database_InsertOrUpdate() {
    if (m_ID.IsIDNull())
        Database_Insert();
    else
        Database_Update();
}

} // namespace KeynodeApi
