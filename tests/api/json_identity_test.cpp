#include <gtest/gtest.h>

#include <set>
#include <string>

#include "JsonTypes/KnaJson_CrossID.h"
#include "JsonTypes/KnaJson_CrossIDArray.h"
#include "JsonTypes/KnaJson_ID.h"
#include "JsonTypes/KnaJson_IDArray.h"
#include "JsonTypes/KnaJson_TableCrossRecord.h"
#include "JsonTypes/KnaJson_TableRecord.h"
#include "KnaException.h"
#include "KnaUtil.h"
#include "Json/TCJsonParsingException.h"

using namespace KeynodeApi;
using Accessories::TCRecordID;

namespace {

std::string Compact(const KnaJson_BaseType& object) {
    rapidjson::Document doc;
    rapidjson::Value value;
    EXPECT_TRUE(object.SerializeToValue(doc.GetAllocator(), value));
    doc.CopyFrom(value, doc.GetAllocator());
    return KnaUtil::WriteCompact(doc);
}

template <class T> T FromText(const std::string& text) {
    T object;
    object.DeserializeString(text);
    return object;
}

template <class T> std::string ParsingMessage(const std::string& text) {
    try {
        FromText<T>(text);
    } catch (const KnaParsingException& e) {
        return e.GetMessage();
    }
    return "no KnaParsingException";
}

template <class T> std::string JsonLibraryExpression(const std::string& text) {
    try {
        FromText<T>(text);
    } catch (const TCJson::TCJsonParsingException& e) {
        return e.GetExpression();
    }
    return "no TCJsonParsingException";
}

} // namespace

TEST(JsonID, ReadsAnIntegerOrNull) {
    const KnaJson_ID id = FromText<KnaJson_ID>(R"({"id":9007199254740993})");
    EXPECT_FALSE(id.IsNull());
    EXPECT_EQ(id.GetID(), 9007199254740993LL);
    EXPECT_EQ(static_cast<TCRecordID>(id), TCRecordID(9007199254740993LL));

    const KnaJson_ID null = FromText<KnaJson_ID>(R"({"id":null,"other":1})");
    EXPECT_TRUE(null.IsNull());
    EXPECT_TRUE(null.GetRecordID().IsNull());
}

TEST(JsonID, RejectsMissingOrWronglyTypedID) {
    EXPECT_EQ(ParsingMessage<KnaJson_ID>("{}"), "Expected id member");
    EXPECT_EQ(ParsingMessage<KnaJson_ID>("[]"), "Expected JSON object");
    EXPECT_EQ(ParsingMessage<KnaJson_ID>("12"), "Expected JSON object");
    EXPECT_EQ(JsonLibraryExpression<KnaJson_ID>(R"({"id":"12"})"), "flags_ & kInt64Flag");
    EXPECT_EQ(JsonLibraryExpression<KnaJson_ID>(R"({"id":1.0})"), "flags_ & kInt64Flag");
}

TEST(JsonID, WritesObjectFormAndNullWhenAsked) {
    EXPECT_EQ(Compact(KnaJson_ID(-4)), R"({"id":-4})");
    EXPECT_EQ(Compact(KnaJson_ID()), R"({"id":null})");
    EXPECT_EQ(Compact(KnaJson_ID(TCRecordID())), R"({"id":null})");

    rapidjson::Document doc;
    doc.SetObject();
    KnaJson_ID(7).SerializeToValueOrNull(doc, doc.GetAllocator(), "door");
    KnaJson_ID().SerializeToValueOrNull(doc, doc.GetAllocator(), "reader");
    EXPECT_EQ(KnaUtil::WriteCompact(doc), R"({"door":{"id":7},"reader":null})");
}

TEST(JsonID, EqualityAndOrder) {
    EXPECT_EQ(KnaJson_ID(), KnaJson_ID());
    EXPECT_EQ(KnaJson_ID(3), KnaJson_ID(TCRecordID(3)));
    EXPECT_NE(KnaJson_ID(3), KnaJson_ID(4));
    // A null and a value are never equal, even when the null's stored number matches.
    EXPECT_NE(KnaJson_ID(), KnaJson_ID(0));
    EXPECT_TRUE(KnaJson_ID(2) < KnaJson_ID(3));
    EXPECT_FALSE(KnaJson_ID(3) < KnaJson_ID(3));
}

