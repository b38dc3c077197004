// The JSON types: member rules, time texts, identities, paging, lookups by identity and error bodies.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "DB/TCDBUserRights.h"
#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "Debug/TCDebug.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "JsonTypes/KnaJson_BaseFilter.h"
#include "JsonTypes/KnaJson_BaseType.h"
#include "JsonTypes/KnaJson_CrossID.h"
#include "JsonTypes/KnaJson_CrossIDArray.h"
#include "JsonTypes/KnaJson_Error.h"
#include "JsonTypes/KnaJson_ErrorRecordNotFound.h"
#include "JsonTypes/KnaJson_ErrorResult.h"
#include "JsonTypes/KnaJson_ErrorResultRecordsNotFound.h"
#include "JsonTypes/KnaJson_ID.h"
#include "JsonTypes/KnaJson_IDArray.h"
#include "JsonTypes/KnaJson_TableCrossRecord.h"
#include "JsonTypes/KnaJson_TableRecord.h"
#include "KnaException.h"
#include "KnaUtil.h"
#include "support/ApiExpectations.h"
#include "support/ApiTestData.h"
#include "Json/TCJsonParsingException.h"

using namespace KeynodeApi;
using Accessories::TCNullTypes;
using Accessories::TCRecordID;

namespace {

// One required member, optional members of every value kind with their specified marks, output under
// "widget".
class TestWidget : public KnaJson_BaseType {
public:
    std::string Name;
    TCNullTypes<std::string> Label;
    TCNullTypes<bool> Enabled;
    TCNullTypes<int> Count;
    TCNullTypes<long long> Serial;
    TCNullTypes<TCUTCTime> ValidFrom;
    TCNullTypes<TCDateData> Birthday;
    int Specified = 0; // one bit per optional member, in declaration order

    void Deserialize(const rapidjson::Document& doc) override {
        Deserialize(static_cast<const rapidjson::Value&>(doc));
    }
    void Deserialize(const rapidjson::Value& value) override {
        *this = TestWidget();
        AssertJsonObject(value);
        const rapidjson::Value& name = GetRequiredNotNullMember(value, "name");
        Name.assign(name.GetString(), name.GetStringLength());
        Specified = ReadOptionalMember(value, "label", Label) |
                    ReadOptionalMember(value, "enabled", Enabled) << 1 |
                    ReadOptionalMember(value, "count", Count) << 2 |
                    ReadOptionalMember(value, "serial", Serial) << 3 |
                    ReadOptionalMember(value, "validFrom", ValidFrom) << 4 |
                    ReadOptionalMember(value, "birthday", Birthday) << 5;
    }
    void SerializeToDoc(rapidjson::Document& doc) const override {
        rapidjson::Value value;
        if (SerializeToValue(doc.GetAllocator(), value)) doc.AddMember("widget", value, doc.GetAllocator());
    }
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override {
        value.SetObject();
        value.AddMember("name", ToJsonValue(Name, allocator), allocator);
        value.AddMember("label", ToJsonValue(Label, allocator), allocator);
        value.AddMember("enabled", ToJsonValue(Enabled, allocator), allocator);
        value.AddMember("count", ToJsonValue(Count, allocator), allocator);
        value.AddMember("serial", ToJsonValue(Serial, allocator), allocator);
        value.AddMember("validFrom", ToJsonValue(ValidFrom, allocator), allocator);
        value.AddMember("birthday", ToJsonValue(Birthday, allocator), allocator);
        return true;
    }
    bool AllNull() const {
        return Label.IsNull() && Enabled.IsNull() && Count.IsNull() && Serial.IsNull() &&
               ValidFrom.IsNull() && Birthday.IsNull();
    }
};

class BareType : public KnaJson_BaseType {};

// The smallest concrete filter: paging only, under "testFilter".
class PagingOnlyFilter : public KnaJson_BaseFilter {
public:
    using KnaJson_BaseFilter::Deserialize;
    void Deserialize(const rapidjson::Value& value) override {
        Clear();
        KnaJson_BaseFilter::Deserialize(value);
    }
    void SerializeToDoc(rapidjson::Document& doc) const override {
        SerializeToValue(doc.GetAllocator(), doc);
    }
    DB::TCDBWhere GetSelectWhere() const override { return DB::TCDBWhere(); }

protected:
    const char* GetWrappingMemberName() const override { return "testFilter"; }
    std::unique_ptr<DB::TCDBBasicTable> CreateMainTable() const override {
        return std::make_unique<System::TCDBHolidays>();
    }
};

template <class T> T FromText(const std::string& text) {
    T object;
    object.DeserializeString(text);
    return object;
}

std::string Compact(const KnaJson_BaseType& object) {
    rapidjson::Document doc;
    rapidjson::Value value;
    EXPECT_TRUE(object.SerializeToValue(doc.GetAllocator(), value));
    doc.CopyFrom(value, doc.GetAllocator());
    return KnaUtil::WriteCompact(doc);
}

// The library's message, "json: " and the JSON library's failed check or message, or what was accepted.
template <class T> std::string Outcome(const std::string& text) {
    try {
        const T object = FromText<T>(text);
        return "accepted: " + Compact(object);
    } catch (const KnaParsingException& e) {
        return e.GetMessage();
    } catch (const TCJson::TCJsonParsingException& e) {
        return "json: " + (e.GetExpression().empty() ? e.GetMessage() : e.GetExpression());
    }
}

std::string TimeText(const TCUTCTime& time, bool withTime = true) {
    rapidjson::Document doc;
    const rapidjson::Value value = KnaJson_BaseType::GetTimeValue(time, doc.GetAllocator(), withTime);
    return std::string(value.GetString(), value.GetStringLength());
}

KnaJson_TableCrossRecord Record(int table, const KnaJson_CrossID& id) {
    return KnaJson_TableCrossRecord(table, id, KnaJson_ID());
}

const std::string kNotFound = R"({"code":3,"msg":"Records not found","msgDetails":"","records":[)";

} // namespace

