#include "JsonTypes/Config/KnaJson_WeekProgram.h"

#include <algorithm>

#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"
#include "KnaStatic.h"

namespace KeynodeApi {

namespace {

// Periods of a program in the order a schedule is read: by day, then by start second.
DB::TCDBIterator SelectPeriods(const Accessories::TCRecordID& weekProgramID) {
    System::TCDBWeekProgramPeriods periods;
    return periods.Select("*", Table_CommonWeekProgramPeriods::LINKTO == weekProgramID,
                          DB::TCDBOrder(Table_CommonWeekProgramPeriods::DAYNO) +
                              DB::TCDBOrder(Table_CommonWeekProgramPeriods::STARTSEC));
}

} // namespace

KnaJson_WeekProgram::KnaJson_WeekProgram(const KnaJson_CrossID& identity, bool reload) : m_ID(identity) {
    if (reload) ReLoadFromDB();
}

KnaJson_WeekProgram::KnaJson_WeekProgram(DB::TCDBIterator& row) {
    LoadFromIterator(row);
}

void KnaJson_WeekProgram::Clear() {
    m_ID.Clear();
    m_Name.SetNull();
    m_Type.SetNull();
    m_IsSystem.SetNull();
    m_Periods.clear();
    m_NameSpecified = m_TypeSpecified = m_IsSystemSpecified = m_PeriodsSpecified = false;
}

bool KnaJson_WeekProgram::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    rapidjson::Value id;
    m_ID.SerializeToValue(allocator, id);
    value.AddMember("id", id, allocator);
    value.AddMember("name", ToJsonValue(m_Name, allocator), allocator);
    value.AddMember("type", ToJsonValue(m_Type, allocator), allocator);
    value.AddMember("isSystem", ToJsonValue(m_IsSystem, allocator), allocator);
    value.AddMember("periods", ToJsonArray(m_Periods, allocator), allocator);
    return true;
}

void KnaJson_WeekProgram::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, "weekProgram", *this);
}

void KnaJson_WeekProgram::Deserialize(const rapidjson::Document& doc) {
    Deserialize(static_cast<const rapidjson::Value&>(doc));
}

void KnaJson_WeekProgram::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    m_ID.Deserialize(GetRequiredNotNullMember(value, "id"));
    m_NameSpecified = ReadOptionalMember(value, "name", m_Name);
    m_TypeSpecified = ReadOptionalMember(value, "type", m_Type);
    m_IsSystemSpecified = ReadOptionalMember(value, "isSystem", m_IsSystem);

    const rapidjson::Value* periods = FindOptionalMember(value, "periods");
    if (periods == nullptr) return;
    m_PeriodsSpecified = true;
    if (periods->IsNull()) return;
    AssertJsonArray(*periods);
    for (const rapidjson::Value& element : periods->GetArray()) {
        KnaJson_WeekProgramPeriod period;
        period.Deserialize(element);
        if (std::find(m_Periods.begin(), m_Periods.end(), period) != m_Periods.end())
            throw KnaException(__FILE__, __LINE__, "period not in periods")
                .FormatOverride("Duplicated week program period not allowed. Duplication found for dayNo %d "
                                "and startSecond %d.",
                                period.GetDayNo(), period.GetStartSecond());
        m_Periods.push_back(period);
    }
}

bool KnaJson_WeekProgram::LoadFromIterator(DB::TCDBIterator& row) {
    Clear();
    if (row.IsEnd()) return false;
    const Accessories::TCRecordID id = row.Field(Table_CommonWeekPrograms::ID).get_AsRecordID();
    m_ID = KnaJson_CrossID(id.get_ID(), row.get_ExternalID());
    m_Name = System::TCDBWeekPrograms::GetTranslatedName(row);
    m_Type = row.Field(Table_CommonWeekPrograms::TYPE).get_AsNullInt();
    m_IsSystem = IsSystemWp(row);
    for (DB::TCDBIterator period = SelectPeriods(id); period.IsNotEnd(); period.Next())
        m_Periods.emplace_back(period);
    return true;
}

