#include <gtest/gtest.h>

#include <string>

#include "JsonTypes/KnaJson_BaseType.h"
#include "Json/TCJsonParsingException.h"

using namespace KeynodeApi;

namespace {

std::string TimeText(const TCUTCTime& time, bool withTime = true) {
    rapidjson::Document doc;
    const rapidjson::Value value = KnaJson_BaseType::GetTimeValue(time, doc.GetAllocator(), withTime);
    return std::string(value.GetString(), value.GetStringLength());
}

rapidjson::Document Parsed(const char* json) {
    rapidjson::Document doc;
    doc.Parse(json);
    return doc;
}

} // namespace

TEST(JsonTimeText, WrittenInUtcWithALiteralZ) {
    EXPECT_EQ(TimeText(TCUTCTime::FromYMDHMS(2024, 5, 1, 13, 45, 0)), "2024-05-01T13:45:00Z");
    EXPECT_EQ(TimeText(TCUTCTime(0)), "1970-01-01T00:00:00Z");
    EXPECT_EQ(TimeText(TCUTCTime(-1)), "1969-12-31T23:59:59Z");
    EXPECT_EQ(TimeText(TCUTCTime::FromYMDHMS(9999, 12, 31, 23, 59, 59)), "9999-12-31T23:59:59Z");
    EXPECT_EQ(TimeText(TCUTCTime::FromYMDHMS(1066, 10, 14, 9, 5, 7)), "1066-10-14T09:05:07Z");
}

TEST(JsonTimeText, DateFormsDropTheTimeOfDay) {
    EXPECT_EQ(TimeText(TCUTCTime::FromYMDHMS(2024, 5, 1, 23, 59, 59), false), "2024-05-01");
    EXPECT_EQ(TimeText(TCUTCTime(-1), false), "1969-12-31");
    rapidjson::Document doc;
    const rapidjson::Value date = KnaJson_BaseType::GetDateValue(TCDateData{2024, 2, 29}, doc.GetAllocator());
    EXPECT_STREQ(date.GetString(), "2024-02-29");
}

TEST(JsonTimeText, ParsesWithAndWithoutMilliseconds) {
    const TCUTCTime expected = TCUTCTime::FromYMDHMS(2024, 5, 1, 13, 45, 0);
    EXPECT_EQ(KnaJson_BaseType::ParseDateTimeValue("2024-05-01T13:45:00Z", true), expected);
    EXPECT_EQ(KnaJson_BaseType::ParseDateTimeValue("2024-05-01T13:45:00.250Z", true), expected);
    EXPECT_EQ(KnaJson_BaseType::ParseDateTimeValue("2024-05-01T13:45:00.999Z", true), expected);
    // The last character is dropped unread, whatever it is.
    EXPECT_EQ(KnaJson_BaseType::ParseDateTimeValue("2024-05-01T13:45:00+", true), expected);
}

TEST(JsonTimeText, ParsesTimesBeforeTheEpoch) {
    EXPECT_EQ(KnaJson_BaseType::ParseDateTimeValue("1969-12-31T23:59:59Z", true), TCUTCTime(-1));
    EXPECT_EQ(KnaJson_BaseType::ParseDateTimeValue("1900-01-01T00:00:00Z", true).get_Seconds(),
              -2208988800LL);
    EXPECT_EQ(KnaJson_BaseType::ParseDateTimeValue("1960-06-15", false),
              TCUTCTime::FromYMDHMS(1960, 6, 15, 0, 0, 0));
}

TEST(JsonTimeText, TextsOfTheWrongFormGiveTheEpochWithoutThrowing) {
    const char* withTime[] = {"2024-05-01T13:45:00", // no designator: its last digit is lost
                              "2024-05-01 13:45:00Z",
                              "2024-5-01T13:45:00Z",
                              "2024-05-01T13:45:00.25Z",
                              "2024-13-01T13:45:00Z",
                              "2024-02-30T10:00:00Z",
                              "2024-05-01T24:00:00Z",
                              "2024-05-01T13:60:00Z",
                              "2024-05-01T13:45:60Z",
                              "2024-05-01",
                              "",
                              "Z",
                              "garbage text"};
    for (const char* text : withTime) {
        TCUTCTime parsed(123);
        EXPECT_NO_THROW(parsed = KnaJson_BaseType::ParseDateTimeValue(text, true)) << text;
        EXPECT_EQ(parsed, TCUTCTime(0)) << text;
    }
    for (const char* text : {"2024-05-01Z", "2024-05-1", "2023-02-29", "2024-05-01T00:00:00Z", ""}) {
        TCUTCTime parsed(123);
        EXPECT_NO_THROW(parsed = KnaJson_BaseType::ParseDateTimeValue(text, false)) << text;
        EXPECT_EQ(parsed, TCUTCTime(0)) << text;
    }
}

TEST(JsonTimeText, WriteThenParseIsIdentity) {
    for (int64_t seconds : {0LL, 1LL, -1LL, 1714571100LL, -2208988800LL, 253402300799LL}) {
        const TCUTCTime time(seconds);
        EXPECT_EQ(KnaJson_BaseType::ParseDateTimeValue(TimeText(time), true), time) << seconds;
    }
}

TEST(JsonTimeText, DeserializingRequiresAString) {
    rapidjson::Document doc = Parsed(R"({"t":"2024-05-01T13:45:00Z","d":"2024-05-01","n":5,"z":null})");
    EXPECT_EQ(KnaJson_BaseType::DeserializeTimeValue(doc["t"]), TCUTCTime::FromYMDHMS(2024, 5, 1, 13, 45, 0));
    EXPECT_EQ(KnaJson_BaseType::DeserializeDateValue(doc["d"]), (TCDateData{2024, 5, 1}));
    // A full time text given where a date is expected does not match the date form.
    EXPECT_EQ(KnaJson_BaseType::DeserializeDateValue(doc["t"]), (TCDateData{1970, 1, 1}));

    for (const char* key : {"n", "z"}) {
        try {
            KnaJson_BaseType::DeserializeTimeValue(doc[key]);
            ADD_FAILURE() << "no exception for " << key;
        } catch (const TCJson::TCJsonParsingException& e) {
            EXPECT_EQ(e.GetExpression(), "IsString()");
            EXPECT_EQ(e.GetMessage(), "RapidJson internal assertion failed");
        }
        EXPECT_THROW(KnaJson_BaseType::DeserializeDateValue(doc[key]), TCJson::TCJsonParsingException);
    }
}