TEST(JsonMemberRules, AbsentNullAndPresentMembersReadAndWritten) {
    TestWidget widget = FromText<TestWidget>(R"({"name":"w"})");
    EXPECT_EQ(widget.Name, "w");
    EXPECT_EQ(widget.Specified, 0);
    EXPECT_TRUE(widget.AllNull());

    widget = FromText<TestWidget>(
        R"({"name":"w","label":null,"enabled":null,"count":null,"serial":null,"validFrom":null,"birthday":null})");
    EXPECT_EQ(widget.Specified, 63);
    EXPECT_TRUE(widget.AllNull());

    widget = FromText<TestWidget>(R"({"name":"w","label":"front","enabled":false,"count":-2147483648,)"
                                  R"("serial":-9223372036854775808,"validFrom":"2024-05-01T13:45:00Z",)"
                                  R"("birthday":"1969-12-31","unknown":[1,{}]})");
    EXPECT_EQ(widget.Specified, 63);
    EXPECT_EQ(widget.Label.get_Value(), "front");
    EXPECT_FALSE(widget.Enabled.get_Value(true));
    EXPECT_EQ(widget.Count.get_Value(), -2147483647 - 1);
    EXPECT_EQ(widget.Serial.get_Value(), -9223372036854775807LL - 1);
    EXPECT_EQ(widget.ValidFrom.get_Value(), TCUTCTime::FromYMDHMS(2024, 5, 1, 13, 45, 0));
    EXPECT_EQ(widget.Birthday.get_Value(), (TCDateData{1969, 12, 31}));
    EXPECT_EQ(FromText<TestWidget>(R"({"name":"w","serial":9007199254740993})").Serial.get_Value(),
              9007199254740993LL);

    // Nulls are written as null in a compact, wrapped document.
    widget = TestWidget();
    widget.Name = "w\"1";
    widget.Count = 3;
    EXPECT_EQ(KnaUtil::SerializeToCompactString(widget),
              R"({"widget":{"name":"w\"1","label":null,"enabled":null,"count":3,"serial":null,)"
              R"("validFrom":null,"birthday":null}})");
    widget.Enabled = true;
    widget.Serial = -5LL;
    widget.ValidFrom = TCUTCTime::FromYMDHMS(2024, 5, 1, 13, 45, 0);
    widget.Birthday = TCDateData{2024, 2, 29};
    widget.Label = std::string("x");
    EXPECT_EQ(KnaUtil::SerializeToCompactString(widget),
              R"({"widget":{"name":"w\"1","label":"x","enabled":true,"count":3,"serial":-5,)"
              R"("validFrom":"2024-05-01T13:45:00Z","birthday":"2024-02-29"}})");
}