void KnaJson_WeekProgram::ReLoadFromDB() {
    System::TCDBWeekPrograms weekPrograms;
    weekPrograms.SetEnableSelectExternalID(true);
    DB::TCDBIterator row;
    if (!m_ID.IsIDNull())
        row = weekPrograms.SelectPrimary(m_ID.GetRecordID());
    else if (!m_ID.IsExternalIDNull())
        row = weekPrograms.Select("*", weekPrograms.CreateWhereExternalIDEqualsTo(m_ID.GetExternalID()));
    LoadFromIterator(row);
}

Accessories::TCRecordID KnaJson_WeekProgram::AssertGetIDFromDB() const {
    if (m_ID.IsIDNull() && m_ID.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__, "Week program id is required");
    System::TCDBWeekPrograms weekPrograms;
    return AssertSelectByID(weekPrograms, Table_CommonWeekPrograms::ID, m_ID);
}

bool KnaJson_WeekProgram::IsSystemWp(DB::TCDBIterator& row) {
    return row.Field(Table_CommonWeekPrograms::IS_SYSTEM).get_AsNullInt() == Accessories::TCNullTypes<int>(1);
}

void KnaJson_WeekProgram::NormalizePeriods(int type) {
    int defaultFunction = 0;
    if (!KnaStatic::WeekPrograms_GetDefaultFunctionForType(type, defaultFunction)) return;
    for (int day = 0; day <= KnaJson_WeekProgramPeriod::MAX_DAY_NO; ++day) {
        const bool startsAtMidnight =
            std::any_of(m_Periods.begin(), m_Periods.end(), [day](const KnaJson_WeekProgramPeriod& period) {
                return period.GetDayNo() == day && period.GetStartSecond() == 0;
            });
        if (!startsAtMidnight) m_Periods.emplace_back(day, 0, defaultFunction);
    }
}

void KnaJson_WeekProgram::Database_Validate(bool insert, bool update) {
    int type = 0;
    if (insert) {
        if (m_Type.IsNull()) throw KnaException(__FILE__, __LINE__, "Week program type is required");
        type = m_Type.get_Value();
        if (!KnaStatic::WeekPrograms_IsTypeAllowed(type))
            throw KnaException(__FILE__, __LINE__, "WeekPrograms_IsTypeAllowed(type)")
                .FormatOverride("Passed week program type %d is not allowed", type);
        if (m_IsSystem.get_Value(false))
            throw KnaException(__FILE__, __LINE__, "Not allowed to create system week programs");
    } else if (update) {
        if (m_TypeSpecified) throw KnaException(__FILE__, __LINE__, "Week program type cannot be updated");
        if (m_IsSystemSpecified)
            throw KnaException(__FILE__, __LINE__, "Week program is system flag cannot be updated");
        System::TCDBWeekPrograms weekPrograms;
        DB::TCDBIterator row = weekPrograms.SelectPrimary(AssertGetIDFromDB());
        if (row.IsEnd()) throw KnaException(__FILE__, __LINE__, "Week program not found");
        type = row.Field(Table_CommonWeekPrograms::TYPE).get_AsInteger();
        // The stored periods stay; a type that could not fill open days is refused all the same.
        if (!m_PeriodsSpecified) {
            AssertHasDefaultFunction(type);
            NormalizePeriods(type);
            return;
        }
    } else {
        return;
    }
    ValidatePeriodsForType(type);
}

void KnaJson_WeekProgram::ValidatePeriodsForType(int type) {
    for (const KnaJson_WeekProgramPeriod& period : m_Periods)
        if (!KnaStatic::WeekPrograms_IsFunctionAllowedForType(type, period.GetFunction()))
            throw KnaException(__FILE__, __LINE__, "WeekPrograms_IsFunctionAllowedForType(type, function)")
                .FormatOverride("Invalid function of value [%d] for week program type of value [%d]",
                                period.GetFunction(), type);
    AssertHasDefaultFunction(type);
    NormalizePeriods(type);
}

void KnaJson_WeekProgram::AssertHasDefaultFunction(int type) {
    int defaultFunction = 0;
    if (!KnaStatic::WeekPrograms_GetDefaultFunctionForType(type, defaultFunction))
        throw KnaException(__FILE__, __LINE__, "WeekPrograms_GetDefaultFunctionForType(type)")
            .FormatOverride(
                "Passed week program type [%d] does not have default function - possible internal "
                "bug, please notify vendor",
                type);
}

