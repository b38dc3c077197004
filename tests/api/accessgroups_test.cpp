// "/access/accessGroups" over HTTP: the stored rows behind each answer, the request checks with their
// messages, and that a request failing anywhere, also in the middle of writing its rights, leaves the
// database as it was.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "ApiExpectations.h"
#include "DB/TCDBRawSql.h"
#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "support/ApiTestServer.h"

using namespace ApiTest;

namespace {

std::string ParsingError(const std::string& msg) {
    return ErrorBody(2, "Parsing error:" + msg);
}

std::string Id(const Accessories::TCRecordID& id) {
    return std::to_string(id.get_ID());
}

Accessories::TCRecordID AddDoor(const std::string& name) {
    Access::TCDBDoors doors;
    DB::TCDBAutoObject row;
    doors.CreateObject(row);
    row.Field(Table_AccessDoors::NAME).set_AsString(name);
    row.Save();
    return row.get_ID();
}

Accessories::TCRecordID AddWeekProgram(int type, const std::string& externalID = "") {
    System::TCDBWeekPrograms programs;
    DB::TCDBAutoObject row;
    programs.CreateObject(row);
    row.Field(Table_CommonWeekPrograms::NAME).set_AsString("program");
    row.Field(Table_CommonWeekPrograms::TYPE).set_AsInteger(type);
    row.Field(Table_CommonWeekPrograms::IS_SYSTEM).set_AsInteger(0);
    if (!externalID.empty()) row.SetExternalID(externalID);
    row.Save();
    return row.get_ID();
}

// Every stored group and right with its columns, one line each, to compare the database before and after.
std::string DumpGroupsAndRights() {
    std::string dump;
    Access::TCDBAccessGroups groups;
    groups.SetEnableSelectExternalID(true);
    for (DB::TCDBIterator row = groups.SelectAll(); row.IsNotEnd(); row.Next())
        dump += "group " + Id(row.get_ID()) + " ext=" + row.get_ExternalID().get_Value("<null>") +
                " name=" + row.Field(Table_AccessGroups::NAME).get_AsNullString().get_Value("<null>") +
                " info=" + row.Field(Table_AccessGroups::INFO).get_AsNullString().get_Value("<null>") +
                " priority=" + std::to_string(row.Field(Table_AccessGroups::PRIORITY).get_AsInteger()) +
                " reusable=" + std::to_string(row.Field(Table_AccessGroups::REUSABLE).get_AsInteger()) + "\n";
    Access::TCDBAccessGroupRights rights;
    for (DB::TCDBIterator row = rights.SelectAll(); row.IsNotEnd(); row.Next())
        dump += "right " + Id(row.get_ID()) +
                " group=" + Id(row.Field(Table_AccessGroupRights::ACCESSGROUP).get_AsRecordID()) +
                " door=" + Id(row.Field(Table_AccessGroupRights::DOOR).get_AsRecordID()) +
                " wp=" + Id(row.Field(Table_AccessGroupRights::WEEKPROGRAM).get_AsRecordID()) + "\n";
    return dump;
}

int64_t CountGroups() {
    return Access::TCDBAccessGroups().SelectCount("*", DB::TCDBWhere());
}

int64_t CountRights() {
    return Access::TCDBAccessGroupRights().SelectCount("*", DB::TCDBWhere());
}

class AccessGroupsApiTest : public ApiHttpTest {
protected:
    void SetUp() override {
        AddAllMethodsUser("admin", "pw");
        StartServer();
        EnableApi();
        m_Door1 = AddDoor("Entrance");
        m_Door2 = AddDoor("Office");
        m_Door3 = AddDoor("Store");
        m_Always = AddWeekProgram(10, "wp-always");
        m_Office = AddWeekProgram(10);
        m_Release = AddWeekProgram(20);
    }

    HttpReply Call(const std::string& method, const std::string& query, const std::string& body = "") {
        HttpCall call;
        call.Method = method;
        call.Target = "/api/v1/access/accessGroups" + query;
        call.Authorization = BasicAuthorization("admin", "pw");
        call.Body = body;
        return Send(call);
    }
    HttpReply Post(const std::string& body) { return Call("POST", "", body); }
    HttpReply Put(const std::string& body) { return Call("PUT", "", body); }
    HttpReply GetById(const std::string& identity) { return Call("GET", "?id=" + UrlEncode(identity)); }