// The parser recurses once per nesting level: a body of 400000 '[' used to overflow the stack and take
// the whole server down; such bodies are refused, real ones are not that deep.
TEST(JsonMemberRules, RefusedBodies) {
    const std::string parse = "json: Could not parse input, error: ";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"({"label":"x"})", "Expected name member"},
        {R"({"name":null})", "name member can't be null"},
        {"[]", "Expected JSON object"},
        {R"([{"name":"w"}])", "Expected JSON object"},
        {"42", "Expected JSON object"},
        {"null", "Expected JSON object"},
        {std::string(200, '[') + std::string(200, ']'), "Expected JSON object"},
        {"", parse + "1"},
        {R"({"name":"w",})", parse + std::to_string(rapidjson::kParseErrorObjectMissName)},
        {"{} {}", parse + std::to_string(rapidjson::kParseErrorDocumentRootNotSingular)},
        {std::string(400000, '['), parse + std::to_string(rapidjson::kParseErrorTermination)},
        {R"({"name":123})", "json: IsString()"},
        {R"({"name":"w","label":{}})", "json: IsString()"},
        {R"({"name":"w","enabled":"true"})", "json: IsBool()"},
        {R"({"name":"w","count":1.5})", "json: flags_ & kIntFlag"},
        {R"({"name":"w","count":4294967296})", "json: flags_ & kIntFlag"},
        {R"({"name":"w","serial":18446744073709551615})", "json: flags_ & kInt64Flag"},
        {R"({"name":"w","validFrom":1714571100})", "json: IsString()"},
        {R"({"name":"w","birthday":false})", "json: IsString()"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Outcome<TestWidget>(c.first), c.second) << c.first.substr(0, 40);
    EXPECT_EQ(ExceptionMessage([] { FromText<TestWidget>(R"({"name":"w","count":"12"})"); }),
              "RapidJson internal assertion failed");
}

TEST(JsonMemberRules, OperationsATypeDoesNotOverrideNameTheType) {
    BareType bare;
    const std::string type = typeid(BareType).name();
    rapidjson::Document doc;
    doc.SetObject();
    rapidjson::Value value;
    EXPECT_EQ(ExceptionMessage([&] { bare.SerializeToDoc(doc); }),
              "Serialize to JSON Document not implemented for " + type);
    EXPECT_EQ(ExceptionMessage([&] { bare.SerializeToValue(doc.GetAllocator(), value); }),
              "Serialize to JSON Value not implemented for " + type);
    EXPECT_EQ(ExceptionMessage([&] { bare.DeserializeString("{}"); }),
              "Deserialize from JSON Document not implemented for " + type);
    EXPECT_EQ(ExceptionMessage([&] { bare.Deserialize(static_cast<const rapidjson::Value&>(doc)); }),
              "Deserialize from JSON Value not implemented for " + type);
}

