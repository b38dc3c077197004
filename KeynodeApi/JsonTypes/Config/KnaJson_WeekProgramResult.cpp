#include "JsonTypes/Config/KnaJson_WeekProgramResult.h"

#include "DB/Tables/SystemTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"
#include "KnaStatic.h"

namespace KeynodeApi {

void KnaJson_WeekProgramResult::SelectByCrossID(const KnaJson_CrossID& identity) {
    if (identity.IsIDNull() && identity.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__, "Week program id is required");
    const KnaJson_WeekProgram weekProgram(identity, true);
    const bool found = !weekProgram.GetID().IsIDNull();
    if (found && weekProgram.GetType().IsNotNull() &&
        KnaStatic::WeekPrograms_IsTypeAllowed(weekProgram.GetType().get_Value()))
        Add(weekProgram);
}

void KnaJson_WeekProgramResult::SelectByType(int type) {
    if (!KnaStatic::WeekPrograms_IsTypeAllowed(type))
        throw KnaException(__FILE__, __LINE__, "WeekPrograms_IsTypeAllowed(type)")
            .FormatOverride("Passed week program type %d is not allowed", type);
    System::TCDBWeekPrograms weekPrograms;
    for (DB::TCDBIterator row =
             weekPrograms.Select("*", Table_CommonWeekPrograms::TYPE == type, DB::TCDBOrder());
         row.IsNotEnd(); row.Next())
        m_Records.emplace_back(row);
}

bool KnaJson_WeekProgramResult::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value = ToJsonArray(m_Records, allocator);
    return true;
}

void KnaJson_WeekProgramResult::SerializeToDoc(rapidjson::Document& doc) const {
    AddWrappedMember(doc, "records", *this);
}

} // namespace KeynodeApi