    // A right as the API writes it.
    std::string Right(const Accessories::TCRecordID& door, const std::string& group,
                      const std::string& weekProgram) const {
        return R"({"doorID":{"id":)" + Id(door) + R"(},"accessGroupID":)" + group + R"(,"weekProgramID":)" +
               weekProgram + "}";
    }
    // The one group stored, its identity in the form the API writes.
    std::string StoredIdentity() const {
        Access::TCDBAccessGroups groups;
        groups.SetEnableSelectExternalID(true);
        DB::TCDBIterator row = groups.SelectAll();
        const auto ext = row.get_ExternalID();
        return R"({"id":)" + Id(row.get_ID()) +
               (ext.IsNull() ? "" : R"(,"extId":")" + ext.get_Value() + "\"") + "}";
    }

    Accessories::TCRecordID m_Door1, m_Door2, m_Door3;
    Accessories::TCRecordID m_Always, m_Office, m_Release;
};

TEST_F(AccessGroupsApiTest, PostStoresTheGroupWithItsRightsAndAnswersWhatWasStored) {
    const HttpReply reply = Post(R"({"id":{"id":999,"extId":"grp-1"},"name":"Staff","info":"day shift",)"
                                 R"("priority":20,"isReusable":true,"accessRights":[)"
                                 R"({"doorID":{"id":)" +
                                 Id(m_Door1) +
                                 R"(},"weekProgramID":{"extId":"wp-always"}},)"
                                 R"({"doorID":{"id":)" +
                                 Id(m_Door2) +
                                 R"(},"accessGroupID":{"id":999,"extId":"grp-1"},)"
                                 R"("weekProgramID":{"id":)" +
                                 Id(m_Office) + "}}]}");
    ASSERT_EQ(200, reply.Status) << reply.Body;
    ASSERT_EQ(1, CountGroups());
    const std::string group = StoredIdentity();
    EXPECT_NE(std::string::npos, group.find("\"extId\":\"grp-1\""));
    EXPECT_EQ(std::string::npos, group.find("999")) << "the database chooses the ID";

    const std::string stored =
        R"({"id":)" + group +
        R"(,"name":"Staff","info":"day shift","priority":20,"isReusable":true,)"
        R"("accessRights":[)" +
        Right(m_Door1, group, R"({"id":)" + Id(m_Always) + R"(,"extId":"wp-always"})") + "," +
        Right(m_Door2, group, R"({"id":)" + Id(m_Office) + "}") + "]}";
    EXPECT_EQ(R"({"accessGroup":)" + stored + "}", reply.Body);

    // The stored group reads back the same by either part of its identity, by name and in the list.
    EXPECT_EQ(R"({"records":[)" + stored + "]}", GetById(R"({"extId":"grp-1"})").Body);
    EXPECT_EQ(R"({"records":[)" + stored + "]}", GetById(group.substr(0, group.find(',')) + "}").Body);
    EXPECT_EQ(R"({"records":[)" + stored + "]}", Call("GET", "?name=Staff").Body);
    EXPECT_EQ(R"({"records":[)" + stored + "]}", Call("GET", "").Body);
    EXPECT_EQ(2, CountRights());
}

TEST_F(AccessGroupsApiTest, PostWithoutOptionalMembersStoresDefaults) {
    const HttpReply reply = Post(R"({"id":{}})");
    ASSERT_EQ(200, reply.Status) << reply.Body;
    const std::string stored = R"({"id":)" + StoredIdentity() +
                               R"(,"name":null,"info":null,"priority":50,"isReusable":true,)"
                               R"("accessRights":[]})";
    EXPECT_EQ(R"({"accessGroup":)" + stored + "}", reply.Body);
    EXPECT_EQ("group " + Id(Access::TCDBAccessGroups().SelectAll().get_ID()) +
                  " ext=<null> name=<null> info=<null> priority=50 reusable=1\n",
              DumpGroupsAndRights());
}

