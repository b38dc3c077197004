// `demo`: a small but complete site, so that every endpoint has something to show.
#include <algorithm>
#include <iostream>

#include "Command.h"
#include "DB/TCDBInsertRow.h"
#include "DB/TCDBTransaction.h"
#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "DemoGeneratedCards.h"
#include "Text/TCStringOptionBits.h"

using Accessories::TCRecordID;

namespace keynodectl {
namespace {

using Value = DB::TCDBParam;

long long daySeconds(int hour, int minute) {
    return hour * 3600LL + minute * 60LL;
}
long long utc(int y, int m, int d) {
    return TCUTCTime::FromYMDHMS(y, m, d, 0, 0, 0).get_Seconds();
}

// Week-program type 10 (card holder access) and its functions, as the schema defines them.
constexpr long long kCardHolderType = 10, kNoAccess = 100, kAccess = 101, kAccessWithPin = 102;

// Stored the way the API stores programs: every day number 0..16 starts at second 0, days without an own
// period with the type's default function.
TCRecordID weekProgram(const std::string& name, std::vector<std::tuple<int, long long, long long>> periods) {
    constexpr int kDayNumbers = 17;
    for (int day = 0; day < kDayNumbers; ++day) {
        const bool startsAtMidnight = std::any_of(periods.begin(), periods.end(), [day](const auto& period) {
            return std::get<0>(period) == day && std::get<1>(period) == 0;
        });
        if (!startsAtMidnight) periods.emplace_back(day, 0, kNoAccess);
    }
    std::sort(periods.begin(), periods.end());
    System::TCDBWeekPrograms programs;
    System::TCDBWeekProgramPeriods periodTable;
    namespace P = Table_CommonWeekProgramPeriods;
    TCRecordID id = DB::InsertRow(programs, {{&Table_CommonWeekPrograms::NAME, name},
                                             {&Table_CommonWeekPrograms::TYPE, kCardHolderType},
                                             {&Table_CommonWeekPrograms::IS_SYSTEM, 0LL}});
    for (const auto& [day, start, function] : periods)
        DB::InsertRow(
            periodTable,
            {{&P::LINKTO, id}, {&P::DAYNO, (long long)day}, {&P::STARTSEC, start}, {&P::FUNCTION, function}});
    return id;
}

void fillSite() {
    System::TCDBKeynodes keynodes;
    namespace K = Table_SystemKeynodes;
    TCRecordID main =
        DB::InsertRow(keynodes, {{&K::NAME, std::string("Main building")},
                                 {&K::IP, std::string("192.0.2.10")},
                                 {&K::PORT, 29700LL},
                                 {&K::MAC, std::string("02:00:00:00:00:10")},
                                 {&K::IS_MASTER, 1LL},
                                 {&K::GUID, std::string("5c1f4e2a-0001-4000-8000-000000000010")}});
    TCRecordID annex =
        DB::InsertRow(keynodes, {{&K::NAME, std::string("Warehouse")},
                                 {&K::IP, std::string("192.0.2.11")},
                                 {&K::PORT, 29700LL},
                                 {&K::MAC, std::string("02:00:00:00:00:11")},
                                 {&K::IS_MASTER, 0LL},
                                 {&K::GUID, std::string("5c1f4e2a-0001-4000-8000-000000000011")}});
    System::TCDBKeynodes::set_OwnID(main);

    Access::TCDBDoors doorTable;
    Access::TCDBReaders readerTable;
    namespace D = Table_AccessDoors;
    namespace R = Table_AccessReaders;
    const std::vector<std::pair<std::string, TCRecordID>> doorNames = {
        {"Main entrance", main},    {"Lobby", main},
        {"Office 1st floor", main}, {"Server room", main},
        {"Staff room", main},       {"Loading bay", annex},
        {"Warehouse hall", annex},  {"Warehouse office", annex}};
    std::vector<TCRecordID> doors, readers;
    long long instance = 1;
    for (const auto& [name, keynode] : doorNames) {
        TCRecordID door = DB::InsertRow(
            doorTable,
            {{&D::NAME, name}, {&D::TYPE, 1LL}, {&D::INSTANCENO, instance}, {&D::KEYNODE, keynode}});
        doors.push_back(door);
        readers.push_back(DB::InsertRow(readerTable, {{&R::NAME, name + " reader"},
                                                      {&R::TYPE, instance == 1 ? 2LL : 1LL},
                                                      {&R::INSTANCENO, instance},
                                                      {&R::DOORLINK, door}}));
        ++instance;
    }
    // The main entrance reader also opens the lobby door.
    Access::TCDBAccessMultiDoorLinks multiDoor;
    DB::InsertRow(multiDoor, {{&Table_AccessMultiDoorsLink::DOOR_LINK, doors[1]},
                              {&Table_AccessMultiDoorsLink::READER_LINK, readers[0]}});

    std::vector<std::tuple<int, long long, long long>> office, always;
    for (int day = 0; day < 5; ++day) {
        office.emplace_back(day, daySeconds(0, 0), kNoAccess);
        office.emplace_back(day, daySeconds(7, 0), kAccess);
        office.emplace_back(day, daySeconds(19, 0), kNoAccess);
    }
    for (int day = 0; day < 7; ++day)
        always.emplace_back(day, daySeconds(0, 0), kAccessWithPin);
    TCRecordID officeHours = weekProgram("Office hours", office);
    TCRecordID allDay = weekProgram("Around the clock with PIN", always);

    Access::TCDBAccessGroups groupTable;
    Access::TCDBAccessGroupRights rightTable;
    namespace G = Table_AccessGroups;
    namespace GR = Table_AccessGroupRights;
    auto group = [&](const std::string& name, long long priority, const std::vector<size_t>& doorIndexes,
                     TCRecordID program) {
        TCRecordID id = DB::InsertRow(groupTable, {{&G::NAME, name},
                                                   {&G::INFO, std::string("demo")},
                                                   {&G::PRIORITY, priority},
                                                   {&G::REUSABLE, 1LL}});
        for (size_t i : doorIndexes)
            DB::InsertRow(rightTable,
                          {{&GR::ACCESSGROUP, id}, {&GR::DOOR, doors[i]}, {&GR::WEEKPROGRAM, program}});
        return id;
    };
    TCRecordID staff = group("Staff", 30, {0, 1, 2, 4}, officeHours);
    TCRecordID facility = group("Facility management", 20, {0, 1, 2, 3, 4, 5, 6, 7}, allDay);
    TCRecordID visitors = group("Visitors", 50, {0, 1}, officeHours);

    Access::TCDBAccessCardHolders holderTable;
    Access::TCDBAccessCards cardTable;
    Access::TCDBAccessCardAccessGroupLinks linkTable;
    namespace H = Table_AccessCardHolders;
    namespace C = Table_AccessCards;
    auto holder = [&](const std::string& first, const std::string& last, const std::string& company,
                      const Value& validFrom, const Value& validTo, const Value& info) {
        return DB::InsertRow(holderTable, {{&H::FIRSTNAME, first},
                                           {&H::LASTNAME, last},
                                           {&H::COMPANYNAME, company},
                                           {&H::VALID_FROM, validFrom},
                                           {&H::VALID_TO, validTo},
                                           {&H::INFO, info},
                                           {&H::TYPE, 0LL}});
    };
    using Link = Access::TCDBAccessCardAccessGroupLinks::TCAccGroupLinkDetail;
    struct DemoCard {
        std::string Number;
        TCRecordID Owner;
        long long Type;
        bool Blocked;
        Value Pin;
        std::vector<int> Options;
        Value Info;
        std::list<Link> Links;
    };
    const auto& optionBits = TCStringOptionBits::get_Options(Access::CardOptions);
    auto card = [&](const DemoCard& c) {
        TCStringOptionBits options;
        for (int option : c.Options)
            options.SetOption(optionBits.at(option));
        TCRecordID id = DB::InsertRow(cardTable, {{&C::CARDNO, c.Number},
                                                  {&C::CARDHOLDER, c.Owner},
                                                  {&C::TYPE, c.Type},
                                                  {&C::BLOCKED, c.Blocked ? 1LL : 0LL},
                                                  {&C::PINCODE, c.Pin},
                                                  {&C::OPTIONS, options.get_AsString()},
                                                  {&C::INFO, c.Info}});
        linkTable.SetByCard(id, c.Links, true);
        return id;
    };
    TCRecordID anna = holder("Anna", "Berg", "Demo Ltd", utc(2026, 1, 1), nullptr, nullptr);
    TCRecordID ben = holder("Ben", "Carter", "Demo Ltd", utc(2026, 1, 1), nullptr, std::string("two cards"));
    TCRecordID chris = holder("Chris", "Dunn", "Facility Services", nullptr, nullptr, nullptr);
    TCRecordID dana =
        holder("Dana", "Evans", "Visitor", utc(2026, 12, 1), utc(2027, 1, 1), std::string("guest"));
    const TCUTCTime from2026(utc(2026, 1, 1)), to2027(utc(2027, 1, 1));
    card({"100001", anna, 0, false, std::string("1234"), {2}, nullptr, {Link{staff, {}, {}}}});
    card({"100002", ben, 0, false, nullptr, {}, std::string("main card"), {Link{staff, {}, {}}}});
    card({"100003", ben, 0, true, nullptr, {}, std::string("lost in March"), {}});
    card({"200001",
          chris,
          0,
          false,
          std::string("4711"),
          {1, 4, 7},
          nullptr,
          {Link{facility, {}, {}}, Link{staff, from2026, to2027}}});
    card({"900001",
          dana,
          0,
          false,
          nullptr,
          {6, 8},
          nullptr,
          {Link{visitors, TCUTCTime(utc(2026, 12, 1)), TCUTCTime(utc(2026, 12, 31))}}});
    // A service card of the hidden system type.
    card({"999999", chris, 1, false, nullptr, {}, std::string("service"), {}});

    System::TCDBHolidays holidayTable;
    System::TCDBHolidayPeriods periodTable;
    namespace HP = Table_CommonHolidayPeriods;
    TCRecordID newYear = DB::InsertRow(holidayTable, {{&Table_CommonHolidays::NAME, std::string("New Year")},
                                                      {&Table_CommonHolidays::REPEATED, 1LL}});
    DB::InsertRow(periodTable, {{&HP::LINK_HOLIDAY, newYear},
                                {&HP::STARTMONTH, 1LL},
                                {&HP::STARTDAY, 1LL},
                                {&HP::ENDMONTH, 1LL},
                                {&HP::ENDDAY, 1LL}});
    TCRecordID companyDays =
        DB::InsertRow(holidayTable, {{&Table_CommonHolidays::NAME, std::string("Company days")},
                                     {&Table_CommonHolidays::REPEATED, 0LL}});
    DB::InsertRow(periodTable, {{&HP::LINK_HOLIDAY, companyDays},
                                {&HP::STARTYEAR, 2027LL},
                                {&HP::STARTMONTH, 6LL},
                                {&HP::STARTDAY, 14LL},
                                {&HP::ENDYEAR, 2027LL},
                                {&HP::ENDMONTH, 6LL},
                                {&HP::ENDDAY, 15LL},
                                {&HP::ASSUMED_WEEKDAY, 6LL}});
}

} // namespace

int runDemo(const keynode::DataDir& dir, const Args& args) {
    long long generated = 0;
    if (args.size() == 2 && args[0] == "--cards")
        generated = parseNumber(args[1], "--cards", 1, 50'000'000);
    else if (!args.empty())
        throw UsageError("demo takes no arguments but --cards N");
    dir.open(false);
    {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        System::TCDBKeynodes keynodes;
        const bool hasSite = keynodes.SelectCount("*", DB::TCDBWhere()) > 0;
        // Generated cards may be added to a demo site again and again; the site itself is written once.
        if (hasSite && generated == 0) throw std::runtime_error("the database has a site already");
        if (!hasSite) {
            fillSite();
            std::cout << "demo site written to " << dir.path() << "\n";
        }
        transaction.Commit();
    }
    if (generated > 0) {
        addGeneratedCards(generated, std::cerr);
        std::cout << generated << " generated cards added to " << dir.path() << "\n";
    }
    return 0;
}

} // namespace keynodectl
