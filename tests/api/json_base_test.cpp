#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "JsonTypes/KnaJsonMembers.h"
#include "JsonTypes/KnaJson_BaseType.h"
#include "KnaException.h"
#include "KnaUtil.h"
#include "Json/TCJsonParsingException.h"

using namespace KeynodeApi;
using Accessories::TCNullTypes;

namespace {

// A resource in the shape the access-configuration types have: one required member, optional members
// of every value kind with their specified marks, and output wrapped under "widget".
class TestWidget : public KnaJson_BaseType {
public:
    std::string Name;
    TCNullTypes<std::string> Label;
    TCNullTypes<bool> Enabled;
    TCNullTypes<int> Count;
    TCNullTypes<long long> Serial;
    TCNullTypes<TCUTCTime> ValidFrom;
    TCNullTypes<TCDateData> Birthday;
    bool LabelSpecified = false, EnabledSpecified = false, CountSpecified = false, SerialSpecified = false,
         ValidFromSpecified = false, BirthdaySpecified = false;

    void Deserialize(const rapidjson::Document& doc) override {
        Deserialize(static_cast<const rapidjson::Value&>(doc));
    }
    void Deserialize(const rapidjson::Value& value) override {
        *this = TestWidget();
        AssertJsonObject(value);
        const rapidjson::Value& name = GetRequiredNotNullMember(value, "name");
        Name.assign(name.GetString(), name.GetStringLength());
        LabelSpecified = ReadOptionalMember(value, "label", Label);
        EnabledSpecified = ReadOptionalMember(value, "enabled", Enabled);
        CountSpecified = ReadOptionalMember(value, "count", Count);
        SerialSpecified = ReadOptionalMember(value, "serial", Serial);
        ValidFromSpecified = ReadOptionalMember(value, "validFrom", ValidFrom);
        BirthdaySpecified = ReadOptionalMember(value, "birthday", Birthday);
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
};

// A type that overrides nothing.
class BareType : public KnaJson_BaseType {};

TCJson::TCJsonParsingException ParseFailure(const std::string& body) {
    TestWidget widget;
    try {
        widget.DeserializeString(body);
    } catch (const TCJson::TCJsonParsingException& e) {
        return e;
    }
    ADD_FAILURE() << "no TCJsonParsingException for " << body;
    return TCJson::TCJsonParsingException("", 0, "none");
}

KnaParsingException StructuralFailure(const std::string& body) {
    TestWidget widget;
    try {
        widget.DeserializeString(body);
    } catch (const KnaParsingException& e) {
        return e;
    }
    ADD_FAILURE() << "no KnaParsingException for " << body;
    return KnaParsingException("", 0, "none");
}

} // namespace

TEST(JsonMemberRules, AbsentMembersAreNotSpecifiedAndStayNull) {
    TestWidget widget;
    widget.DeserializeString(R"({"name":"w"})");
    EXPECT_EQ(widget.Name, "w");
    EXPECT_FALSE(widget.LabelSpecified || widget.EnabledSpecified || widget.CountSpecified ||
                 widget.SerialSpecified || widget.ValidFromSpecified || widget.BirthdaySpecified);
    EXPECT_TRUE(widget.Label.IsNull() && widget.Enabled.IsNull() && widget.Count.IsNull() &&
                widget.Serial.IsNull() && widget.ValidFrom.IsNull() && widget.Birthday.IsNull());
}

TEST(JsonMemberRules, NullMembersAreSpecifiedAndNull) {
    TestWidget widget;
    widget.DeserializeString(
        R"({"name":"w","label":null,"enabled":null,"count":null,"serial":null,"validFrom":null,"birthday":null})");
    EXPECT_TRUE(widget.LabelSpecified && widget.EnabledSpecified && widget.CountSpecified &&
                widget.SerialSpecified && widget.ValidFromSpecified && widget.BirthdaySpecified);
    EXPECT_TRUE(widget.Label.IsNull() && widget.Enabled.IsNull() && widget.Count.IsNull() &&
                widget.Serial.IsNull() && widget.ValidFrom.IsNull() && widget.Birthday.IsNull());
}

TEST(JsonMemberRules, ValuesAreReadWithTheirTypeAndUnknownMembersIgnored) {
    TestWidget widget;
    widget.DeserializeString(
        R"({"name":"w","label":"front","enabled":false,"count":-7,"serial":9007199254740993,)"
        R"("validFrom":"2024-05-01T13:45:00Z","birthday":"1969-12-31","unknown":[1,{}]})");
    EXPECT_EQ(widget.Label.get_Value(), "front");
    EXPECT_FALSE(widget.Enabled.get_Value(true));
    EXPECT_EQ(widget.Count.get_Value(), -7);
    EXPECT_EQ(widget.Serial.get_Value(), 9007199254740993LL);
    EXPECT_EQ(widget.ValidFrom.get_Value(), TCUTCTime::FromYMDHMS(2024, 5, 1, 13, 45, 0));
    EXPECT_EQ(widget.Birthday.get_Value(), (TCDateData{1969, 12, 31}));
    EXPECT_TRUE(widget.EnabledSpecified && widget.CountSpecified);
}

TEST(JsonMemberRules, RequiredMemberAbsentOrNull) {
    const KnaParsingException absent = StructuralFailure(R"({"label":"x"})");
    EXPECT_EQ(absent.GetMessage(), "Expected name member");
    EXPECT_NE(absent.GetText().find("value.HasMember(\"name\")"), std::string::npos) << absent.GetText();

    const KnaParsingException null = StructuralFailure(R"({"name":null})");
    EXPECT_EQ(null.GetMessage(), "name member can't be null");
    EXPECT_NE(null.GetText().find("!value[\"name\"].IsNull()"), std::string::npos) << null.GetText();
}

TEST(JsonMemberRules, BodyThatIsNotAnObject) {
    for (const char* body : {"[]", "[{\"name\":\"w\"}]", "42", "\"text\"", "null", "true"}) {
        const KnaParsingException e = StructuralFailure(body);
        EXPECT_EQ(e.GetMessage(), "Expected JSON object") << body;
        EXPECT_NE(e.GetText().find("value.IsObject()"), std::string::npos) << e.GetText();
    }
}

TEST(JsonMemberRules, UnparsableBodies) {
    const TCJson::TCJsonParsingException empty = ParseFailure("");
    EXPECT_EQ(empty.GetMessage(),
              "Could not parse input, error: " + std::to_string(rapidjson::kParseErrorDocumentEmpty));
    EXPECT_EQ(empty.GetMessage(), "Could not parse input, error: 1");

    // Strict JSON: no trailing commas, no comments, a single root.
    EXPECT_EQ(ParseFailure(R"({"name":"w",})").GetMessage(),
              "Could not parse input, error: " + std::to_string(rapidjson::kParseErrorObjectMissName));
    EXPECT_EQ(ParseFailure("{} {}").GetMessage(),
              "Could not parse input, error: " +
                  std::to_string(rapidjson::kParseErrorDocumentRootNotSingular));
    EXPECT_EQ(ParseFailure("{/*c*/}").GetMessage().rfind("Could not parse input, error: ", 0), 0u);
}

// The parser recurses once per nesting level: a body well under the size limit made only of '[' used to
// overflow the stack and take the whole server down. Such bodies are refused; real ones are not that deep.
TEST(JsonMemberRules, DeeplyNestedBodiesAreRefusedNotFatal) {
    EXPECT_EQ(ParseFailure(std::string(400000, '[')).GetMessage(),
              "Could not parse input, error: " + std::to_string(rapidjson::kParseErrorTermination));
    std::string nested = std::string(200, '[') + std::string(200, ']');
    EXPECT_EQ(StructuralFailure(nested).GetMessage(), "Expected JSON object");
}

struct WrongTypeCase {
    const char* body;
    const char* expression;
};

class JsonWrongType : public testing::TestWithParam<WrongTypeCase> {};

TEST_P(JsonWrongType, FailsInsideTheJsonLibraryWithTheExpression) {
    const TCJson::TCJsonParsingException e = ParseFailure(GetParam().body);
    EXPECT_EQ(e.GetMessage(), "RapidJson internal assertion failed");
    EXPECT_EQ(e.GetExpression(), GetParam().expression);
}

INSTANTIATE_TEST_SUITE_P(
    Members, JsonWrongType,
    testing::Values(WrongTypeCase{R"({"name":123})", "IsString()"},
                    WrongTypeCase{R"({"name":"w","label":123})", "IsString()"},
                    WrongTypeCase{R"({"name":"w","label":{}})", "IsString()"},
                    WrongTypeCase{R"({"name":"w","enabled":1})", "IsBool()"},
                    WrongTypeCase{R"({"name":"w","enabled":"true"})", "IsBool()"},
                    WrongTypeCase{R"({"name":"w","count":1.5})", "flags_ & kIntFlag"},
                    WrongTypeCase{R"({"name":"w","count":"12"})", "flags_ & kIntFlag"},
                    WrongTypeCase{R"({"name":"w","count":true})", "flags_ & kIntFlag"},
                    WrongTypeCase{R"({"name":"w","count":4294967296})", "flags_ & kIntFlag"},
                    WrongTypeCase{R"({"name":"w","serial":1.5})", "flags_ & kInt64Flag"},
                    WrongTypeCase{R"({"name":"w","serial":18446744073709551615})", "flags_ & kInt64Flag"},
                    WrongTypeCase{R"({"name":"w","validFrom":1714571100})", "IsString()"},
                    WrongTypeCase{R"({"name":"w","birthday":false})", "IsString()"}));

TEST(JsonMemberRules, IntegerMembersAcceptTheirWholeRange) {
    TestWidget widget;
    widget.DeserializeString(R"({"name":"w","count":-2147483648,"serial":-9223372036854775808})");
    EXPECT_EQ(widget.Count.get_Value(), -2147483647 - 1);
    EXPECT_EQ(widget.Serial.get_Value(), -9223372036854775807LL - 1);
}

TEST(JsonLibraryHook, ContainerAssertionsCarryTheirExpressions) {
    rapidjson::Document doc;
    doc.Parse("[1]");
    try {
        (void)doc.HasMember("x");
        FAIL() << "no exception";
    } catch (const TCJson::TCJsonParsingException& e) {
        EXPECT_EQ(e.GetExpression(), "IsObject()");
        EXPECT_EQ(e.GetMessage(), "RapidJson internal assertion failed");
    }
    doc.Parse("{}");
    try {
        (void)doc.GetArray();
        FAIL() << "no exception";
    } catch (const TCJson::TCJsonParsingException& e) {
        EXPECT_EQ(e.GetExpression(), "IsArray()");
    }
}

TEST(JsonSerialization, NullValuesAreWrittenAsNullInACompactWrappedDocument) {
    TestWidget widget;
    widget.Name = "w\"1";
    widget.Count = 3;
    widget.ValidFrom = TCUTCTime::FromYMDHMS(2024, 5, 1, 13, 45, 0);
    EXPECT_EQ(KnaUtil::SerializeToCompactString(widget),
              R"({"widget":{"name":"w\"1","label":null,"enabled":null,"count":3,"serial":null,)"
              R"("validFrom":"2024-05-01T13:45:00Z","birthday":null}})");

