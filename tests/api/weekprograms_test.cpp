// "/config/weekprograms" over HTTP: the type rules loaded from the static tables, period checks and
// filling, system programs, and that every failed write leaves the database as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "ApiExpectations.h"
#include "DB/TCDBRawSql.h"
#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "KnaStatic.h"
#include "support/ApiTestServer.h"

using namespace ApiTest;

namespace {

using Period = std::tuple<int, int, int>; // day, start second, function

constexpr int kCardHolderType = 10;
constexpr int kNoAccess = 100; // the card-holder type's default function
constexpr int kAccess = 101;
constexpr int kAccessWithPin = 102;

std::string PeriodsJson(const std::vector<Period>& periods) {
    std::string json = "[";
    for (const auto& [day, second, function] : periods) {
        if (json.size() > 1) json += ",";
        json += "{\"dayNo\":" + std::to_string(day) + ",\"startSecond\":" + std::to_string(second) +
                ",\"function\":" + std::to_string(function) + "}";
    }
    return json + "]";
}

// The given periods plus, for every day without a period at second 0, one with the default function,
// in the order the API answers (day, then second).
std::vector<Period> Filled(std::vector<Period> periods) {
    for (int day = 0; day <= 16; ++day) {
        bool startsAtMidnight = false;
        for (const auto& [d, second, function] : periods)
            startsAtMidnight |= (d == day && second == 0);
        if (!startsAtMidnight) periods.emplace_back(day, 0, kNoAccess);
    }
    std::sort(periods.begin(), periods.end(), [](const Period& a, const Period& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    return periods;
}

std::string ProgramJson(const std::string& identity, const std::string& name, const std::string& type,
                        const std::string& isSystem, const std::vector<Period>& periods) {
    return "{\"id\":" + identity + ",\"name\":" + name + ",\"type\":" + type + ",\"isSystem\":" + isSystem +
           ",\"periods\":" + PeriodsJson(periods) + "}";
}

std::string NotFoundBody(const std::string& identity) {
    return RecordNotFoundBody(Table_CommonWeekPrograms::SPEC.TableID, identity);
}

const std::string kInternalError = ErrorBody(1, "Internal error. Please notify vendor.");

int64_t ProgramCount() {
    return System::TCDBWeekPrograms().SelectCount("*", DB::TCDBWhere());
}

int64_t PeriodCount() {
    return System::TCDBWeekProgramPeriods().SelectCount("*", DB::TCDBWhere());
}

// A program written directly, as the host's own configuration writes system programs.
int64_t AddProgramRow(const std::string& name, int type, int isSystem, const std::vector<Period>& periods) {
    System::TCDBWeekPrograms programs;
    DB::TCDBAutoObject row;
    programs.CreateObject(row);
    row.Field(Table_CommonWeekPrograms::NAME).set_AsString(name);
    row.Field(Table_CommonWeekPrograms::TYPE).set_AsInteger(type);
    row.Field(Table_CommonWeekPrograms::IS_SYSTEM).set_AsInteger(isSystem);
    row.Save();
    const int64_t id = row.get_ID().get_ID();
    System::TCDBWeekProgramPeriods periodTable;
    for (const auto& [day, second, function] : periods) {
        DB::TCDBAutoObject period;
        periodTable.CreateObject(period);
        period.Field(Table_CommonWeekProgramPeriods::LINKTO).set_AsBigInt(id);
        period.Field(Table_CommonWeekProgramPeriods::DAYNO).set_AsInteger(day);
        period.Field(Table_CommonWeekProgramPeriods::STARTSEC).set_AsInteger(second);
        period.Field(Table_CommonWeekProgramPeriods::FUNCTION).set_AsInteger(function);
        period.Save();
    }
    return id;
}

class WeekProgramsApiTest : public ApiHttpTest {
protected:
    void SetUp() override {
        AddAllMethodsUser("admin", "pw");
        StartServer();
        EnableApi();
    }

    HttpReply Call(const std::string& method, const std::string& query, const std::string& body = "") {
        HttpCall call;
        call.Method = method;
        call.Target = "/api/v1/config/weekprograms" + query;
        call.Authorization = BasicAuthorization("admin", "pw");
        call.Body = body;
        return Send(call);
    }
    HttpReply Post(const std::string& body) { return Call("POST", "", body); }
    HttpReply Put(const std::string& body) { return Call("PUT", "", body); }
    HttpReply GetById(const std::string& identity) { return Call("GET", "?id=" + UrlEncode(identity)); }
    HttpReply DeleteById(const std::string& identity) { return Call("DELETE", "?id=" + UrlEncode(identity)); }

    // A failing write must answer with the status and body and change no row.
    void ExpectRejected(const std::string& method, const std::string& body, int status,
                        const std::string& expectedBody) {
        const int64_t programs = ProgramCount(), periods = PeriodCount();
        const HttpReply reply = Call(method, "", body);
        EXPECT_EQ(status, reply.Status) << body;
        EXPECT_EQ(expectedBody, reply.Body) << body;
        EXPECT_EQ(programs, ProgramCount()) << body;
        EXPECT_EQ(periods, PeriodCount()) << body;
    }
    void ExpectPostRejected(const std::string& body, const std::string& msg) {
        ExpectRejected("POST", body, 400, ErrorBody(1, msg));
    }
    void ExpectPostParsingError(const std::string& body, const std::string& msg) {
        ExpectRejected("POST", body, 400, ErrorBody(2, "Parsing error:" + msg));
    }

    // Posts a program and returns its record ID.
    int64_t PostProgram(const std::string& body) {
        const HttpReply reply = Post(body);
        EXPECT_EQ(200, reply.Status) << reply.Body;
        System::TCDBWeekPrograms programs;
        DB::TCDBIterator last =
            programs.Select("*", DB::TCDBWhere(), DB::TCDBOrder(Table_CommonWeekPrograms::ID, true));
        return last.IsEnd() ? -1 : last.get_ID().get_ID();
    }

    std::string Stored(int64_t id) { return GetById("{\"id\":" + std::to_string(id) + "}").Body; }
};

TEST_F(WeekProgramsApiTest, RulesComeFromTheStaticTables) {
    using KeynodeApi::KnaStatic;
    EXPECT_TRUE(KnaStatic::WeekPrograms_IsTypeAllowed(kCardHolderType));
    // Type 20 exists in the static tables but is not served.
    EXPECT_FALSE(KnaStatic::WeekPrograms_IsTypeAllowed(20));
    for (const int function : {kNoAccess, kAccess, kAccessWithPin})
        EXPECT_TRUE(KnaStatic::WeekPrograms_IsFunctionAllowedForType(kCardHolderType, function)) << function;
    EXPECT_FALSE(KnaStatic::WeekPrograms_IsFunctionAllowedForType(kCardHolderType, 200));
    EXPECT_FALSE(KnaStatic::WeekPrograms_IsFunctionAllowedForType(20, 200));
    int function = -1;
    EXPECT_TRUE(KnaStatic::WeekPrograms_GetDefaultFunctionForType(kCardHolderType, function));
    EXPECT_EQ(kNoAccess, function);
    EXPECT_FALSE(KnaStatic::WeekPrograms_GetDefaultFunctionForType(20, function));
}

TEST_F(WeekProgramsApiTest, PostFillsOpenDaysAndAnswersTheStoredProgram) {
    const std::vector<Period> given = {{3, 0, kAccess}, {3, 28800, kAccessWithPin}, {16, 86399, kAccess}};
    const HttpReply reply = Post("{\"id\":{\"id\":777,\"extId\":\"office\"},\"name\":\"Office\",\"type\":10,"
                                 "\"isSystem\":false,\"periods\":" +
                                 PeriodsJson(given) + ",\"unknown\":1}");
    ASSERT_EQ(200, reply.Status) << reply.Body;

    System::TCDBWeekPrograms programs;
    DB::TCDBIterator row = programs.SelectAll();
    ASSERT_TRUE(row.IsNotEnd());
    const int64_t id = row.get_ID().get_ID();
    // The database assigns the ID; the one in the request is not used.
    EXPECT_NE(777, id);
    EXPECT_EQ(0, row.Field(Table_CommonWeekPrograms::IS_SYSTEM).get_AsNullInt().get_Value(-1));

    // Day 3 keeps its own period at second 0; the 16 other days get the default function.
    const std::vector<Period> expected = Filled(given);
    ASSERT_EQ(19u, expected.size());
    EXPECT_EQ("{\"weekProgram\":" +
                  ProgramJson("{\"id\":" + std::to_string(id) + ",\"extId\":\"office\"}", "\"Office\"", "10",
                              "false", expected) +
                  "}",
              reply.Body);
    EXPECT_EQ(19, PeriodCount());
}

TEST_F(WeekProgramsApiTest, PostWithoutPeriodsStoresSeventeenDefaultPeriods) {
    const int64_t id = PostProgram("{\"id\":{},\"type\":10,\"isSystem\":null,\"periods\":null}");
    EXPECT_EQ("{\"records\":[" +
                  ProgramJson("{\"id\":" + std::to_string(id) + "}", "null", "10", "false", Filled({})) +
                  "]}",
              Stored(id));
    EXPECT_EQ(17, PeriodCount());
}

TEST_F(WeekProgramsApiTest, PostRefusesWhatTheTypeRulesForbid) {
    ExpectPostRejected("{\"id\":{}}", "Week program type is required");
    ExpectPostRejected("{\"id\":{},\"type\":null}", "Week program type is required");
    ExpectPostRejected("{\"id\":{},\"type\":20}", "Passed week program type 20 is not allowed");
    ExpectPostRejected("{\"id\":{},\"type\":10,\"isSystem\":true}",
                       "Not allowed to create system week programs");
    ExpectPostRejected(
        "{\"id\":{},\"type\":10,\"periods\":[{\"dayNo\":1,\"startSecond\":0,\"function\":200}]}",
        "Invalid function of value [200] for week program type of value [10]");
    EXPECT_EQ(0, ProgramCount());
}

TEST_F(WeekProgramsApiTest, PeriodBoundsAreChecked) {
    const std::string head = "{\"id\":{},\"type\":10,\"periods\":[";
    ExpectPostRejected(head + "{\"dayNo\":1,\"startSecond\":86400,\"function\":101}]}",
                       "Invalid start second of value [86400]. Start second must be between 0 and 86399.");
    ExpectPostRejected(head + "{\"dayNo\":1,\"startSecond\":-1,\"function\":101}]}",
                       "Invalid start second of value [-1]. Start second must be between 0 and 86399.");
    ExpectPostRejected(head + "{\"dayNo\":17,\"startSecond\":0,\"function\":101}]}",
                       "Invalid day of value [17]. Day must be between 0 and 16.");
    ExpectPostRejected(head + "{\"dayNo\":-1,\"startSecond\":0,\"function\":101}]}",
                       "Invalid day of value [-1]. Day must be between 0 and 16.");
    // All three members are checked for presence before any value.
    ExpectPostParsingError(head + "{\"dayNo\":99,\"startSecond\":0}]}", "Expected function member");
    ExpectPostParsingError(head + "{\"dayNo\":1,\"startSecond\":null,\"function\":101}]}",
                           "startSecond member can't be null");
    ExpectPostParsingError(head + "7]}", "Expected JSON object");

    const int64_t id = PostProgram(head + "{\"dayNo\":16,\"startSecond\":86399,\"function\":102}]}");
    EXPECT_NE(std::string::npos, Stored(id).find("{\"dayNo\":16,\"startSecond\":86399,\"function\":102}"));
}

TEST_F(WeekProgramsApiTest, IdenticalPeriodsAreRefusedButTheSameStartWithAnotherFunctionIsKept) {
    ExpectPostRejected(
        "{\"id\":{},\"type\":10,\"periods\":[{\"dayNo\":2,\"startSecond\":60,\"function\":101},"
        "{\"dayNo\":2,\"startSecond\":60,\"function\":101}]}",
        "Duplicated week program period not allowed. Duplication found for dayNo 2 and startSecond 60.");

    const int64_t id = PostProgram("{\"id\":{},\"type\":10,\"periods\":[{\"dayNo\":2,\"startSecond\":60,"
                                   "\"function\":101},{\"dayNo\":2,\"startSecond\":60,\"function\":102}]}");
    EXPECT_EQ(19, PeriodCount());
    const std::string stored = Stored(id);
    EXPECT_NE(std::string::npos, stored.find("{\"dayNo\":2,\"startSecond\":60,\"function\":101}"));
    EXPECT_NE(std::string::npos, stored.find("{\"dayNo\":2,\"startSecond\":60,\"function\":102}"));
}

TEST_F(WeekProgramsApiTest, MalformedBodiesAreParsingErrors) {
    const std::string assertion = "RapidJson internal assertion failed";
    ExpectPostParsingError("{\"id\":{},\"type\":10,\"name\":5}", assertion);
    ExpectPostParsingError("{\"id\":{},\"type\":\"10\"}", assertion);
    ExpectPostParsingError("{\"id\":{},\"type\":1.5}", assertion);
    ExpectPostParsingError("{\"id\":{},\"type\":10,\"isSystem\":0}", assertion);
    ExpectPostParsingError(
        "{\"id\":{},\"type\":10,\"periods\":[{\"dayNo\":\"1\",\"startSecond\":0,\"function\":101}]}",
        assertion);
    ExpectPostParsingError("{\"id\":{},\"type\":10,\"periods\":{}}", "Expected JSON array");
    ExpectPostParsingError("[]", "Expected JSON object");
    ExpectPostParsingError("{\"type\":10}", "Expected id member");
    ExpectPostParsingError("{\"id\":null,\"type\":10}", "id member can't be null");
    ExpectPostParsingError("{\"id\":", "Could not parse input, error: 3");
}

TEST_F(WeekProgramsApiTest, PutChangesOnlyWhatItCarries) {
    const std::vector<Period> original = {{1, 3600, kAccess}};
    const int64_t id = PostProgram(
        "{\"id\":{\"extId\":\"wp\"},\"name\":\"Day\",\"type\":10,\"periods\":" + PeriodsJson(original) + "}");
    const std::string identity = "{\"id\":" + std::to_string(id) + ",\"extId\":\"wp\"}";

    // Absent periods keep the stored ones; the name changes.
    ASSERT_EQ(200, Put("{\"id\":{\"id\":" + std::to_string(id) + "},\"name\":\"Night\"}").Status);
    EXPECT_EQ("{\"records\":[" + ProgramJson(identity, "\"Night\"", "10", "false", Filled(original)) + "]}",
              Stored(id));

    // Named by external ID only; absent name stays, new periods replace the old ones.
    const std::vector<Period> replaced = {{5, 0, kAccessWithPin}, {5, 7200, kAccess}};
    const HttpReply put = Put("{\"id\":{\"extId\":\"wp\"},\"periods\":" + PeriodsJson(replaced) + "}");
    EXPECT_EQ(200, put.Status);
    EXPECT_EQ("", put.Body);
    EXPECT_EQ("{\"records\":[" + ProgramJson(identity, "\"Night\"", "10", "false", Filled(replaced)) + "]}",
              Stored(id));
    EXPECT_EQ(18, PeriodCount());

    // A null name is stored as an empty text; an empty list becomes the seventeen filled-in periods.
    ASSERT_EQ(200, Put("{\"id\":{\"extId\":\"wp\"},\"name\":null,\"periods\":[]}").Status);
    EXPECT_EQ("{\"records\":[" + ProgramJson(identity, "\"\"", "10", "false", Filled({})) + "]}", Stored(id));
    EXPECT_EQ(17, PeriodCount());
}

TEST_F(WeekProgramsApiTest, PutRefusesTypeAndSystemFlagEvenAsNull) {
    const int64_t id = PostProgram("{\"id\":{},\"name\":\"Day\",\"type\":10}");
    const std::string before = Stored(id);
    const std::string identity = "\"id\":{\"id\":" + std::to_string(id) + "}";
    ExpectRejected("PUT", "{" + identity + ",\"name\":\"x\",\"type\":10}", 400,
                   ErrorBody(1, "Week program type cannot be updated"));
    ExpectRejected("PUT", "{" + identity + ",\"name\":\"x\",\"type\":null}", 400,
                   ErrorBody(1, "Week program type cannot be updated"));
    ExpectRejected("PUT", "{" + identity + ",\"name\":\"x\",\"isSystem\":null}", 400,
                   ErrorBody(1, "Week program is system flag cannot be updated"));
    ExpectRejected("PUT",
                   "{" + identity +
                       ",\"name\":\"x\",\"periods\":[{\"dayNo\":0,\"startSecond\":0,\"function\":201}]}",
                   400, ErrorBody(1, "Invalid function of value [201] for week program type of value [10]"));
    EXPECT_EQ(before, Stored(id));
}

TEST_F(WeekProgramsApiTest, UnknownProgramsAreReportedAsRecordsNotFound) {
    ExpectRejected("PUT", "{\"id\":{\"id\":4242},\"name\":\"x\"}", 400, NotFoundBody("{\"id\":4242}"));
    ExpectRejected("PUT", "{\"id\":{\"extId\":\"nobody\"},\"name\":\"x\"}", 400,
                   NotFoundBody("{\"id\":null,\"extId\":\"nobody\"}"));
    ExpectRejected("PUT", "{\"id\":{},\"name\":\"x\"}", 400, ErrorBody(1, "Week program id is required"));

    const HttpReply del = DeleteById("{\"extId\":\"nobody\"}");
    EXPECT_EQ(400, del.Status);
    EXPECT_EQ(NotFoundBody("{\"id\":null,\"extId\":\"nobody\"}"), del.Body);

    EXPECT_EQ("{\"records\":[]}", GetById("{\"id\":4242}").Body);
    const HttpReply empty = GetById("{}");
    EXPECT_EQ(400, empty.Status);
    EXPECT_EQ(ErrorBody(1, "Week program id is required"), empty.Body);
}

TEST_F(WeekProgramsApiTest, SystemProgramsAndOtherTypesAreProtected) {
    const int64_t system = AddProgramRow("_t_Always", kCardHolderType, 1, {{0, 0, kAccess}});
    const int64_t release = AddProgramRow("Release", 20, 0, {{0, 0, 201}});
    const std::string systemIdentity = "{\"id\":" + std::to_string(system) + "}";

    ExpectRejected("PUT", "{\"id\":" + systemIdentity + ",\"name\":\"Mine\"}", 400,
                   ErrorBody(1, "Specified week program cannot be updated because it is system defined"));

    // Only served types have the rules an update needs.
    ExpectRejected(
        "PUT", "{\"id\":{\"id\":" + std::to_string(release) + "},\"name\":\"Mine\"}", 400,
        ErrorBody(1, "Passed week program type [20] does not have default function - possible internal "
                     "bug, please notify vendor"));

    const int64_t programs = ProgramCount(), periods = PeriodCount();
    HttpReply reply = DeleteById(systemIdentity);
    EXPECT_EQ(400, reply.Status);
    EXPECT_EQ(ErrorBody(1, "Specified week program cannot be deleted because it is system defined"),
              reply.Body);
    reply = DeleteById("{\"id\":" + std::to_string(release) + "}");
    EXPECT_EQ(400, reply.Status);
    EXPECT_EQ(ErrorBody(1, "Specified week program cannot be deleted because of its type"), reply.Body);
    EXPECT_EQ(programs, ProgramCount());
    EXPECT_EQ(periods, PeriodCount());

    // A program of a type the API does not serve is not listed.
    EXPECT_EQ("{\"records\":[]}", GetById("{\"id\":" + std::to_string(release) + "}").Body);
    EXPECT_EQ("{\"records\":[" + ProgramJson(systemIdentity, "\"Always\"", "10", "true", {{0, 0, kAccess}}) +
                  "]}",
              GetById(systemIdentity).Body);
}

TEST_F(WeekProgramsApiTest, GetByTypeListsTheTypesProgramsWithoutExternalIds) {
    const int64_t first = PostProgram("{\"id\":{\"extId\":\"a\"},\"name\":\"A\",\"type\":10}");
    const int64_t second = PostProgram("{\"id\":{},\"name\":\"B\",\"type\":10}");
    AddProgramRow("Release", 20, 0, {});

    const HttpReply reply = Call("GET", "?type=10");
    EXPECT_EQ(200, reply.Status);
    EXPECT_EQ(
        "{\"records\":[" +
            ProgramJson("{\"id\":" + std::to_string(first) + "}", "\"A\"", "10", "false", Filled({})) + "," +
            ProgramJson("{\"id\":" + std::to_string(second) + "}", "\"B\"", "10", "false", Filled({})) + "]}",
        reply.Body);

    const HttpReply other = Call("GET", "?type=20");
    EXPECT_EQ(400, other.Status);
    EXPECT_EQ(ErrorBody(1, "Passed week program type 20 is not allowed"), other.Body);
    // Text that is no number reads as 0.
    EXPECT_EQ(ErrorBody(1, "Passed week program type 0 is not allowed"), Call("GET", "?type=ten").Body);
}

TEST_F(WeekProgramsApiTest, QueryParametersAreChecked) {
    EXPECT_EQ(ErrorBody(1, "Expected single parameter"), Call("GET", "").Body);
    EXPECT_EQ(ErrorBody(1, "Expected single parameter"), Call("GET", "?type=10&id=%7B%7D").Body);
    const HttpReply other = Call("GET", "?name=x");
    EXPECT_EQ(400, other.Status);
    EXPECT_EQ(ErrorBody(1, "Missing query parameter"), other.Body);
    EXPECT_EQ(ErrorBody(2, "Parsing error:Expected JSON object"), Call("GET", "?id=12").Body);
    EXPECT_EQ(ErrorBody(2, "Parsing error:Could not parse input, error: 4"), Call("GET", "?id=%7B").Body);

    EXPECT_EQ(ErrorBody(1, "Expected single parameter"), Call("DELETE", "").Body);
    EXPECT_EQ(ErrorBody(1, "Missing parameter id"), Call("DELETE", "?type=10").Body);
}

TEST_F(WeekProgramsApiTest, DeleteRemovesTheProgramWithItsPeriods) {
    const int64_t kept = PostProgram("{\"id\":{},\"type\":10}");
    PostProgram("{\"id\":{\"extId\":\"gone\"},\"type\":10}");
    ASSERT_EQ(34, PeriodCount());

    const HttpReply reply = DeleteById("{\"extId\":\"gone\"}");
    EXPECT_EQ(200, reply.Status);
    EXPECT_EQ("", reply.Body);
    EXPECT_EQ(1, ProgramCount());
    EXPECT_EQ(17, System::TCDBWeekProgramPeriods().SelectCount("*", Table_CommonWeekProgramPeriods::LINKTO ==
                                                                        Accessories::TCRecordID(kept)));
    EXPECT_EQ(17, PeriodCount());

    // Access rights that name the program keep it, and the caller is told why.
    const auto add = [](DB::TCDBBasicTable&& table,
                        std::vector<std::pair<const DB::TCDBFieldSpec*, int64_t>> values) -> int64_t {
        DB::TCDBAutoObject row;
        table.CreateObject(row);
        for (const auto& [field, value] : values)
            row.Field(*field).set_AsRecordID(Accessories::TCRecordID(value));
        row.Save();
        return row.get_ID().get_ID();
    };
    const int64_t group = add(Access::TCDBAccessGroups(), {});
    for (int right = 0; right < 2; ++right)
        add(Access::TCDBAccessGroupRights(), {{&Table_AccessGroupRights::ACCESSGROUP, group},
                                              {&Table_AccessGroupRights::DOOR, add(Access::TCDBDoors(), {})},
                                              {&Table_AccessGroupRights::WEEKPROGRAM, kept}});
    const HttpReply refused = DeleteById("{\"id\":" + std::to_string(kept) + "}");
    EXPECT_EQ(400, refused.Status);
    EXPECT_EQ(ErrorBody(1, "Specified week program cannot be deleted because it is used by 2 access rights"),
              refused.Body);
    EXPECT_EQ(1, ProgramCount());
}

// A trigger makes the fifth period insert of any program fail in the database, in the middle of the write.
class WeekProgramsFaultTest : public WeekProgramsApiTest {
protected:
    static void FailFifthPeriodInsert() {
        DB::ExecuteSql("CREATE TRIGGER FailFifthPeriod BEFORE INSERT ON CommonWeekProgramPeriods "
                       "WHEN (SELECT COUNT(*) FROM CommonWeekProgramPeriods WHERE LINKTO = NEW.LINKTO) >= 4 "
                       "BEGIN SELECT RAISE(ABORT, 'injected fault'); END");
    }
};

TEST_F(WeekProgramsFaultTest, FailedPostLeavesNeitherProgramNorPeriods) {
    FailFifthPeriodInsert();
    ExpectRejected("POST", "{\"id\":{\"extId\":\"half\"},\"name\":\"Half\",\"type\":10}", 500,
                   kInternalError);
    EXPECT_EQ(0, ProgramCount());
    EXPECT_EQ(0, PeriodCount());
    // The external ID was not kept either: with the fault gone the same program can be created.
    DB::ExecuteSql("DROP TRIGGER FailFifthPeriod");
    EXPECT_EQ(200, Post("{\"id\":{\"extId\":\"half\"},\"type\":10}").Status);
}

TEST_F(WeekProgramsFaultTest, FailedPutKeepsNameAndPeriods) {
    const int64_t id = PostProgram("{\"id\":{},\"name\":\"Day\",\"type\":10}");
    const std::string before = Stored(id);
    FailFifthPeriodInsert();
    ExpectRejected("PUT", "{\"id\":{\"id\":" + std::to_string(id) + "},\"name\":\"Night\",\"periods\":[]}",
                   500, kInternalError);
    EXPECT_EQ(before, Stored(id));
}

TEST_F(WeekProgramsApiTest, DuplicateExternalIdFailsWithoutLeavingRows) {
    PostProgram("{\"id\":{\"extId\":\"dup\"},\"type\":10}");
    ExpectRejected("POST", "{\"id\":{\"extId\":\"dup\"},\"type\":10}", 400,
                   ErrorBody(1, "External ID dup is already in use for table CommonWeekPrograms"));
}

} // namespace