TEST_F(AccessGroupsApiTest, MalformedBodiesAreRefusedBeforeAnythingIsWritten) {
    const std::string door1 = R"({"doorID":{"id":)" + Id(m_Door1) + "}";
    const std::string wp = R"(,"weekProgramID":{"id":)" + Id(m_Always) + "}}";
    const struct {
        std::string Body;
        std::string Expected;
    } cases[] = {
        {"[]", ParsingError("Expected JSON object")},
        {"", ParsingError("Could not parse input, error: 1")},
        {R"({"name":"x"})", ParsingError("Expected id member")},
        {R"({"id":null})", ParsingError("id member can't be null")},
        {R"({"id":{},"name":5})", ParsingError("RapidJson internal assertion failed")},
        {R"({"id":{},"info":true})", ParsingError("RapidJson internal assertion failed")},
        {R"({"id":{"id":"7"}})", ParsingError("RapidJson internal assertion failed")},
        {R"({"id":{},"priority":null})", ParsingError("RapidJson internal assertion failed")},
        {R"({"id":{},"priority":"20"})", ParsingError("RapidJson internal assertion failed")},
        {R"({"id":{},"priority":20.5})", ParsingError("RapidJson internal assertion failed")},
        {R"({"id":{},"priority":9})",
         ParsingError("Invalid access group priority 9. Priority must be between 10 and 50")},
        {R"({"id":{},"priority":51})",
         ParsingError("Invalid access group priority 51. Priority must be between 10 and 50")},
        {R"({"id":{},"isReusable":false})",
         ParsingError("If isReusable is specified then it cannot be set to false")},
        {R"({"id":{},"isReusable":1})", ParsingError("RapidJson internal assertion failed")},
        {R"({"id":{},"accessRights":{}})", ParsingError("Expected JSON array")},
        {R"({"id":{},"accessRights":[5]})", ParsingError("Expected JSON object")},
        {R"({"id":{},"accessRights":[{"doorID":7}]})", ParsingError("Expected JSON object")},
        {R"({"id":{},"accessRights":[)" + door1 + wp + "," + door1 + R"(,"weekProgramID":{"id":)" +
             Id(m_Office) + "}}]}",
         ParsingError("Access group rights must not contain duplicate door references")},
        {R"({"id":{"id":3},"accessRights":[)" + door1 + R"(,"accessGroupID":{"id":3,"extId":"x"})" + wp +
             "]}",
         ParsingError("Invalid access group id in access group rights. If access group id is specified in "
                      "access group right than it must match to access group id of its container")},
        {R"({"id":{"extId":"a"},"accessRights":[)" + door1 + R"(,"accessGroupID":{"extId":"b"})" + wp + "]}",
         ParsingError("Invalid access group id in access group rights. If access group id is specified in "
                      "access group right than it must match to access group id of its container")},
    };
    for (const auto& c : cases) {
        for (const char* method : {"POST", "PUT"}) {
            const HttpReply reply = Call(method, "", c.Body);
            EXPECT_EQ(400, reply.Status) << method << " " << c.Body;
            EXPECT_EQ(c.Expected, reply.Body) << method << " " << c.Body;
        }
    }
    EXPECT_EQ("", DumpGroupsAndRights());
}

TEST_F(AccessGroupsApiTest, PriorityBoundsAndReusableTrueOrNullAreAccepted) {
    EXPECT_EQ(200, Post(R"({"id":{"extId":"low"},"priority":10,"isReusable":null})").Status);
    EXPECT_EQ(200, Post(R"({"id":{"extId":"high"},"priority":50,"isReusable":true})").Status);
    const std::string list = Call("GET", "").Body;
    EXPECT_NE(std::string::npos,
              list.find(R"("extId":"low"},"name":null,"info":null,"priority":10,"isReusable":true)"))
        << list;
    EXPECT_NE(std::string::npos,
              list.find(R"("extId":"high"},"name":null,"info":null,"priority":50,"isReusable":true)"))
        << list;
}