TEST(JsonCrossID, MembersAreOptional) {
    const KnaJson_CrossID empty = FromText<KnaJson_CrossID>("{}");
    EXPECT_TRUE(empty.IsIDNull() && empty.IsExternalIDNull());
    const KnaJson_CrossID nullExt = FromText<KnaJson_CrossID>(R"({"id":null,"extId":null})");
    EXPECT_TRUE(nullExt.IsIDNull() && nullExt.IsExternalIDNull());

    const KnaJson_CrossID both = FromText<KnaJson_CrossID>(R"({"id":12,"extId":"A-7"})");
    EXPECT_EQ(both.GetID(), 12);
    EXPECT_EQ(both.GetExternalID(), "A-7");
    EXPECT_EQ(both.GetRecordID(), TCRecordID(12));

    const KnaJson_CrossID extOnly = FromText<KnaJson_CrossID>(R"({"extId":""})");
    EXPECT_TRUE(extOnly.IsIDNull());
    EXPECT_FALSE(extOnly.IsExternalIDNull());
    EXPECT_EQ(extOnly.GetNullExternalID().get_Value(), "");
}

TEST(JsonCrossID, RejectsWrongTypes) {
    EXPECT_EQ(ParsingMessage<KnaJson_CrossID>(R"(["A-7"])"), "Expected JSON object");
    EXPECT_EQ(JsonLibraryExpression<KnaJson_CrossID>(R"({"id":"12"})"), "flags_ & kInt64Flag");
    EXPECT_EQ(JsonLibraryExpression<KnaJson_CrossID>(R"({"extId":7})"), "IsString()");
}

TEST(JsonCrossID, WritesExtIdOnlyWhenSet) {
    EXPECT_EQ(Compact(KnaJson_CrossID()), R"({"id":null})");
    EXPECT_EQ(Compact(KnaJson_CrossID(5)), R"({"id":5})");
    EXPECT_EQ(Compact(KnaJson_CrossID(std::string("A-7"))), R"({"id":null,"extId":"A-7"})");
    EXPECT_EQ(Compact(KnaJson_CrossID(5, std::string("A\"7"))), R"({"id":5,"extId":"A\"7"})");
    EXPECT_EQ(Compact(KnaJson_CrossID(5, Accessories::TCNullTypes<std::string>())), R"({"id":5})");
}

TEST(JsonCrossID, EqualityComparesNullFlagsPairwiseAndSetParts) {
    EXPECT_EQ(KnaJson_CrossID(3), KnaJson_CrossID(3));
    EXPECT_NE(KnaJson_CrossID(3), KnaJson_CrossID(3, std::string("A")));
    EXPECT_NE(KnaJson_CrossID(3), KnaJson_CrossID(4));
    EXPECT_EQ(KnaJson_CrossID(3, std::string("A")), KnaJson_CrossID(3, std::string("A")));
    EXPECT_NE(KnaJson_CrossID(3, std::string("A")), KnaJson_CrossID(3, std::string("a")));
    EXPECT_NE(KnaJson_CrossID(std::string("A")), KnaJson_CrossID(3, std::string("A")));
    EXPECT_EQ(KnaJson_CrossID(), KnaJson_CrossID());
    // Byte comparison: a text with an embedded zero differs from its prefix.
    EXPECT_NE(KnaJson_CrossID(std::string("A\0B", 3)), KnaJson_CrossID(std::string("A")));
}

TEST(JsonIDArray, KeepsOrderAndNullEntries) {
    const KnaJson_IDArray ids =
        FromText<KnaJson_IDArray>(R"({"ids":[{"id":4},{"id":null},{"id":4},{"id":2}]})");
    ASSERT_EQ(ids.GetIDs().size(), 4u);
    EXPECT_TRUE(ids.GetIDs()[1].IsNull());
    EXPECT_EQ(Compact(ids), R"({"ids":[{"id":4},{"id":null},{"id":4},{"id":2}]})");
}

TEST(JsonIDArray, RecordIDsCollapseDuplicatesAndSkipNulls) {
    const KnaJson_IDArray ids({KnaJson_ID(4), KnaJson_ID(), KnaJson_ID(4), KnaJson_ID(2)});
    std::set<TCRecordID> recordIDs{TCRecordID(99)};
    ids.GetRecordIDs(recordIDs);
    EXPECT_EQ(recordIDs, (std::set<TCRecordID>{TCRecordID(2), TCRecordID(4)}));

    KnaJson_IDArray empty;
    empty.GetRecordIDs(recordIDs);
    EXPECT_TRUE(recordIDs.empty());
}

