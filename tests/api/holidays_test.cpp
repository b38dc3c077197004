// "/config/holidays" over HTTP: date-period checks, absent versus null on update, lookups by identity,
// and that every failed write leaves the database as it was.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "ApiExpectations.h"
#include "DB/TCDBRawSql.h"
#include "DB/Tables/SystemTables.h"
#include "support/ApiTestServer.h"

using namespace ApiTest;

namespace {

struct Period {
    int AssumedWeekDay;
    std::string StartYear; // JSON: a number or null
    int StartMonth;
    int StartDay;
    std::string EndYear;
    int EndMonth;
    int EndDay;
};

std::string PeriodJson(const Period& p) {
    return "{\"assumedWeekDay\":" + std::to_string(p.AssumedWeekDay) + ",\"startYear\":" + p.StartYear +
           ",\"startMonth\":" + std::to_string(p.StartMonth) + ",\"startDay\":" + std::to_string(p.StartDay) +
           ",\"endYear\":" + p.EndYear + ",\"endMonth\":" + std::to_string(p.EndMonth) +
           ",\"endDay\":" + std::to_string(p.EndDay) + "}";
}

std::string PeriodsJson(const std::vector<Period>& periods) {
    std::string json = "[";
    for (const Period& period : periods)
        json += (json.size() > 1 ? "," : "") + PeriodJson(period);
    return json + "]";
}

std::string HolidayJson(const std::string& identity, const std::string& name, const std::string& isRepeated,
                        const std::vector<Period>& periods) {
    return "{\"id\":" + identity + ",\"name\":" + name + ",\"isRepeated\":" + isRepeated +
           ",\"periods\":" + PeriodsJson(periods) + "}";
}

std::string NotFoundBody(const std::string& identity) {
    return RecordNotFoundBody(Table_CommonHolidays::SPEC.TableID, identity);
}

int64_t HolidayCount() {
    return System::TCDBHolidays().SelectCount("*", DB::TCDBWhere());
}

int64_t PeriodCount() {
    return System::TCDBHolidayPeriods().SelectCount("*", DB::TCDBWhere());
}

const Period kNewYear{0, "null", 1, 1, "null", 1, 1};

class HolidaysApiTest : public ApiHttpTest {
protected:
    void SetUp() override {
        AddAllMethodsUser("admin", "pw");
        StartServer();
        EnableApi();
    }

    HttpReply Call(const std::string& method, const std::string& query, const std::string& body = "") {
        HttpCall call;
        call.Method = method;
        call.Target = "/api/v1/config/holidays" + query;
        call.Authorization = BasicAuthorization("admin", "pw");
        call.Body = body;
        return Send(call);
    }
    HttpReply GetById(const std::string& identity) { return Call("GET", "?id=" + UrlEncode(identity)); }