TEST_F(AccessGroupsApiTest, UnknownOrMissingReferencesAbortTheWholeRequest) {
    // The group row is written before its rights, so each of these fails after something was written.
    const std::string good =
        R"({"doorID":{"id":)" + Id(m_Door1) + R"(},"weekProgramID":{"id":)" + Id(m_Always) + "}}";
    const auto body = [&](const std::string& right) {
        return R"({"id":{"extId":"new"},"name":"n","accessRights":[)" + good + "," + right + "]}";
    };
    const std::string door2 = R"({"doorID":{"id":)" + Id(m_Door2) + "}";
    const struct {
        std::string Right;
        int Status;
        std::string Expected;
    } cases[] = {
        {R"({"doorID":{"id":987654},"weekProgramID":{"id":)" + Id(m_Always) + "}}", 400,
         RecordNotFoundBody(4001, R"({"id":987654})")},
        {door2 + R"(,"weekProgramID":{"id":987654}})", 400, RecordNotFoundBody(3012, R"({"id":987654})")},
        {door2 + R"(,"weekProgramID":{"id":)" + Id(m_Always) + R"(,"extId":"nope"}})", 400,
         RecordNotFoundBody(3012, R"({"id":)" + Id(m_Always) + R"(,"extId":"nope"})")},
        {R"({"weekProgramID":{"id":)" + Id(m_Always) + "}}", 400,
         ErrorBody(1, "ID is required for table AccessDoors")},
        {door2 + R"(,"weekProgramID":null})", 400,
         ErrorBody(1, "ID or external ID is required for table CommonWeekPrograms")},
        {door2 + R"(,"weekProgramID":{"id":)" + Id(m_Release) + "}}", 400,
         ErrorBody(1, "Specified week program id " + Id(m_Release) +
                          " is not of card holder week program type")},
    };
    for (const auto& c : cases) {
        const HttpReply reply = Post(body(c.Right));
        EXPECT_EQ(c.Status, reply.Status) << c.Right;
        EXPECT_EQ(c.Expected, reply.Body) << c.Right;
    }
    EXPECT_EQ("", DumpGroupsAndRights());

    // The same through an update: the stored group keeps its name and its one right.
    ASSERT_EQ(200, Post(R"({"id":{"extId":"new"},"name":"n","accessRights":[)" + good + "]}").Status);
    const std::string before = DumpGroupsAndRights();
    for (const auto& c : cases) {
        const HttpReply reply =
            Put(R"({"id":{"extId":"new"},"name":"changed","accessRights":[)" + good + "," + c.Right + "]}");
        EXPECT_EQ(c.Status, reply.Status) << c.Right;
        EXPECT_EQ(c.Expected, reply.Body) << c.Right;
    }
    EXPECT_EQ(before, DumpGroupsAndRights());
}

TEST_F(AccessGroupsApiTest, DuplicateExternalIDIsRefusedAndKeepsTheFirstGroup) {
    ASSERT_EQ(200, Post(R"({"id":{"extId":"dup"},"name":"first"})").Status);
    const std::string before = DumpGroupsAndRights();
    const HttpReply reply = Post(R"({"id":{"extId":"dup"},"name":"second","accessRights":[{"doorID":{"id":)" +
                                 Id(m_Door1) + R"(},"weekProgramID":{"id":)" + Id(m_Always) + "}}]}");
    EXPECT_EQ(400, reply.Status);
    EXPECT_EQ(ErrorBody(1, "External ID dup is already in use for table AccessGroups"), reply.Body);
    EXPECT_EQ(before, DumpGroupsAndRights());
}

