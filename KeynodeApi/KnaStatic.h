#pragma once
#include <map>
#include <mutex>
#include <set>

namespace KeynodeApi {

// The week-program rules of the process, read once from the host's static week-program tables: which
// types the API serves, which functions the periods of each type may switch to and which function fills
// the days a program leaves open. A changed static table takes effect at the next start of the service.
class KnaStatic {
public:
    // Loads the tables on the first successful call; later calls do nothing. Requests only read the
    // tables, and the service calls this before it serves any.
    static void Init();

    // Served, and has a default function to fill open days with.
    static bool WeekPrograms_IsTypeAllowed(int type);
    static bool WeekPrograms_IsFunctionAllowedForType(int type, int function);
    // False when the type has no default function.
    static bool WeekPrograms_GetDefaultFunctionForType(int type, int& function);

    // The card-holder program, the one type access rights name.
    static constexpr int WEEK_PROGRAM_TYPE_CARD_HOLDER = 10;

private:
    static void InitInernal();
    static void InitInernal_WeekPrograms();

    static std::set<int> m_WeekPrograms_AllowedTypes;
    static std::map<int, std::set<int>> m_WeekPrograms_TypeToFunctions;
    static std::map<int, int> m_WeekPrograms_TypeToDefaultFunction;
    static bool m_StaticInitDone;
    // Serialises Init against itself (several services may be built at once in tests and tools).
    static std::mutex m_InitMutex;
};

} // namespace KeynodeApi