// Written in UTC with a literal Z and read back; the two forms parse, anything else gives the epoch.
TEST(JsonTimeText, WrittenReadBackAndParsed) {
    EXPECT_EQ(TimeText(TCUTCTime::FromYMDHMS(1066, 10, 14, 9, 5, 7)), "1066-10-14T09:05:07Z");
    EXPECT_EQ(TimeText(TCUTCTime(-1)), "1969-12-31T23:59:59Z");
    EXPECT_EQ(TimeText(TCUTCTime(-1), false), "1969-12-31");
    const auto parse = [](const std::string& text, bool withTime) {
        TCUTCTime parsed(123);
        EXPECT_NO_THROW(parsed = KnaJson_BaseType::ParseDateTimeValue(text, withTime)) << text;
        return parsed;
    };
    for (int64_t seconds : {0LL, -1LL, 1714571100LL, -2208988800LL, 253402300799LL})
        EXPECT_EQ(parse(TimeText(TCUTCTime(seconds)), true), TCUTCTime(seconds));
    const TCUTCTime at = TCUTCTime::FromYMDHMS(2024, 5, 1, 13, 45, 0);
    EXPECT_EQ(parse("2024-05-01T13:45:00.999Z", true), at);
    EXPECT_EQ(parse("2024-05-01T13:45:00+", true), at); // the last character is dropped unread
    EXPECT_EQ(parse("1960-06-15", false), TCUTCTime::FromYMDHMS(1960, 6, 15, 0, 0, 0));
    // Anything else is the epoch; the first, without designator, loses its last digit.
    for (const char* text : {"2024-05-01T13:45:00", "2024-05-01 13:45:00Z", "2024-5-01T13:45:00Z",
                             "2024-05-01T13:45:00.25Z", "2024-13-01T13:45:00Z", "2024-02-30T10:00:00Z",
                             "2024-05-01T24:00:00Z", "2024-05-01T13:60:00Z", "2024-05-01T13:45:60Z", "", "Z"})
        EXPECT_EQ(parse(text, true), TCUTCTime(0)) << text;
    for (const char* text : {"2024-05-01Z", "2024-05-1", "2023-02-29", ""})
        EXPECT_EQ(parse(text, false), TCUTCTime(0)) << text;
    rapidjson::Document doc;
    doc.Parse(R"({"t":"2024-05-01T13:45:00Z","d":"2024-05-01","n":5})");
    EXPECT_EQ(KnaJson_BaseType::DeserializeTimeValue(doc["t"]), at);
    EXPECT_EQ(KnaJson_BaseType::DeserializeDateValue(doc["d"]), (TCDateData{2024, 5, 1}));
    EXPECT_EQ(KnaJson_BaseType::DeserializeDateValue(doc["t"]), (TCDateData{1970, 1, 1}));
    EXPECT_THROW(KnaJson_BaseType::DeserializeTimeValue(doc["n"]), TCJson::TCJsonParsingException);
    EXPECT_THROW(KnaJson_BaseType::DeserializeDateValue(doc["n"]), TCJson::TCJsonParsingException);
}

