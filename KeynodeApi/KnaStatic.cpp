#include "KnaStatic.h"

#include "DB/Tables/SystemTables.h"

namespace KeynodeApi {

std::set<int> KnaStatic::m_WeekPrograms_AllowedTypes;
std::map<int, std::set<int>> KnaStatic::m_WeekPrograms_TypeToFunctions;
std::map<int, int> KnaStatic::m_WeekPrograms_TypeToDefaultFunction;
bool KnaStatic::m_StaticInitDone = false;
std::mutex KnaStatic::m_InitMutex;

void KnaStatic::Init() {
    const std::lock_guard<std::mutex> lock(m_InitMutex);
    if (m_StaticInitDone) return;
    // A failed load (no database yet) leaves the flag unset, so the next call tries again.
    InitInernal();
    m_StaticInitDone = true;
}

void KnaStatic::InitInernal() {
    InitInernal_WeekPrograms();
}

void KnaStatic::InitInernal_WeekPrograms() {
    m_WeekPrograms_AllowedTypes.clear();
    m_WeekPrograms_TypeToFunctions.clear();
    m_WeekPrograms_TypeToDefaultFunction.clear();

    m_WeekPrograms_AllowedTypes.insert(WEEK_PROGRAM_TYPE_CARD_HOLDER);

    System::TCDBWeekProgramFunctions functions;
    System::TCDBWeekProgramTypes types;
    for (const int type : m_WeekPrograms_AllowedTypes) {
        std::set<int>& allowed = m_WeekPrograms_TypeToFunctions[type];
        for (DB::TCDBIterator row =
                 functions.Select("*", Table_StaticWeekProgramFunctions::WEEKTYPE == type, DB::TCDBOrder());
             row.IsNotEnd(); row.Next())
            allowed.insert(row.Field(Table_StaticWeekProgramFunctions::ID).get_AsInteger());

        DB::TCDBIterator typeRow = types.SelectPrimary(Accessories::TCRecordID(type));
        if (typeRow.IsNotEnd())
            m_WeekPrograms_TypeToDefaultFunction[type] = static_cast<int>(
                typeRow.Field(Table_StaticWeekProgramTypes::DEFAULTFUNCTION).get_AsRecordID().get_ID());
    }
}

bool KnaStatic::WeekPrograms_IsTypeAllowed(int type) {
    return m_WeekPrograms_AllowedTypes.count(type) != 0 &&
           m_WeekPrograms_TypeToDefaultFunction.count(type) != 0;
}

bool KnaStatic::WeekPrograms_IsFunctionAllowedForType(int type, int function) {
    const auto it = m_WeekPrograms_TypeToFunctions.find(type);
    return it != m_WeekPrograms_TypeToFunctions.end() && it->second.count(function) != 0;
}

bool KnaStatic::WeekPrograms_GetDefaultFunctionForType(int type, int& function) {
    const auto it = m_WeekPrograms_TypeToDefaultFunction.find(type);
    if (it == m_WeekPrograms_TypeToDefaultFunction.end()) return false;
    function = it->second;
    return true;
}

} // namespace KeynodeApi