TEST(JsonIDArray, StructuralErrors) {
    EXPECT_EQ(ParsingMessage<KnaJson_IDArray>("{}"), "Expected ids member");
    EXPECT_EQ(ParsingMessage<KnaJson_IDArray>(R"({"ids":{"id":1}})"), "Expected JSON array");
    EXPECT_EQ(ParsingMessage<KnaJson_IDArray>(R"({"ids":null})"), "Expected JSON array");
    EXPECT_EQ(ParsingMessage<KnaJson_IDArray>(R"({"ids":[{"id":1},{}]})"), "Expected id member");
    EXPECT_EQ(ParsingMessage<KnaJson_IDArray>(R"({"ids":[5]})"), "Expected JSON object");
    EXPECT_EQ(ParsingMessage<KnaJson_CrossIDArray>(R"({"ids":[{},"x"]})"), "Expected JSON object");
    EXPECT_EQ(ParsingMessage<KnaJson_CrossIDArray>(R"({"ids":7})"), "Expected JSON array");
}

TEST(JsonCrossIDArray, ReadsAndWritesEveryEntry) {
    const KnaJson_CrossIDArray ids = FromText<KnaJson_CrossIDArray>(R"({"ids":[{"extId":"a"},{},{"id":3}]})");
    ASSERT_EQ(ids.GetIDs().size(), 3u);
    EXPECT_EQ(ids.GetIDs()[0], KnaJson_CrossID(std::string("a")));
    EXPECT_EQ(ids.GetIDs()[1], KnaJson_CrossID());
    EXPECT_EQ(Compact(ids), R"({"ids":[{"id":null,"extId":"a"},{"id":null},{"id":3}]})");
}

TEST(JsonTableRecord, WritesAllThreeMembers) {
    EXPECT_EQ(Compact(KnaJson_TableRecord(5, KnaJson_ID(12), KnaJson_ID())),
              R"({"tableId":5,"id":{"id":12},"keynodeId":{"id":null}})");
    EXPECT_EQ(Compact(KnaJson_TableCrossRecord(5, KnaJson_CrossID(std::string("A-7")), KnaJson_ID(1))),
              R"({"tableId":5,"id":{"id":null,"extId":"A-7"},"keynodeId":{"id":1}})");
}

TEST(JsonTableRecord, ReadsBackAndDefaultsTheKeynode) {
    const KnaJson_TableRecord record = FromText<KnaJson_TableRecord>(R"({"tableId":5,"id":{"id":12}})");
    EXPECT_EQ(record.GetTableID(), 5);
    EXPECT_EQ(record.GetID(), KnaJson_ID(12));
    EXPECT_TRUE(record.GetKeynodeID().IsNull());

    const KnaJson_TableCrossRecord cross =
        FromText<KnaJson_TableCrossRecord>(R"({"tableId":6,"id":{"extId":"e"},"keynodeId":{"id":2}})");
    EXPECT_EQ(cross.GetID(), KnaJson_CrossID(std::string("e")));
    EXPECT_EQ(cross.GetKeynodeID(), KnaJson_ID(2));
    EXPECT_TRUE(FromText<KnaJson_TableCrossRecord>(R"({"tableId":6,"id":{},"keynodeId":null})")
                    .GetKeynodeID()
                    .IsNull());
}

TEST(JsonTableRecord, StructuralErrors) {
    EXPECT_EQ(ParsingMessage<KnaJson_TableRecord>(R"({"id":{"id":1}})"), "Expected tableId member");
    // Both presence checks come before any value is read.
    EXPECT_EQ(ParsingMessage<KnaJson_TableRecord>(R"({"tableId":"x"})"), "Expected id member");
    EXPECT_EQ(ParsingMessage<KnaJson_TableRecord>(R"({"tableId":1,"id":null})"), "Expected JSON object");
    EXPECT_EQ(ParsingMessage<KnaJson_TableCrossRecord>(R"({"tableId":1,"id":null})"), "Expected JSON object");
    EXPECT_EQ(JsonLibraryExpression<KnaJson_TableRecord>(R"({"tableId":"x","id":{"id":1}})"),
              "flags_ & kIntFlag");
    EXPECT_EQ(JsonLibraryExpression<KnaJson_TableCrossRecord>(R"({"tableId":1.5,"id":{}})"),
              "flags_ & kIntFlag");
    EXPECT_EQ(ParsingMessage<KnaJson_TableCrossRecord>(R"({"tableId":1,"id":{},"keynodeId":{}})"),
              "Expected id member");
}