TEST_F(AccessGroupsApiTest, UpdateWritesOnlyWhatWasGivenExceptThePriority) {
    ASSERT_EQ(200, Post(R"({"id":{"extId":"g"},"name":"Staff","info":"text","priority":20,"accessRights":[)"
                        R"({"doorID":{"id":)" +
                        Id(m_Door1) + R"(},"weekProgramID":{"id":)" + Id(m_Always) + "}}]}")
                       .Status);
    const std::string group = StoredIdentity();
    const auto stored = [&] { return GetById(R"({"extId":"g"})").Body; };
    const std::string right1 = Right(m_Door1, group, R"({"id":)" + Id(m_Always) + R"(,"extId":"wp-always"})");

    // Absent members stay, an explicit null clears, a missing priority goes back to 50.
    HttpReply reply = Put(R"({"id":{"extId":"g"},"info":null})");
    EXPECT_EQ(200, reply.Status);
    EXPECT_EQ("", reply.Body);
    EXPECT_EQ(R"({"records":[{"id":)" + group +
                  R"(,"name":"Staff","info":null,"priority":50,"isReusable":true,)"
                  R"("accessRights":[)" +
                  right1 + "]}]}",
              stored());

    // A new list replaces the rights; named by record ID only, the same group is meant.
    const std::string byRecordID = group.substr(0, group.find(',')) + "}";
    reply = Put(R"({"id":)" + byRecordID +
                R"(,"name":"Night","priority":30,"accessRights":[)"
                R"({"doorID":{"id":)" +
                Id(m_Door2) + R"(},"weekProgramID":{"id":)" + Id(m_Office) + R"(}},{"doorID":{"id":)" +
                Id(m_Door3) + R"(},"accessGroupID":)" + byRecordID +
                R"(,"weekProgramID":{"extId":"wp-always"}}]})");
    EXPECT_EQ(200, reply.Status) << reply.Body;
    EXPECT_EQ(R"({"records":[{"id":)" + group +
                  R"(,"name":"Night","info":null,"priority":30,"isReusable":true,)"
                  R"("accessRights":[)" +
                  Right(m_Door2, group, R"({"id":)" + Id(m_Office) + "}") + "," +
                  Right(m_Door3, group, R"({"id":)" + Id(m_Always) + R"(,"extId":"wp-always"})") + "]}]}",
              stored());

    // Without "accessRights" the rights stay; [] and null both remove them all.
    EXPECT_EQ(200, Put(R"({"id":{"extId":"g"},"priority":30})").Status);
    EXPECT_EQ(2, CountRights());
    EXPECT_EQ(200, Put(R"({"id":{"extId":"g"},"priority":30,"accessRights":[]})").Status);
    EXPECT_EQ(0, CountRights());
    ASSERT_EQ(200, Put(R"({"id":{"extId":"g"},"accessRights":[)" +
                       Right(m_Door1, "null", R"({"id":)" + Id(m_Always) + "}") + "]}")
                       .Status);
    EXPECT_EQ(1, CountRights());
    EXPECT_EQ(200, Put(R"({"id":{"extId":"g"},"name":null,"accessRights":null})").Status);
    EXPECT_EQ(0, CountRights());
    EXPECT_EQ(R"({"records":[{"id":)" + group +
                  R"(,"name":null,"info":null,"priority":50,"isReusable":true,)"
                  R"("accessRights":[]}]})",
              stored());
}

TEST_F(AccessGroupsApiTest, UpdateOfAGroupThatIsNotThereFails) {
    EXPECT_EQ(ErrorBody(1, "Access group id is required"), Put(R"({"id":{},"name":"x"})").Body);
    HttpReply reply = Put(R"({"id":{"id":4242},"name":"x"})");
    EXPECT_EQ(400, reply.Status);
    EXPECT_EQ(RecordNotFoundBody(4020, R"({"id":4242})"), reply.Body);
    reply = Put(R"({"id":{"extId":"ghost"},"name":"x"})");
    EXPECT_EQ(RecordNotFoundBody(4020, R"({"id":null,"extId":"ghost"})"), reply.Body);
    EXPECT_EQ("", DumpGroupsAndRights());
}

TEST_F(AccessGroupsApiTest, AFaultInTheMiddleOfWritingRightsRollsBackEverything) {
    ASSERT_EQ(200, Post(R"({"id":{"extId":"kept"},"name":"before","accessRights":[{"doorID":{"id":)" +
                        Id(m_Door1) + R"(},"weekProgramID":{"id":)" + Id(m_Always) + "}}]}")
                       .Status);
    std::string tenRights;
    std::vector<Accessories::TCRecordID> doors;
    for (int i = 0; i < 10; ++i) {
        doors.push_back(AddDoor("door " + std::to_string(i)));
        tenRights += (i ? "," : "") + Right(doors.back(), "null", R"({"id":)" + Id(m_Office) + "}");
    }
    // The fifth right of the next request fails inside the database.
    DB::ExecuteSql(
        "CREATE TRIGGER inject_fault BEFORE INSERT ON AccessGroupRights "
        "WHEN (SELECT COUNT(*) FROM AccessGroupRights) >= 5 BEGIN SELECT RAISE(ABORT,'injected'); END");
    const std::string before = DumpGroupsAndRights();

    HttpReply reply = Post(R"({"id":{"extId":"new"},"name":"n","accessRights":[)" + tenRights + "]}");
    EXPECT_EQ(500, reply.Status);
    EXPECT_EQ(ErrorBody(1, "Internal error. Please notify vendor."), reply.Body);
    EXPECT_EQ(before, DumpGroupsAndRights());

    reply = Put(R"({"id":{"extId":"kept"},"name":"after","accessRights":[)" + tenRights + "]}");
    EXPECT_EQ(500, reply.Status);
    EXPECT_EQ(before, DumpGroupsAndRights());

    // Without the fault the same requests go through.
    DB::ExecuteSql("DROP TRIGGER inject_fault");
    EXPECT_EQ(200,
              Put(R"({"id":{"extId":"kept"},"name":"after","accessRights":[)" + tenRights + "]}").Status);
    EXPECT_EQ(10, CountRights());
    EXPECT_EQ(200, Post(R"({"id":{"extId":"new"},"name":"n","accessRights":[)" + tenRights + "]}").Status);
    EXPECT_EQ(20, CountRights());
}