// Identities, table records and the paging members of filters, read or refused.
TEST(JsonIdentity, ReadsOrRefusesEveryIdentityTypeAndThePagingMembersWritesAndCompares) {
    const auto paging = [](const std::string& filter) {
        return Outcome<PagingOnlyFilter>(R"({"testFilter":)" + filter + "}");
    };
    const std::vector<std::pair<std::string, std::string>> cases = {

        {Outcome<PagingOnlyFilter>(R"({})"), "Expected testFilter member"},
        {paging(R"([])"), "Expected JSON object"},
        {paging(R"({"skipCount":null,"limitCount":null,"doNotFetchData":null})"),
         R"(accepted: {"skipCount":0,"limitCount":1000})"},
        {paging(R"({"skipCount":18446744073709551615,"limitCount":1,"doNotFetchData":true})"),
         R"(accepted: {"skipCount":18446744073709551615,"limitCount":1,"doNotFetchData":true})"},
        {paging(R"({"limitCount":1000})"), R"(accepted: {"skipCount":0,"limitCount":1000})"},
        {paging(R"({"limitCount":0})"), "limitCount must be between 1 and 1000"},
        {paging(R"({"limitCount":1001})"), "limitCount must be between 1 and 1000"},
        {paging(R"({"limitCount":-1})"), "json: flags_ & kUintFlag"},
        {paging(R"({"skipCount":1.5})"), "json: flags_ & kUint64Flag"},
        {paging(R"({"doNotFetchData":1})"), "json: IsBool()"},
        {Outcome<KnaJson_ID>(R"({"id":null,"other":1})"), "accepted: {\"id\":null}"},
        {Outcome<KnaJson_ID>(R"({"id":9007199254740993})"), R"(accepted: {"id":9007199254740993})"},
        {Outcome<KnaJson_ID>("{}"), "Expected id member"},
        {Outcome<KnaJson_ID>("12"), "Expected JSON object"},
        {Outcome<KnaJson_ID>(R"({"id":1.0})"), "json: flags_ & kInt64Flag"},
        {Outcome<KnaJson_CrossID>(R"({"id":null,"extId":null})"), "accepted: {\"id\":null}"},
        {Outcome<KnaJson_CrossID>(R"({"id":12,"extId":"A-7"})"), R"(accepted: {"id":12,"extId":"A-7"})"},
        {Outcome<KnaJson_CrossID>(R"({"extId":""})"), R"(accepted: {"id":null,"extId":""})"},
        {Outcome<KnaJson_CrossID>(R"(["A-7"])"), "Expected JSON object"},
        {Outcome<KnaJson_CrossID>(R"({"id":"12"})"), "json: flags_ & kInt64Flag"},
        {Outcome<KnaJson_CrossID>(R"({"extId":7})"), "json: IsString()"},
        {Outcome<KnaJson_IDArray>(R"({"ids":[{"id":4},{"id":null},{"id":4}]})"),
         R"(accepted: {"ids":[{"id":4},{"id":null},{"id":4}]})"},
        {Outcome<KnaJson_IDArray>("{}"), "Expected ids member"},
        {Outcome<KnaJson_IDArray>(R"({"ids":null})"), "Expected JSON array"},
        {Outcome<KnaJson_IDArray>(R"({"ids":[{"id":1},{}]})"), "Expected id member"},
        {Outcome<KnaJson_IDArray>(R"({"ids":[5]})"), "Expected JSON object"},
        {Outcome<KnaJson_CrossIDArray>(R"({"ids":[{"extId":"a"},{},{"id":3}]})"),
         R"(accepted: {"ids":[{"id":null,"extId":"a"},{"id":null},{"id":3}]})"},
        {Outcome<KnaJson_CrossIDArray>(R"({"ids":[{},"x"]})"), "Expected JSON object"},
        {Outcome<KnaJson_CrossIDArray>(R"({"ids":7})"), "Expected JSON array"},
        {Outcome<KnaJson_TableRecord>(R"({"tableId":5,"id":{"id":12}})"),
         R"(accepted: {"tableId":5,"id":{"id":12},"keynodeId":{"id":null}})"},
        {Outcome<KnaJson_TableCrossRecord>(R"({"tableId":6,"id":{"extId":"e"},"keynodeId":{"id":2}})"),
         R"(accepted: {"tableId":6,"id":{"id":null,"extId":"e"},"keynodeId":{"id":2}})"},
        {Outcome<KnaJson_TableCrossRecord>(R"({"tableId":6,"id":{},"keynodeId":null})"),
         R"(accepted: {"tableId":6,"id":{"id":null},"keynodeId":{"id":null}})"},
        {Outcome<KnaJson_TableRecord>(R"({"id":{"id":1}})"), "Expected tableId member"},
        // Both presence checks come before any value is read.
        {Outcome<KnaJson_TableRecord>(R"({"tableId":"x"})"), "Expected id member"},
        {Outcome<KnaJson_TableRecord>(R"({"tableId":1,"id":null})"), "Expected JSON object"},
        {Outcome<KnaJson_TableCrossRecord>(R"({"tableId":1,"id":null})"), "Expected JSON object"},
        {Outcome<KnaJson_TableRecord>(R"({"tableId":"x","id":{"id":1}})"), "json: flags_ & kIntFlag"},
        {Outcome<KnaJson_TableCrossRecord>(R"({"tableId":1.5,"id":{}})"), "json: flags_ & kIntFlag"},
        {Outcome<KnaJson_TableCrossRecord>(R"({"tableId":1,"id":{},"keynodeId":{}})"), "Expected id member"},
    };
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(cases[i].first, cases[i].second) << "row " << i;

    // Values, writing and comparison.
    EXPECT_EQ(Compact(KnaJson_ID(-4)), R"({"id":-4})");
    rapidjson::Document doc;
    doc.SetObject();
    KnaJson_ID(7).SerializeToValueOrNull(doc, doc.GetAllocator(), "door");
    KnaJson_ID().SerializeToValueOrNull(doc, doc.GetAllocator(), "reader");
    EXPECT_EQ(KnaUtil::WriteCompact(doc), R"({"door":{"id":7},"reader":null})");
    // A null and a value are never equal, even when the null's stored number matches.
    EXPECT_NE(KnaJson_ID(), KnaJson_ID(0));
    EXPECT_EQ(KnaJson_ID(3), KnaJson_ID(static_cast<TCRecordID>(FromText<KnaJson_ID>(R"({"id":3})"))));
    EXPECT_TRUE(KnaJson_ID(2) < KnaJson_ID(3));
    EXPECT_FALSE(KnaJson_ID(3) < KnaJson_ID(3));

    EXPECT_EQ(Compact(KnaJson_CrossID(5, std::string("A\"7"))), R"({"id":5,"extId":"A\"7"})");
    EXPECT_EQ(KnaJson_CrossID(), KnaJson_CrossID());
    EXPECT_EQ(KnaJson_CrossID(3, std::string("A")), KnaJson_CrossID(3, std::string("A")));
    EXPECT_NE(KnaJson_CrossID(3), KnaJson_CrossID(3, std::string("A")));
    EXPECT_NE(KnaJson_CrossID(3), KnaJson_CrossID(4));
    EXPECT_NE(KnaJson_CrossID(std::string("A")), KnaJson_CrossID(3, std::string("A")));
    // Byte comparison: a text with an embedded zero differs from its prefix.
    EXPECT_NE(KnaJson_CrossID(std::string("A\0B", 3)), KnaJson_CrossID(std::string("A")));

    const KnaJson_IDArray ids({KnaJson_ID(4), KnaJson_ID(), KnaJson_ID(4), KnaJson_ID(2)});
    std::set<TCRecordID> recordIDs{TCRecordID(99)};
    ids.GetRecordIDs(recordIDs);
    EXPECT_EQ(recordIDs, (std::set<TCRecordID>{TCRecordID(2), TCRecordID(4)}));
    KnaJson_IDArray().GetRecordIDs(recordIDs);
    EXPECT_TRUE(recordIDs.empty());
    const KnaJson_TableRecord record = FromText<KnaJson_TableRecord>(R"({"tableId":5,"id":{"id":12}})");
    EXPECT_EQ(record.GetID(), KnaJson_ID(12));
    EXPECT_TRUE(record.GetKeynodeID().IsNull());
    const KnaJson_TableCrossRecord cross =
        FromText<KnaJson_TableCrossRecord>(R"({"tableId":6,"id":{"extId":"e"},"keynodeId":{"id":2}})");
    EXPECT_EQ(cross.GetID(), KnaJson_CrossID(std::string("e")));
    EXPECT_EQ(cross.GetKeynodeID(), KnaJson_ID(2));
}