    void ExpectRejected(const std::string& method, const std::string& body, int status,
                        const std::string& expectedBody) {
        const int64_t holidays = HolidayCount(), periods = PeriodCount();
        const HttpReply reply = Call(method, "", body);
        EXPECT_EQ(status, reply.Status) << body;
        EXPECT_EQ(expectedBody, reply.Body) << body;
        EXPECT_EQ(holidays, HolidayCount()) << body;
        EXPECT_EQ(periods, PeriodCount()) << body;
    }
    // A POST of one period that must fail with the message.
    void ExpectPeriodRejected(const Period& period, const std::string& msg) {
        ExpectRejected("POST", "{\"id\":{},\"isRepeated\":false,\"periods\":[" + PeriodJson(period) + "]}",
                       400, ErrorBody(1, msg));
    }
    int64_t PostHoliday(const std::string& body) {
        const HttpReply reply = Call("POST", "", body);
        EXPECT_EQ(200, reply.Status) << reply.Body;
        System::TCDBHolidays holidays;
        DB::TCDBIterator last =
            holidays.Select("*", DB::TCDBWhere(), DB::TCDBOrder(Table_CommonHolidays::ID, true));
        return last.IsEnd() ? -1 : last.get_ID().get_ID();
    }
    std::string Stored(int64_t id) { return GetById("{\"id\":" + std::to_string(id) + "}").Body; }
};

TEST_F(HolidaysApiTest, PostStoresTheHolidayAndAnswersItWithPeriodsInCalendarOrder) {
    const std::vector<Period> given = {{5, "2024", 12, 24, "2024", 12, 26},
                                       {2, "2025", 3, 1, "null", 3, 2},
                                       {2, "null", 7, 4, "null", 7, 4},
                                       {2, "2024", 5, 1, "2024", 4, 1}}; // end before start is kept
    const HttpReply reply = Call("POST", "",
                                 "{\"id\":{\"id\":555,\"extId\":\"xmas\"},\"name\":\"Christmas\","
                                 "\"isRepeated\":true,\"periods\":" +
                                     PeriodsJson(given) + "}");
    ASSERT_EQ(200, reply.Status) << reply.Body;
    System::TCDBHolidays holidays;
    DB::TCDBIterator row = holidays.SelectAll();
    ASSERT_TRUE(row.IsNotEnd());
    const int64_t id = row.get_ID().get_ID();
    EXPECT_NE(555, id);
    EXPECT_EQ(1, row.Field(Table_CommonHolidays::REPEATED).get_AsInteger());

    // By assumed day, then start year (no year first), month and day.
    const std::vector<Period> ordered = {given[2], given[3], given[1], given[0]};
    EXPECT_EQ("{\"holiday\":" +
                  HolidayJson("{\"id\":" + std::to_string(id) + ",\"extId\":\"xmas\"}", "\"Christmas\"",
                              "true", ordered) +
                  "}",
              reply.Body);

    // Lookups by external ID and by record ID answer the same; the full list does not select external IDs.
    const std::string record = HolidayJson("{\"id\":" + std::to_string(id) + ",\"extId\":\"xmas\"}",
                                           "\"Christmas\"", "true", ordered);
    EXPECT_EQ("{\"records\":[" + record + "]}", GetById("{\"extId\":\"xmas\"}").Body);
    EXPECT_EQ("{\"records\":[" + record + "]}", Stored(id));
    EXPECT_EQ("{\"records\":[" +
                  HolidayJson("{\"id\":" + std::to_string(id) + "}", "\"Christmas\"", "true", ordered) + "]}",
              Call("GET", "").Body);
}

TEST_F(HolidaysApiTest, IsRepeatedIsRequiredForInsert) {
    ExpectRejected("POST", "{\"id\":{},\"name\":\"x\"}", 400,
                   ErrorBody(1, "Field isRepeated is required for insert"));
    ExpectRejected("POST", "{\"id\":{},\"isRepeated\":null}", 400,
                   ErrorBody(1, "Field isRepeated is required for insert"));
    const int64_t id = PostHoliday("{\"id\":{},\"isRepeated\":false}");
    EXPECT_EQ("{\"records\":[" + HolidayJson("{\"id\":" + std::to_string(id) + "}", "null", "false", {}) +
                  "]}",
              Stored(id));
}

TEST_F(HolidaysApiTest, PeriodValuesAreRangeChecked) {
    ExpectPeriodRejected({17, "null", 1, 1, "null", 1, 1},
                         "Invalid assumed week day of value [17]. Day must be between 0 and 16.");
    ExpectPeriodRejected({-1, "null", 1, 1, "null", 1, 1},
                         "Invalid assumed week day of value [-1]. Day must be between 0 and 16.");
    ExpectPeriodRejected({0, "null", 13, 1, "null", 1, 1},
                         "Invalid start month of value [13]. Start month must be between 1 and 12.");
    ExpectPeriodRejected({0, "null", 1, 1, "null", 0, 1},
                         "Invalid end month of value [0]. End month must be between 1 and 12.");
    ExpectPeriodRejected({0, "null", 1, 32, "null", 1, 1},
                         "Invalid start day of value [32]. Start day must be between 1 and 31.");
    ExpectPeriodRejected({0, "null", 1, 1, "null", 1, -3},
                         "Invalid end day of value [-3]. End day must be between 1 and 31.");
    // Months are checked before days.
    ExpectPeriodRejected({0, "null", 1, 40, "null", 14, 1},
                         "Invalid end month of value [14]. End month must be between 1 and 12.");
    ExpectPeriodRejected(
        {0, "1999", 1, 1, "null", 1, 1},
        "Invalid start year of value [1999]. Start year, if specified, must be between 2000 and 3000.");
    ExpectPeriodRejected(
        {0, "null", 1, 1, "3001", 1, 1},
        "Invalid end year of value [3001]. End year, if specified, must be between 2000 and 3000.");
    ExpectPeriodRejected(
        {0, "2023", 2, 29, "null", 3, 1},
        "Specified holiday start date of value year: [2023], month [2] and day [29] is invalid");
    ExpectPeriodRejected(
        {0, "null", 2, 1, "2023", 2, 29},
        "Specified holiday end date of value year: [2023], month [2] and day [29] is invalid");
    EXPECT_EQ(0, HolidayCount());

    // The edges pass; without a year only the plain ranges apply.
    const std::vector<Period> edges = {{16, "2000", 2, 29, "3000", 12, 31},
                                       {0, "2024", 2, 29, "null", 2, 31}};
    const int64_t id = PostHoliday("{\"id\":{},\"isRepeated\":true,\"periods\":" + PeriodsJson(edges) + "}");
    EXPECT_EQ("{\"records\":[" +
                  HolidayJson("{\"id\":" + std::to_string(id) + "}", "null", "true", {edges[1], edges[0]}) +
                  "]}",
              Stored(id));
}

TEST_F(HolidaysApiTest, MalformedBodiesAreParsingErrors) {
    auto parsing = [](const std::string& msg) { return ErrorBody(2, "Parsing error:" + msg); };
    const std::string assertion = "RapidJson internal assertion failed";
    ExpectRejected("POST", "{\"id\":{},\"isRepeated\":\"yes\"}", 400, parsing(assertion));
    ExpectRejected("POST", "{\"id\":{},\"isRepeated\":true,\"name\":[]}", 400, parsing(assertion));
    ExpectRejected("POST", "{\"id\":{\"id\":\"7\"},\"isRepeated\":true}", 400, parsing(assertion));
    ExpectRejected("POST",
                   "{\"id\":{},\"isRepeated\":true,\"periods\":[{\"assumedWeekDay\":0,\"startYear\":\"2024\","
                   "\"startMonth\":1,\"startDay\":1,\"endMonth\":1,\"endDay\":1}]}",
                   400, parsing(assertion));
    ExpectRejected("POST",
                   "{\"id\":{},\"isRepeated\":true,\"periods\":[{\"assumedWeekDay\":0,\"startMonth\":1,"
                   "\"startDay\":1,\"endMonth\":1}]}",
                   400, parsing("Expected endDay member"));
    ExpectRejected("POST",
                   "{\"id\":{},\"isRepeated\":true,\"periods\":[{\"assumedWeekDay\":null,\"startMonth\":1,"
                   "\"startDay\":1,\"endMonth\":1,\"endDay\":1}]}",
                   400, parsing("assumedWeekDay member can't be null"));
    ExpectRejected("POST", "{\"id\":{},\"isRepeated\":true,\"periods\":[null]}", 400,
                   parsing("Expected JSON object"));
    ExpectRejected("POST", "{\"id\":{},\"isRepeated\":true,\"periods\":7}", 400,
                   parsing("Expected JSON array"));
    ExpectRejected("POST", "{\"isRepeated\":true}", 400, parsing("Expected id member"));
    ExpectRejected("POST", "", 400, parsing("Could not parse input, error: 1"));
}

TEST_F(HolidaysApiTest, PutWritesPresentMembersAndKeepsAbsentOnes) {
    const int64_t id =
        PostHoliday("{\"id\":{\"extId\":\"h\"},\"name\":\"Easter\",\"isRepeated\":true,\"periods\":" +
                    PeriodsJson({kNewYear}) + "}");
    const std::string identity = "{\"id\":" + std::to_string(id) + ",\"extId\":\"h\"}";

    // Only the name given: repetition and periods stay.
    HttpReply reply = Call("PUT", "", "{\"id\":{\"extId\":\"h\"},\"name\":\"Spring\"}");
    EXPECT_EQ(200, reply.Status);
    EXPECT_EQ("", reply.Body);
    EXPECT_EQ("{\"records\":[" + HolidayJson(identity, "\"Spring\"", "true", {kNewYear}) + "]}", Stored(id));

    // A null name stores null; an empty list removes every period.
    ASSERT_EQ(200, Call("PUT", "",
                        "{\"id\":{\"id\":" + std::to_string(id) +
                            "},\"name\":null,\"isRepeated\":false,\"periods\":[]}")
                       .Status);
    EXPECT_EQ("{\"records\":[" + HolidayJson(identity, "null", "false", {}) + "]}", Stored(id));
    EXPECT_EQ(0, PeriodCount());

    // "periods": null also means no periods.
    ASSERT_EQ(
        200,
        Call("PUT", "", "{\"id\":{\"extId\":\"h\"},\"periods\":" + PeriodsJson({kNewYear}) + "}").Status);
    ASSERT_EQ(200, Call("PUT", "", "{\"id\":{\"extId\":\"h\"},\"periods\":null}").Status);
    EXPECT_EQ(0, PeriodCount());

    const std::string before = Stored(id);
    ExpectRejected("PUT", "{\"id\":{\"extId\":\"h\"},\"name\":\"x\",\"isRepeated\":null}", 400,
                   ErrorBody(1, "If field isRepeated is specified, it cannot be bull"));
    EXPECT_EQ(before, Stored(id));
}

TEST_F(HolidaysApiTest, UnknownHolidaysAreReportedAsRecordsNotFound) {
    ExpectRejected("PUT", "{\"id\":{\"id\":99},\"name\":\"x\"}", 400, NotFoundBody("{\"id\":99}"));
    ExpectRejected("PUT", "{\"id\":{\"extId\":\"nope\"}}", 400,
                   NotFoundBody("{\"id\":null,\"extId\":\"nope\"}"));
    ExpectRejected("PUT", "{\"id\":{}}", 400, ErrorBody(1, "Holiday id is required"));

    const HttpReply del = Call("DELETE", "?id=" + UrlEncode("{\"id\":99}"));
    EXPECT_EQ(400, del.Status);
    EXPECT_EQ(NotFoundBody("{\"id\":99}"), del.Body);

    // GET answers a holiday it cannot find as an empty record.
    EXPECT_EQ("{\"records\":[" + HolidayJson("{\"id\":null}", "null", "null", {}) + "]}",
              GetById("{\"id\":99}").Body);
    const HttpReply empty = GetById("{}");
    EXPECT_EQ(400, empty.Status);
    EXPECT_EQ(ErrorBody(1, "Holiday id is required"), empty.Body);
}

TEST_F(HolidaysApiTest, GetWithoutIdListsAllAndIgnoresOtherParameters) {
    EXPECT_EQ("{\"records\":[]}", Call("GET", "").Body);
    const int64_t first = PostHoliday("{\"id\":{},\"name\":\"A\",\"isRepeated\":true}");
    const int64_t second = PostHoliday("{\"id\":{},\"name\":\"B\",\"isRepeated\":false}");
    const std::string all =
        "{\"records\":[" + HolidayJson("{\"id\":" + std::to_string(first) + "}", "\"A\"", "true", {}) + "," +
        HolidayJson("{\"id\":" + std::to_string(second) + "}", "\"B\"", "false", {}) + "]}";
    EXPECT_EQ(all, Call("GET", "").Body);
    EXPECT_EQ(all, Call("GET", "?name=A&type=1").Body);
}

TEST_F(HolidaysApiTest, DeleteRemovesTheHolidayWithItsPeriods) {
    const int64_t kept =
        PostHoliday("{\"id\":{},\"isRepeated\":true,\"periods\":" + PeriodsJson({kNewYear}) + "}");
    PostHoliday("{\"id\":{\"extId\":\"gone\"},\"isRepeated\":true,\"periods\":" +
                PeriodsJson({kNewYear, {3, "null", 5, 1, "null", 5, 1}}) + "}");
    ASSERT_EQ(3, PeriodCount());

    EXPECT_EQ(ErrorBody(1, "Expected single parameter"), Call("DELETE", "").Body);
    EXPECT_EQ(ErrorBody(1, "Missing parameter id"), Call("DELETE", "?name=gone").Body);

    const HttpReply reply = Call("DELETE", "?id=" + UrlEncode("{\"extId\":\"gone\"}"));
    EXPECT_EQ(200, reply.Status);
    EXPECT_EQ("", reply.Body);
    EXPECT_EQ(1, HolidayCount());
    EXPECT_EQ(1, System::TCDBHolidayPeriods().SelectCount("*", Table_CommonHolidayPeriods::LINK_HOLIDAY ==
                                                                   Accessories::TCRecordID(kept)));
    EXPECT_EQ(1, PeriodCount());
}

// A trigger makes the third period insert of any holiday fail in the database, in the middle of the write.
class HolidaysFaultTest : public HolidaysApiTest {
protected:
    static void FailThirdPeriodInsert() {
        DB::ExecuteSql(
            "CREATE TRIGGER FailThirdPeriod BEFORE INSERT ON CommonHolidayPeriods "
            "WHEN (SELECT COUNT(*) FROM CommonHolidayPeriods WHERE LINK_HOLIDAY = NEW.LINK_HOLIDAY) >= 2 "
            "BEGIN SELECT RAISE(ABORT, 'injected fault'); END");
    }
    const std::vector<Period> m_ThreePeriods = {
        kNewYear, {1, "null", 2, 2, "null", 2, 2}, {2, "null", 3, 3, "null", 3, 3}};
};

TEST_F(HolidaysFaultTest, FailedPostLeavesNoRows) {
    FailThirdPeriodInsert();
    ExpectRejected(
        "POST",
        "{\"id\":{\"extId\":\"h\"},\"isRepeated\":true,\"periods\":" + PeriodsJson(m_ThreePeriods) + "}", 500,
        ErrorBody(1, "Internal error. Please notify vendor."));
    EXPECT_EQ(0, HolidayCount());
    EXPECT_EQ(0, PeriodCount());
}

TEST_F(HolidaysFaultTest, FailedPutKeepsTheStoredHoliday) {
    const int64_t id = PostHoliday(
        "{\"id\":{},\"name\":\"Old\",\"isRepeated\":true,\"periods\":" + PeriodsJson({kNewYear}) + "}");
    const std::string before = Stored(id);
    FailThirdPeriodInsert();
    ExpectRejected("PUT",
                   "{\"id\":{\"id\":" + std::to_string(id) +
                       "},\"name\":\"New\",\"isRepeated\":false,\"periods\":" + PeriodsJson(m_ThreePeriods) +
                       "}",
                   500, ErrorBody(1, "Internal error. Please notify vendor."));
    EXPECT_EQ(before, Stored(id));
}

TEST_F(HolidaysApiTest, DuplicateExternalIdFailsWithoutLeavingRows) {
    PostHoliday("{\"id\":{\"extId\":\"dup\"},\"isRepeated\":true}");
    ExpectRejected("POST",
                   "{\"id\":{\"extId\":\"dup\"},\"isRepeated\":true,\"periods\":" + PeriodsJson({kNewYear}) +
                       "}",
                   400, ErrorBody(1, "External ID dup is already in use for table CommonHolidays"));
}

} // namespace