TEST_F(AccessGroupsApiTest, GetSelectsByIdentityNameOrNothing) {
    ASSERT_EQ(200, Post(R"({"id":{"extId":"a"},"name":"Same"})").Status);
    ASSERT_EQ(200, Post(R"({"id":{},"name":"Same"})").Status);
    ASSERT_EQ(200, Post(R"({"id":{},"name":"Other"})").Status);
    ASSERT_EQ(200, Post(R"({"id":{}})").Status);

    const auto count = [](const std::string& body) {
        size_t n = 0;
        for (size_t pos = body.find("\"priority\""); pos != std::string::npos;
             pos = body.find("\"priority\"", pos + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(2u, count(Call("GET", "?name=Same").Body));
    EXPECT_EQ(0u, count(Call("GET", "?name=same").Body));
    EXPECT_EQ(R"({"records":[]})", Call("GET", "?name=").Body);
    EXPECT_EQ(4u, count(Call("GET", "").Body));
    EXPECT_EQ(4u, count(Call("GET", "?other=1").Body));
    EXPECT_EQ(1u, count(GetById(R"({"extId":"a"})").Body));
    // A reload looks the group up by its record ID when one is given, and only otherwise by external ID.
    const std::string a =
        Id(Access::TCDBAccessGroups().Select("*", Table_AccessGroups::NAME == "Same").get_ID());
    EXPECT_EQ(1u, count(GetById(R"({"id":)" + a + R"(,"extId":"zzz"})").Body));
    EXPECT_EQ(R"({"records":[]})", GetById(R"({"id":987654,"extId":"a"})").Body);
    EXPECT_EQ(R"({"records":[]})", GetById(R"({"id":987654})").Body);
    EXPECT_EQ(R"({"records":[]})", GetById(R"({"extId":"zzz"})").Body);

    EXPECT_EQ(ErrorBody(1, "Access group id is required"), GetById("{}").Body);
    EXPECT_EQ(ErrorBody(1, "Maximum one parameter is allowed"), Call("GET", "?id=%7B%7D&name=Same").Body);
    EXPECT_EQ(ParsingError("Could not parse input, error: 4"), Call("GET", "?id=%7B").Body);
}

TEST_F(AccessGroupsApiTest, DeleteRemovesTheGroupAndItsRights) {
    const std::string right =
        R"({"doorID":{"id":)" + Id(m_Door1) + R"(},"weekProgramID":{"id":)" + Id(m_Always) + "}}";
    ASSERT_EQ(200, Post(R"({"id":{"extId":"gone"},"accessRights":[)" + right + "]}").Status);
    ASSERT_EQ(200, Post(R"({"id":{"extId":"stays"},"accessRights":[)" + right + "]}").Status);

    EXPECT_EQ(ErrorBody(1, "Missing identity parameter"), Call("DELETE", "").Body);
    EXPECT_EQ(ErrorBody(1, "Access group id is required"), Call("DELETE", "?id=%7B%7D").Body);
    HttpReply reply = Call("DELETE", "?id=" + UrlEncode(R"({"id":987654})"));
    EXPECT_EQ(400, reply.Status);
    EXPECT_EQ(RecordNotFoundBody(4020, R"({"id":987654})"), reply.Body);
    EXPECT_EQ(2, CountGroups());

    reply = Call("DELETE", "?id=" + UrlEncode(R"({"extId":"gone"})"));
    EXPECT_EQ(200, reply.Status) << reply.Body;
    EXPECT_EQ("", reply.Body);
    EXPECT_EQ(R"({"records":[]})", GetById(R"({"extId":"gone"})").Body);
    EXPECT_EQ(1, CountGroups());
    EXPECT_EQ(1, CountRights());
}

} // namespace
