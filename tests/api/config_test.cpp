// "/config/weekprograms", "/config/holidays", "/keynodes" and "/info/api" over HTTP.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "ApiExpectations.h"
#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "JsonTypes/Config/KnaJson_Keynode.h"
#include "Net/TCIPNetworkInterfaceSettings.h"
#include "support/ApiTestServer.h"

using namespace ApiTest;
using Accessories::TCRecordID;

namespace {

const std::string kInternalError = ErrorBody(1, "Internal error. Please notify vendor.");

std::string IdOf(int64_t id, const std::string& extId = "") {
    return "{\"id\":" + std::to_string(id) + (extId.empty() ? "" : ",\"extId\":\"" + extId + "\"") + "}";
}

constexpr int kNoAccess = 100; // the card-holder type's default function
constexpr int kAccess = 101;
constexpr int kAccessWithPin = 102;

std::string PeriodsJson(const std::vector<Period>& periods) {
    std::string json = "[";
    for (const auto& [day, second, function] : periods)
        json += std::string(json.size() > 1 ? "," : "") + "{\"dayNo\":" + std::to_string(day) +
                ",\"startSecond\":" + std::to_string(second) + ",\"function\":" + std::to_string(function) +
                "}";
    return json + "]";
}

// The given periods plus, for every day without a period at second 0, one with the default function,
// in the order the API answers (day, then second).
std::vector<Period> Filled(std::vector<Period> periods) {
    for (int day = 0; day <= 16; ++day)
        if (std::none_of(periods.begin(), periods.end(),
                         [day](const Period& p) { return std::get<0>(p) == day && std::get<1>(p) == 0; }))
            periods.emplace_back(day, 0, kNoAccess);
    std::stable_sort(periods.begin(), periods.end(), [](const Period& a, const Period& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    return periods;
}

// One record of type 10 as GET answers it.
std::string Program(const std::string& identity, const std::string& name, const std::string& isSystem,
                    const std::vector<Period>& periods) {
    return "{\"records\":[{\"id\":" + identity + ",\"name\":" + name +
           ",\"type\":10,\"isSystem\":" + isSystem + ",\"periods\":" + PeriodsJson(periods) + "}]}";
}

int64_t PeriodCount() {
    return System::TCDBWeekProgramPeriods().SelectCount("*", DB::TCDBWhere());
}

std::string DumpPrograms() {
    return DumpRows(System::TCDBWeekPrograms(), "program") +
           DumpRows(System::TCDBWeekProgramPeriods(), "period");
}

const std::string kPrograms = "/config/weekprograms", kHolidays = "/config/holidays";

using WeekProgramsApiTest = AdminApiTest;

TEST_F(WeekProgramsApiTest, PostFillsOpenDaysAndAnswersTheStoredProgram) {
    const std::vector<Period> given = {{3, 0, kAccess}, {3, 28800, kAccessWithPin}, {16, 86399, kAccess}};
    const HttpReply reply = Call("POST", kPrograms,
                                 R"({"id":{"id":777,"extId":"office"},"name":"Office","type":10,)"
                                 R"("isSystem":false,"periods":)" +
                                     PeriodsJson(given) + R"(,"unknown":1})");
    ASSERT_EQ(200, reply.Status) << reply.Body;
    DB::TCDBIterator row = System::TCDBWeekPrograms().SelectAll();
    const int64_t id = row.get_ID().get_ID();
    EXPECT_NE(777, id) << "the database chooses the ID";
    EXPECT_EQ(0, row.Field(Table_CommonWeekPrograms::IS_SYSTEM).get_AsNullInt().get_Value(-1));
    // Day 3 keeps its own period at second 0; the 16 other days get the default function.
    const std::string stored = Program(IdOf(id, "office"), "\"Office\"", "false", Filled(given));
    EXPECT_EQ("{\"weekProgram\":" + stored.substr(12, stored.size() - 14) + "}", reply.Body);
    EXPECT_EQ(19, PeriodCount());

    const int64_t plain = Create(kPrograms, R"({"id":{},"type":10,"isSystem":null,"periods":null})");
    EXPECT_EQ(Program(IdOf(plain), "null", "false", Filled({})), Stored(kPrograms, IdOf(plain)));
    EXPECT_EQ(36, PeriodCount());
    // The same start with another function is kept; the edges of day and second pass.
    const int64_t same =
        Create(kPrograms, R"({"id":{},"type":10,"periods":[{"dayNo":2,"startSecond":60,"function":101},)"
                          R"({"dayNo":2,"startSecond":60,"function":102},)"
                          R"({"dayNo":16,"startSecond":86399,"function":102}]})");
    EXPECT_EQ(Program(IdOf(same), "null", "false", Filled({{2, 60, 101}, {2, 60, 102}, {16, 86399, 102}})),
              Stored(kPrograms, IdOf(same)));
}

TEST_F(WeekProgramsApiTest, RefusedRequestsChangeNothing) {
    const int64_t day = Create(kPrograms, R"({"id":{"extId":"dup"},"name":"Day","type":10})");
    const std::string system = IdJson(AddWeekProgramRow("_t_Always", 10, 1, {{0, 0, kAccess}}));
    const std::string release = IdJson(AddWeekProgramRow("Release", 20, 0, {{0, 0, 201}}));
    const std::string head = R"({"id":{},"type":10,"periods":[)";
    const std::string put = "{\"id\":" + IdOf(day) + ",\"name\":\"x\"";
    const std::string& path = kPrograms;
    const auto rule = [&](const std::string& body, const std::string& msg) {
        return Rejection{"POST", path, body, ErrorBody(1, msg)};
    };
    const auto parsing = [&](const std::string& body, const std::string& msg) {
        return Rejection{"POST", path, body, ParsingError(msg)};
    };
    const auto period = [&](int day, int start, int function, const std::string& msg) {
        return rule(R"({"id":{},"type":10,"periods":)" + PeriodsJson({{day, start, function}}) + "}", msg);
    };
    const std::string second = "Start second must be between 0 and 86399.",
                      dayNo = "Day must be between 0 and 16.";
    ExpectRejected(
        {
            rule(R"({"id":{}})", "Week program type is required"),
            rule(R"({"id":{},"type":null})", "Week program type is required"),
            rule(R"({"id":{},"type":20})", "Passed week program type 20 is not allowed"),
            rule(R"({"id":{},"type":10,"isSystem":true})", "Not allowed to create system week programs"),
            period(1, 0, 200, "Invalid function of value [200] for week program type of value [10]"),
            period(1, 86400, 101, "Invalid start second of value [86400]. " + second),
            period(1, -1, 101, "Invalid start second of value [-1]. " + second),
            period(17, 0, 101, "Invalid day of value [17]. " + dayNo),
            period(-1, 0, 101, "Invalid day of value [-1]. " + dayNo),
            rule(head + R"({"dayNo":2,"startSecond":60,"function":101},)" +
                     R"({"dayNo":2,"startSecond":60,"function":101}]})",
                 "Duplicated week program period not allowed. Duplication found for dayNo 2 and startSecond "
                 "60."),
            rule(R"({"id":{"extId":"dup"},"type":10})",
                 "External ID dup is already in use for table CommonWeekPrograms"),
            // All three members of a period are checked for presence before any value.
            parsing(head + R"({"dayNo":99,"startSecond":0}]})", "Expected function member"),
            parsing(head + R"({"dayNo":1,"startSecond":null,"function":101}]})",
                    "startSecond member can't be null"),
            parsing(head + "7]}", "Expected JSON object"),
            parsing(head + R"({"dayNo":"1","startSecond":0,"function":101}]})",
                    "RapidJson internal assertion failed"),
            parsing(R"({"id":{},"type":10,"periods":{}})", "Expected JSON array"),
            // Type and system flag cannot be updated, not even to null.
            {"PUT", path, put + R"(,"type":10})", ErrorBody(1, "Week program type cannot be updated")},
            {"PUT", path, put + R"(,"type":null})", ErrorBody(1, "Week program type cannot be updated")},
            {"PUT", path, put + R"(,"isSystem":null})",
             ErrorBody(1, "Week program is system flag cannot be updated")},
            {"PUT", path, put + R"(,"periods":[{"dayNo":0,"startSecond":0,"function":201}]})",
             ErrorBody(1, "Invalid function of value [201] for week program type of value [10]")},
            {"PUT", path, R"({"id":{},"name":"x"})", ErrorBody(1, "Week program id is required")},
            {"PUT", path, "{\"id\":" + system + ",\"name\":\"Mine\"}",
             ErrorBody(1, "Specified week program cannot be updated because it is system defined")},
            // Only served types have the rules an update needs.
            {"PUT", path, "{\"id\":" + release + ",\"name\":\"Mine\"}",
             ErrorBody(
                 1, "Passed week program type [20] does not have default function - possible internal bug, "
                    "please notify vendor")},
            {"DELETE", path + "?id=" + UrlEncode(system), "",
             ErrorBody(1, "Specified week program cannot be deleted because it is system defined")},
            {"DELETE", path + "?id=" + UrlEncode(release), "",
             ErrorBody(1, "Specified week program cannot be deleted because of its type")},
            {"DELETE", path + "?type=10", "", ErrorBody(1, "Missing parameter id")},
            {"GET", path + "?id=%7B%7D", "", ErrorBody(1, "Week program id is required")},
            {"GET", path + "?name=x", "", ErrorBody(1, "Missing query parameter")},
            {"GET", path + "?id=12", "", ParsingError("Expected JSON object")},
            {"GET", path + "?type=20", "", ErrorBody(1, "Passed week program type 20 is not allowed")},
            // Text that is no number reads as 0.
            {"GET", path + "?type=ten", "", ErrorBody(1, "Passed week program type 0 is not allowed")},
        },
        DumpPrograms);
    // A program of a type the API does not serve is not listed; a system one is, without its prefix.
    EXPECT_EQ("{\"records\":[]}", Stored(kPrograms, release));
    EXPECT_EQ("{\"records\":[]}", Stored(kPrograms, IdOf(4242)));
    EXPECT_EQ(Program(system, "\"Always\"", "true", {{0, 0, kAccess}}), Stored(kPrograms, system));
}

TEST_F(WeekProgramsApiTest, PutChangesOnlyWhatItCarries) {
    const std::vector<Period> original = {{1, 3600, kAccess}};
    const int64_t id = Create(kPrograms, R"({"id":{"extId":"wp"},"name":"Day","type":10,"periods":)" +
                                             PeriodsJson(original) + "}");
    const auto put = [&](const std::string& body) {
        Succeeds("PUT", kPrograms, body);
        return Stored(kPrograms, IdOf(id));
    };
    // Absent periods keep the stored ones; the name changes.
    EXPECT_EQ(Program(IdOf(id, "wp"), "\"Night\"", "false", Filled(original)),
              put("{\"id\":" + IdOf(id) + ",\"name\":\"Night\"}"));
    // Named by external ID only; absent name stays, new periods replace the old ones.
    const std::vector<Period> replaced = {{5, 0, kAccessWithPin}, {5, 7200, kAccess}};
    EXPECT_EQ(Program(IdOf(id, "wp"), "\"Night\"", "false", Filled(replaced)),
              put(R"({"id":{"extId":"wp"},"periods":)" + PeriodsJson(replaced) + "}"));
    EXPECT_EQ(18, PeriodCount());
    // A null name is stored as an empty text; an empty list becomes the seventeen filled-in periods.
    EXPECT_EQ(Program(IdOf(id, "wp"), "\"\"", "false", Filled({})),
              put(R"({"id":{"extId":"wp"},"name":null,"periods":[]})"));
    EXPECT_EQ(17, PeriodCount());
}

TEST_F(WeekProgramsApiTest, GetByTypeListsWithoutExternalIdsAndDeleteTakesThePeriods) {
    const int64_t kept = Create(kPrograms, R"({"id":{"extId":"a"},"name":"A","type":10})");
    Create(kPrograms, R"({"id":{"extId":"gone"},"name":"B","type":10})");
    AddWeekProgramRow("Release", 20, 0);
    const std::string a = Program(IdOf(kept), "\"A\"", "false", Filled({}));
    const std::string b = Program(IdOf(kept + 1), "\"B\"", "false", Filled({}));
    EXPECT_EQ(a.substr(0, a.size() - 2) + "," + b.substr(12), Call("GET", kPrograms + "?type=10").Body);

    Succeeds("DELETE", kPrograms + "?id=" + UrlEncode(R"({"extId":"gone"})"));
    EXPECT_EQ(17, System::TCDBWeekProgramPeriods().SelectCount("*", Table_CommonWeekProgramPeriods::LINKTO ==
                                                                        TCRecordID(kept)));
    EXPECT_EQ(17, PeriodCount());

    // Access rights that name the program keep it, and the caller is told why.
    const TCRecordID group = AddRow(Access::TCDBAccessGroups(), {}, {});
    for (int right = 0; right < 2; ++right)
        AddRow(Access::TCDBAccessGroupRights(),
               {&Table_AccessGroupRights::ACCESSGROUP, &Table_AccessGroupRights::DOOR,
                &Table_AccessGroupRights::WEEKPROGRAM},
               {group, AddRow(Access::TCDBDoors(), {}, {}), kept});
    ExpectRejected(
        {{"DELETE", "/config/weekprograms?id=" + UrlEncode(IdOf(kept)), "",
          ErrorBody(1, "Specified week program cannot be deleted because it is used by 2 access rights")}},
        DumpPrograms);
}

struct HolidayPeriod {
    int AssumedWeekDay;
    std::string StartYear; // JSON: a number or null
    int StartMonth, StartDay;
    std::string EndYear;
    int EndMonth, EndDay;
};

std::string HolidayPeriodsJson(const std::vector<HolidayPeriod>& periods) {
    std::string json = "[";
    for (const HolidayPeriod& p : periods)
        json += (json.size() > 1 ? ",{\"assumedWeekDay\":" : "{\"assumedWeekDay\":") +
                std::to_string(p.AssumedWeekDay) + ",\"startYear\":" + p.StartYear +
                ",\"startMonth\":" + std::to_string(p.StartMonth) +
                ",\"startDay\":" + std::to_string(p.StartDay) + ",\"endYear\":" + p.EndYear +
                ",\"endMonth\":" + std::to_string(p.EndMonth) + ",\"endDay\":" + std::to_string(p.EndDay) +
                "}";
    return json + "]";
}

std::string HolidayJson(const std::string& identity, const std::string& name, const std::string& isRepeated,
                        const std::vector<HolidayPeriod>& periods) {
    return "{\"id\":" + identity + ",\"name\":" + name + ",\"isRepeated\":" + isRepeated +
           ",\"periods\":" + HolidayPeriodsJson(periods) + "}";
}

std::string Holidays(const std::vector<std::string>& holidays) {
    std::string records;
    for (const std::string& holiday : holidays)
        records += (records.empty() ? "" : ",") + holiday;
    return "{\"records\":[" + records + "]}";
}

int64_t HolidayPeriodCount() {
    return System::TCDBHolidayPeriods().SelectCount("*", DB::TCDBWhere());
}

std::string DumpHolidays() {
    return DumpRows(System::TCDBHolidays(), "holiday") + DumpRows(System::TCDBHolidayPeriods(), "period");
}

const HolidayPeriod kNewYear{0, "null", 1, 1, "null", 1, 1};

using HolidaysApiTest = AdminApiTest;

TEST_F(HolidaysApiTest, PostStoresTheHolidayAndAnswersItWithPeriodsInCalendarOrder) {
    EXPECT_EQ("{\"records\":[]}", Call("GET", kHolidays).Body);
    const std::vector<HolidayPeriod> given = {{5, "2024", 12, 24, "2024", 12, 26},
                                              {2, "2025", 3, 1, "null", 3, 2},
                                              {2, "null", 7, 4, "null", 7, 4},
                                              {2, "2024", 5, 1, "2024", 4, 1}}; // end before start is kept
    const HttpReply reply =
        Call("POST", kHolidays,
             R"({"id":{"id":555,"extId":"xmas"},"name":"Christmas","isRepeated":true,"periods":)" +
                 HolidayPeriodsJson(given) + "}");
    ASSERT_EQ(200, reply.Status) << reply.Body;
    DB::TCDBIterator row = System::TCDBHolidays().SelectAll();
    const int64_t id = row.get_ID().get_ID();
    EXPECT_NE(555, id);
    EXPECT_EQ(1, row.Field(Table_CommonHolidays::REPEATED).get_AsInteger());
    // By assumed day, then start year (no year first), month and day.
    const std::vector<HolidayPeriod> ordered = {given[2], given[3], given[1], given[0]};
    const std::string record = HolidayJson(IdOf(id, "xmas"), "\"Christmas\"", "true", ordered);
    EXPECT_EQ("{\"holiday\":" + record + "}", reply.Body);
    // Lookups by external ID and by record ID answer the same; the full list does not select external IDs,
    // and ignores other parameters.
    EXPECT_EQ(Holidays({record}), Stored(kHolidays, R"({"extId":"xmas"})"));
    EXPECT_EQ(Holidays({record}), Stored(kHolidays, IdOf(id)));
    const int64_t plain = Create(kHolidays, R"({"id":{},"isRepeated":false})");
    const std::string all = Holidays({HolidayJson(IdOf(id), "\"Christmas\"", "true", ordered),
                                      HolidayJson(IdOf(plain), "null", "false", {})});
    EXPECT_EQ(all, Call("GET", kHolidays).Body);
    EXPECT_EQ(all, Call("GET", kHolidays + "?name=A&type=1").Body);
    // GET answers a holiday it cannot find as an empty record.
    EXPECT_EQ(Holidays({HolidayJson("{\"id\":null}", "null", "null", {})}), Stored(kHolidays, IdOf(99)));

    // The edges pass; without a year only the plain ranges apply.
    const std::vector<HolidayPeriod> edges = {{16, "2000", 2, 29, "3000", 12, 31},
                                              {0, "2024", 2, 29, "null", 2, 31}};
    const int64_t edge =
        Create(kHolidays, R"({"id":{},"isRepeated":true,"periods":)" + HolidayPeriodsJson(edges) + "}");
    EXPECT_EQ(Holidays({HolidayJson(IdOf(edge), "null", "true", {edges[1], edges[0]})}),
              Stored(kHolidays, IdOf(edge)));
}

TEST_F(HolidaysApiTest, RefusedRequestsChangeNothing) {
    Create(kHolidays, R"({"id":{"extId":"h"},"name":"Easter","isRepeated":true,"periods":)" +
                          HolidayPeriodsJson({kNewYear}) + "}");
    const std::string path = "/config/holidays";
    const auto period = [&](const HolidayPeriod& p, const std::string& msg) {
        return Rejection{"POST", path,
                         R"({"id":{},"isRepeated":false,"periods":)" + HolidayPeriodsJson({p}) + "}",
                         ErrorBody(1, msg)};
    };
    const auto parsing = [&](const std::string& body, const std::string& msg) {
        return Rejection{"POST", path, body, ParsingError(msg)};
    };
    const auto notFound = [](const std::string& identity) {
        return RecordNotFoundBody(Table_CommonHolidays::SPEC.TableID, identity);
    };
    const std::string day = "Day must be between 0 and 16.", years = "must be between 2000 and 3000.";
    const std::string head = R"({"id":{},"isRepeated":true,"periods":[{"assumedWeekDay":)";
    ExpectRejected(
        {
            {"POST", path, R"({"id":{},"name":"x"})",
             ErrorBody(1, "Field isRepeated is required for insert")},
            {"POST", path, R"({"id":{},"isRepeated":null})",
             ErrorBody(1, "Field isRepeated is required for insert")},
            period({17, "null", 1, 1, "null", 1, 1}, "Invalid assumed week day of value [17]. " + day),
            period({-1, "null", 1, 1, "null", 1, 1}, "Invalid assumed week day of value [-1]. " + day),
            period({0, "null", 13, 1, "null", 1, 1},
                   "Invalid start month of value [13]. Start month must be between 1 and 12."),
            period({0, "null", 1, 1, "null", 0, 1},
                   "Invalid end month of value [0]. End month must be between 1 and 12."),
            period({0, "null", 1, 32, "null", 1, 1},
                   "Invalid start day of value [32]. Start day must be between 1 and 31."),
            period({0, "null", 1, 1, "null", 1, -3},
                   "Invalid end day of value [-3]. End day must be between 1 and 31."),
            // Months are checked before days.
            period({0, "null", 1, 40, "null", 14, 1},
                   "Invalid end month of value [14]. End month must be between 1 and 12."),
            period({0, "1999", 1, 1, "null", 1, 1},
                   "Invalid start year of value [1999]. Start year, if specified, " + years),
            period({0, "null", 1, 1, "3001", 1, 1},
                   "Invalid end year of value [3001]. End year, if specified, " + years),
            period({0, "2023", 2, 29, "null", 3, 1},
                   "Specified holiday start date of value year: [2023], month [2] and day [29] is invalid"),
            period({0, "null", 2, 1, "2023", 2, 29},
                   "Specified holiday end date of value year: [2023], month [2] and day [29] is invalid"),
            parsing(head + R"(0,"startYear":"2024","startMonth":1,"startDay":1,"endMonth":1,"endDay":1}]})",
                    "RapidJson internal assertion failed"),
            parsing(head + R"(0,"startMonth":1,"startDay":1,"endMonth":1}]})", "Expected endDay member"),
            parsing(head + R"(null,"startMonth":1,"startDay":1,"endMonth":1,"endDay":1}]})",
                    "assumedWeekDay member can't be null"),
            parsing(R"({"id":{},"isRepeated":true,"periods":[null]})", "Expected JSON object"),
            parsing(R"({"id":{},"isRepeated":true,"periods":7})", "Expected JSON array"),
            {"PUT", path, R"({"id":{"extId":"h"},"name":"x","isRepeated":null})",
             ErrorBody(1, "If field isRepeated is specified, it cannot be bull")},
            {"PUT", path, R"({"id":{"extId":"nope"}})", notFound(R"({"id":null,"extId":"nope"})")},
            {"PUT", path, R"({"id":{}})", ErrorBody(1, "Holiday id is required")},
            {"GET", path + "?id=%7B%7D", "", ErrorBody(1, "Holiday id is required")},
            {"DELETE", path + "?id=" + UrlEncode(R"({"id":99})"), "", notFound(R"({"id":99})")},
        },
        DumpHolidays);
}

TEST_F(HolidaysApiTest, PutWritesPresentMembersAndDeleteTakesThePeriods) {
    const int64_t id =
        Create(kHolidays, R"({"id":{"extId":"h"},"name":"Easter","isRepeated":true,"periods":)" +
                              HolidayPeriodsJson({kNewYear}) + "}");
    const auto put = [&](const std::string& body) {
        Succeeds("PUT", kHolidays, body);
        return Stored(kHolidays, IdOf(id));
    };
    // Only the name given: repetition and periods stay.
    EXPECT_EQ(Holidays({HolidayJson(IdOf(id, "h"), "\"Spring\"", "true", {kNewYear})}),
              put(R"({"id":{"extId":"h"},"name":"Spring"})"));
    // A null name stores null; an empty list removes every period, and so does null.
    EXPECT_EQ(Holidays({HolidayJson(IdOf(id, "h"), "null", "false", {})}),
              put("{\"id\":" + IdOf(id) + R"(,"name":null,"isRepeated":false,"periods":[]})"));
    put(R"({"id":{"extId":"h"},"periods":)" + HolidayPeriodsJson({kNewYear}) + "}");
    EXPECT_EQ(1, HolidayPeriodCount());
    put(R"({"id":{"extId":"h"},"periods":null})");
    EXPECT_EQ(0, HolidayPeriodCount());

    const int64_t kept =
        Create(kHolidays, R"({"id":{},"isRepeated":true,"periods":)" + HolidayPeriodsJson({kNewYear}) + "}");
    put(R"({"id":{"extId":"h"},"periods":)" +
        HolidayPeriodsJson({kNewYear, {3, "null", 5, 1, "null", 5, 1}}) + "}");
    Succeeds("DELETE", kHolidays + "?id=" + UrlEncode(R"({"extId":"h"})"));
    EXPECT_EQ(1, System::TCDBHolidayPeriods().SelectCount("*", Table_CommonHolidayPeriods::LINK_HOLIDAY ==
                                                                   TCRecordID(kept)));
    EXPECT_EQ(1, HolidayPeriodCount());
}

// A fault while the periods are written rolls the whole write back, the external ID included: with the
// fault gone the same record can be created.
TEST_F(HolidaysApiTest, AFaultInTheMiddleOfWritingPeriodsRollsBackEverything) {
    const int64_t program = Create(kPrograms, R"({"id":{},"name":"Day","type":10})");
    const int64_t holiday = Create(kHolidays, R"({"id":{},"name":"Old","isRepeated":true,"periods":)" +
                                                  HolidayPeriodsJson({kNewYear}) + "}");
    const std::string three =
        HolidayPeriodsJson({kNewYear, {1, "null", 2, 2, "null", 2, 2}, {2, "null", 3, 3, "null", 3, 3}});
    const struct {
        std::string Table, Link, Path, Post, Put;
        std::function<std::string()> State;
    } cases[] = {
        {"CommonWeekProgramPeriods", "LINKTO", kPrograms, R"({"id":{"extId":"n"},"name":"Half","type":10})",
         "{\"id\":" + IdOf(program) + R"(,"name":"Night","periods":[]})", DumpPrograms},
        {"CommonHolidayPeriods", "LINK_HOLIDAY", kHolidays,
         R"({"id":{"extId":"n"},"isRepeated":true,"periods":)" + three + "}",
         "{\"id\":" + IdOf(holiday) + R"(,"name":"New","isRepeated":false,"periods":)" + three + "}",
         DumpHolidays},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Table);
        FailInsertsWhen(c.Table, "(SELECT COUNT(*) FROM " + c.Table + " WHERE " + c.Link + " = NEW." +
                                     c.Link + ") >= " + (c.Path == kPrograms ? "4" : "2"));
        ExpectRejected(
            {{"POST", c.Path, c.Post, kInternalError, 500}, {"PUT", c.Path, c.Put, kInternalError, 500}},
            c.State);
        StopFailingInserts(c.Table);
        EXPECT_EQ(200, Call("POST", c.Path, c.Post).Status);
    }
}

struct KeynodeRow {
    std::string Name, IP;
    int Port;
    std::string MAC;
    Accessories::TCNullTypes<int> IsMaster;
};

TCRecordID AddKeynode(const KeynodeRow& k) {
    namespace K = Table_SystemKeynodes;
    return AddRow(System::TCDBKeynodes(), {&K::NAME, &K::IP, &K::PORT, &K::MAC, &K::IS_MASTER},
                  {k.Name, k.IP, k.Port, k.MAC, k.IsMaster});
}

const std::string kOwnVersion = R"({"major":2,"minor":12,"revision":7})";
const std::string kOtherVersion = R"({"major":0,"minor":9,"revision":4})";

std::string KeynodeJson(const std::string& id, const KeynodeRow& row, bool isMaster,
                        const std::string& version) {
    return "{\"id\":{\"id\":" + id + "},\"name\":\"" + row.Name + "\",\"ipAddress\":\"" + row.IP +
           "\",\"port\":" + std::to_string(row.Port) + ",\"macAddress\":\"" + row.MAC +
           "\",\"isMaster\":" + (isMaster ? "true" : "false") +
           ",\"variantType\":2,\"variantName\":\"Complete\",\"version\":" + version + "}";
}

class KeynodesApiTest : public AdminApiTest {
protected:
    void SetUp() override {
        AddWebUser({"viewer", "pw", {}, {}, {11002}});
        AddWebUser({"info", "pw", {}, {}, {11001}});
        AdminApiTest::SetUp();
    }
};

TEST_F(KeynodesApiTest, ApiInfoAndTheKeynodeListWithOnlyTheOwnUnitsSoftwareVersion) {
    EXPECT_EQ("{\"version\":" + kOtherVersion + "}", Call("GET", "/info/api", "", "info").Body);
    EXPECT_EQ(401, Call("GET", "/info/api", "", "viewer").Status);
    const KeynodeRow running{TCIPNetworkInterfaceSettings::GetLocalHostname(),
                             TCIPNetworkInterfaceSettings::GetIPAddress("").get_AsString(),
                             29700,
                             TCIPNetworkInterfaceSettings::GetMACAddress("").get_AsString(':'),
                             {}};
    EXPECT_EQ("{\"records\":[" + KeynodeJson("null", running, false, kOwnVersion) + "]}",
              Call("GET", "/keynodes", "", "viewer").Body);

    // Every row is listed; only the own unit carries its software version.
    const KeynodeRow master{"Entrance", "10.0.0.5", 29700, "00:11:22:33:44:55", 1};
    const KeynodeRow own{"Office", "10.0.0.6", 29701, "00:11:22:33:44:66", 2};
    const KeynodeRow spare{"Spare", "", 0, "", {}};
    const TCRecordID masterID = AddKeynode(master), ownID = AddKeynode(own), spareID = AddKeynode(spare);
    System::TCDBKeynodes::set_OwnID(ownID);
    EXPECT_EQ("{\"records\":[" + KeynodeJson(Id(masterID), master, true, kOtherVersion) + "," +
                  KeynodeJson(Id(ownID), own, false, kOwnVersion) + "," +
                  KeynodeJson(Id(spareID), spare, false, kOtherVersion) + "]}",
              Call("GET", "/keynodes", "", "viewer").Body);

    EXPECT_EQ(ownID, KeynodeApi::KnaJson_Keynode().GetID().GetRecordID());

    // Reloading from an iterator at its end clears the row fields but keeps the version.
    System::TCDBKeynodes keynodes;
    DB::TCDBIterator row = keynodes.SelectAll();
    row.Next();
    KeynodeApi::KnaJson_Keynode keynode(row);
    row.Next();
    row.Next();
    EXPECT_FALSE(keynode.LoadFromIterator(row));
    EXPECT_TRUE(keynode.GetID().IsNull());
    EXPECT_EQ("", keynode.GetName());
    EXPECT_EQ(-1, keynode.GetPort());
    EXPECT_FALSE(keynode.IsMaster());
    EXPECT_EQ(2, keynode.GetVersion().GetMajor());

    // A stored own ID whose row is gone falls back to the running system.
    System::TCDBKeynodes().DeleteWhere(Table_SystemKeynodes::ID == ownID);
    const KeynodeApi::KnaJson_Keynode fallback;
    EXPECT_TRUE(fallback.GetID().IsNull());
    EXPECT_EQ(29700, fallback.GetPort());
    EXPECT_EQ(TCIPNetworkInterfaceSettings::GetLocalHostname(), fallback.GetName());
}

} // namespace