    widget.Enabled = true;
    widget.Serial = -5LL;
    widget.Birthday = TCDateData{2024, 2, 29};
    widget.Label = std::string("x");
    EXPECT_EQ(KnaUtil::SerializeToCompactString(widget),
              R"({"widget":{"name":"w\"1","label":"x","enabled":true,"count":3,"serial":-5,)"
              R"("validFrom":"2024-05-01T13:45:00Z","birthday":"2024-02-29"}})");
}

TEST(JsonBase, OperationsATypeDoesNotOverrideNameTheType) {
    BareType bare;
    const std::string typeName = typeid(BareType).name();
    ASSERT_NE(typeName[0], '*');
    rapidjson::Document doc;
    doc.SetObject();
    rapidjson::Value value;

    auto messageOf = [](auto&& operation) {
        try {
            operation();
        } catch (const TCJson::TCJsonParsingException& e) {
            return e.GetMessage();
        }
        return std::string("no exception");
    };
    EXPECT_EQ(messageOf([&] { bare.SerializeToDoc(doc); }),
              "Serialize to JSON Document not implemented for " + typeName);
    EXPECT_EQ(messageOf([&] { bare.SerializeToValue(doc.GetAllocator(), value); }),
              "Serialize to JSON Value not implemented for " + typeName);
    EXPECT_EQ(messageOf([&] { bare.Deserialize(doc); }),
              "Deserialize from JSON Document not implemented for " + typeName);
    EXPECT_EQ(messageOf([&] { bare.Deserialize(static_cast<const rapidjson::Value&>(doc)); }),
              "Deserialize from JSON Value not implemented for " + typeName);
    EXPECT_EQ(messageOf([&] { bare.DeserializeString("{}"); }),
              "Deserialize from JSON Document not implemented for " + typeName);
}