void KnaJson_WeekProgram::Database_Insert() {
    Database_ValidateInsert();
    System::TCDBWeekPrograms weekPrograms;
    DB::TCDBAutoObject row;
    CreateRecordObject(weekPrograms, row, m_ID);
    row.Field(Table_CommonWeekPrograms::NAME).set_AsNullString(m_Name);
    row.Field(Table_CommonWeekPrograms::TYPE).set_AsInteger(m_Type.get_Value());
    row.Field(Table_CommonWeekPrograms::IS_SYSTEM).set_AsInteger(0);
    row.Save(false);
    // The database chose the ID; one given in the request plays no part.
    const Accessories::TCRecordID id = row.Field(Table_CommonWeekPrograms::ID).get_AsRecordID();
    m_ID = KnaJson_CrossID(id.get_ID(), m_ID.GetNullExternalID());
    Database_InsertPeriods(id);
    ReLoadFromDB();
}

void KnaJson_WeekProgram::Database_Update() {
    Database_ValidateUpdate();
    const Accessories::TCRecordID id = AssertGetIDFromDB();
    System::TCDBWeekPrograms weekPrograms;
    DB::TCDBIterator row = weekPrograms.SelectPrimary(id);
    if (IsSystemWp(row))
        throw KnaException(__FILE__, __LINE__,
                           "Specified week program cannot be updated because it is system defined");
    // A null name is stored as an empty text, as the host's own editor stores it.
    if (m_NameSpecified) row.Field(Table_CommonWeekPrograms::NAME).set_AsString(m_Name.get_Value());
    row.Save(false);
    if (m_PeriodsSpecified) {
        System::TCDBWeekProgramPeriods().DeleteWhere(Table_CommonWeekProgramPeriods::LINKTO == id);
        Database_InsertPeriods(id);
    }
    ReLoadFromDB();
}

void KnaJson_WeekProgram::Database_InsertPeriods(const Accessories::TCRecordID& weekProgramID) const {
    System::TCDBWeekProgramPeriods periods;
    for (const KnaJson_WeekProgramPeriod& period : m_Periods) {
        DB::TCDBAutoObject row;
        periods.CreateObject(row);
        row.Field(Table_CommonWeekProgramPeriods::LINKTO).set_AsRecordID(weekProgramID);
        row.Field(Table_CommonWeekProgramPeriods::DAYNO).set_AsInteger(period.GetDayNo());
        row.Field(Table_CommonWeekProgramPeriods::STARTSEC).set_AsInteger(period.GetStartSecond());
        row.Field(Table_CommonWeekProgramPeriods::FUNCTION).set_AsInteger(period.GetFunction());
        row.Field(Table_CommonWeekProgramPeriods::USING_PROP_CLASS).set_AsInteger(0);
        row.Save(false);
    }
}

void KnaJson_WeekProgram::Database_Delete() {
    System::TCDBWeekPrograms weekPrograms;
    const Accessories::TCRecordID id = AssertSelectByID(weekPrograms, Table_CommonWeekPrograms::ID, m_ID);
    DB::TCDBIterator row = weekPrograms.SelectPrimary(id);
    if (row.IsEnd())
        throw KnaException(__FILE__, __LINE__, "Cannot delete. Record with specified ID not found.");
    if (!KnaStatic::WeekPrograms_IsTypeAllowed(row.Field(Table_CommonWeekPrograms::TYPE).get_AsInteger()))
        throw KnaException(__FILE__, __LINE__,
                           "Specified week program cannot be deleted because of its type");
    if (IsSystemWp(row))
        throw KnaException(__FILE__, __LINE__,
                           "Specified week program cannot be deleted because it is system defined");
    // Rights that still name the program keep it: an ordinary conflict the caller can resolve.
    const int64_t rights =
        Access::TCDBAccessGroupRights().SelectCount("*", Table_AccessGroupRights::WEEKPROGRAM == id);
    if (rights > 0)
        throw KnaException(__FILE__, __LINE__, "rights == 0")
            .FormatOverride(
                "Specified week program cannot be deleted because it is used by %lld access rights",
                static_cast<long long>(rights));
    weekPrograms.DeleteByID(id);
}

void KnaJson_WeekProgram::Database_InsertOrUpdate() {
    if (m_ID.IsIDNull())
        Database_Insert();
    else
        Database_Update();
}

} // namespace KeynodeApi