class SelectByIDTest : public testing::Test {
protected:
    static TCRecordID AddGroup(const std::string& name, const KnaJson_CrossID& identity) {
        Access::TCDBAccessGroups groups;
        DB::TCDBAutoObject row;
        KnaJson_BaseType::CreateRecordObject(groups, row, identity);
        row.Field(Table_AccessGroups::NAME).set_AsString(name);
        row.Save();
        return row.get_ID();
    }

    // The found row's ID, or the error body or message of the failed lookup.
    template <class Identity>
    static std::string Select(Access::TCDBAccessGroups& groups, const Identity& id) {
        try {
            return std::to_string(
                KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID, id).get_ID());
        } catch (const KnaJsonErrorException& e) {
            EXPECT_EQ(e.GetError()->GetHTTPCode(), 400);
            return KnaUtil::SerializeToCompactString(KnaJson_ErrorResult(e.GetError()));
        } catch (const KnaException& e) {
            return e.GetMessage();
        }
    }

    ApiTest::TestDataDir m_Data;
};

TEST_F(SelectByIDTest, FindsRowsByIDOrExternalIDWhichWinsWithinTheUserRights) {
    const TCRecordID plain = AddGroup("plain", KnaJson_CrossID());
    // The numeric ID of a new record is never taken from the request.
    const TCRecordID tagged = AddGroup("tagged", KnaJson_CrossID(424242, std::string("ext-7")));
    EXPECT_NE(tagged, TCRecordID(424242));
    const std::string p = std::to_string(plain.get_ID()), t = std::to_string(tagged.get_ID());
    const std::string notFound = R"({"errors":[)" + kNotFound + R"({"tableId":)" +
                                 std::to_string(Table_AccessGroups::SPEC.TableID) + R"(,"id":)";
    Access::TCDBAccessGroups groups;
    EXPECT_EQ(Select(groups, KnaJson_CrossID(plain.get_ID())), p);
    EXPECT_EQ(Select(groups, KnaJson_ID(tagged)), t);
    EXPECT_EQ(Select(groups, KnaJson_CrossID(plain.get_ID(), std::string("ext-7"))), t);
    // A valid ID does not rescue an unknown external ID.
    EXPECT_EQ(Select(groups, KnaJson_CrossID(plain.get_ID(), std::string("nope"))),
              notFound + R"({"id":)" + p + R"(,"extId":"nope"},"keynodeId":{"id":null}}]}]})");
    EXPECT_EQ(Select(groups, KnaJson_CrossID(std::string("only-ext"))),
              notFound + R"({"id":null,"extId":"only-ext"},"keynodeId":{"id":null}}]}]})");
    EXPECT_EQ(Select(groups, KnaJson_ID(99)), notFound + R"({"id":99},"keynodeId":{"id":null}}]}]})");
    EXPECT_EQ(Select(groups, KnaJson_CrossID()), "ID or external ID is required for table AccessGroups");
    EXPECT_EQ(Select(groups, KnaJson_ID()), "ID is required for table AccessGroups");

    // The user rights filter applies only when both user and rights value are set.
    const TCRecordID granted = AddGroup("granted", KnaJson_CrossID());
    const TCRecordID hidden = AddGroup("hidden", KnaJson_CrossID());
    const TCRecordID user(5);
    DB::GrantRecordRight(user, Table_AccessGroups::SPEC.TableID, granted, DB::RECORD_RIGHT_SEE);
    KnaJson_ID request;
    for (int step = 0; step < 2; ++step) {
        Access::TCDBAccessGroups all;
        request.InitMainTable(all); // no user, then no rights value: unfiltered
        EXPECT_EQ(all.SelectCount("*", DB::TCDBWhere()), 4);
        request.SetUserRights(user, TCNullTypes<int>());
    }
    request.SetUserRights(user, 1);
    Access::TCDBAccessGroups filtered;
    request.InitMainTable(filtered);
    EXPECT_EQ(Select(filtered, KnaJson_ID(granted)), std::to_string(granted.get_ID()));
    EXPECT_EQ(Select(filtered, KnaJson_ID(hidden)).find(R"({"errors":[{"code":3)"), 0u);
}

TEST(ErrorBody, ErrorsResultsTheirHttpCodesAndTheExceptionsCarryingThem) {
    EXPECT_EQ(KnaUtil::SerializeToCompactString(KnaJson_ErrorResult()), R"({"errors":[]})");
    EXPECT_EQ(Compact(KnaJson_Error(7, "Bad \"door\"", "line\n2")),
              R"({"code":7,"msg":"Bad \"door\"","msgDetails":"line\n2"})");
    // Only parsing and not-found errors are the client's fault.
    for (int code : {2, 3})
        EXPECT_EQ(KnaJson_Error(code, "", "").GetHTTPCode(), 400) << code;
    for (int code : {1, 0, -1, 4, 400, 500})
        EXPECT_EQ(KnaJson_Error(code, "", "").GetHTTPCode(), 500) << code;

    KnaJson_ErrorRecordNotFound notFound(Record(12, KnaJson_CrossID(std::string("ext-1"))));
    notFound.AddNotFoundRecord(Record(12, KnaJson_CrossID(40)));
    KnaJson_ErrorResult result(std::make_shared<KnaJson_Error>(2, "Parsing error:x", ""));
    // Added by reference: the copy must stay a records-not-found error, independent of the original.
    result.AddError(notFound);
    notFound.ClearNotFoundRecords();
    EXPECT_EQ(Compact(notFound), kNotFound + "]}");
    EXPECT_EQ(KnaUtil::SerializeToCompactString(result),
              R"({"errors":[{"code":2,"msg":"Parsing error:x","msgDetails":""},)" + kNotFound +
                  R"({"tableId":12,"id":{"id":null,"extId":"ext-1"},"keynodeId":{"id":null}},)"
                  R"({"tableId":12,"id":{"id":40},"keynodeId":{"id":null}}]}]})");
    result.ClearErrors();
    EXPECT_EQ(KnaUtil::SerializeToCompactString(result), R"({"errors":[]})");

    KnaJson_ErrorResultRecordsNotFound records;
    records.AddError(KnaJson_ErrorRecordNotFound(Record(3, KnaJson_CrossID(1))));
    records.AddError(KnaJson_ErrorRecordNotFound());
    EXPECT_EQ(KnaUtil::SerializeToCompactString(records),
              R"({"errors":[)" + kNotFound + R"({"tableId":3,"id":{"id":1},"keynodeId":{"id":null}}]},)" +
                  kNotFound + "]}]}");
    records.ClearErrors();
    EXPECT_EQ(KnaUtil::SerializeToCompactString(records), R"({"errors":[]})");

    // The event-log text is cut by bytes, not characters: a multi-byte sequence at the boundary is split.
    const std::string exact(1024, 'a');
    EXPECT_EQ(KnaUtil::GetEvenlogFriendlyErrorString(""), "");
    EXPECT_EQ(KnaUtil::GetEvenlogFriendlyErrorString(exact), exact);
    EXPECT_EQ(KnaUtil::GetEvenlogFriendlyErrorString(std::string(1023, 'a') + "\xC3\xA4"),
              std::string(1023, 'a') + "\xC3");

    // The condition stays in the text of an exception whose message is overridden, reported when debug is on.
    const bool wasOn = IsDebugLevel(DEBUG_COMMON);
    std::vector<std::string> lines;
    SetDebugSink([&lines](const std::string& line) { lines.push_back(line); });
    SetDebugLevel(DEBUG_COMMON, false);
    KnaException(__FILE__, 1, "quiet").FormatOverride("not shown");
    SetDebugLevel(DEBUG_COMMON, true);
    KnaException e(__FILE__, 20, "count > 0");
    const std::string before = e.GetText();
    EXPECT_EQ(&e.FormatOverride("Value %d for %s is not valid", -3, "count"), &e);
    SetDebugSink(nullptr);
    SetDebugLevel(DEBUG_COMMON, wasOn);
    EXPECT_EQ(e.GetMessage(), "Value -3 for count is not valid");
    EXPECT_EQ(e.GetText(), before + ". Value -3 for count is not valid");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Exception occured " + e.GetText()), std::string::npos) << lines[0];

    const int limitCount = 0;
    try {
        KNA_PARSING_ASSERT(limitCount > 0, "%s must be between 1 and %d", "limitCount", 1000);
        FAIL() << "no exception";
    } catch (const KnaParsingException& e) { // still a parsing exception after the override
        EXPECT_EQ(e.GetMessage(), "limitCount must be between 1 and 1000");
        EXPECT_NE(e.GetText().find("limitCount > 0"), std::string::npos) << e.GetText();
    }
    EXPECT_NO_THROW(KNA_PARSING_ASSERT(limitCount == 0, "unused"));

    std::weak_ptr<KnaJson_Error> watcher;
    {
        KnaJsonErrorException e(__FILE__, 41, std::make_unique<KnaJson_Error>(1, "owned", ""));
        watcher = e.GetError();
        const KnaJsonErrorException copy = e;
        EXPECT_EQ(copy.GetError(), e.GetError());
    }
    EXPECT_TRUE(watcher.expired());
}
