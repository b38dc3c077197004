// keynodectl as an administrator uses it: real processes on a temporary data directory.
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DB/TCDatabase.h"
#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "DB/Tables/WebTables.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Event/TCClientEvent.h"
#include "Process.h"

using ::testing::Eq;
using ::testing::HasSubstr;
using ::testing::Matcher;

namespace {

class KeynodectlTest : public ::testing::Test {
protected:
    ProgramResult ctl(const std::vector<std::string>& args) { return Keynodectl(m_Dir.get_Path(), args); }
    void openDatabase() { DB::TCDatabase::Open(m_Dir / "keynode.db"); }
    ~KeynodectlTest() override {
        if (DB::TCDatabase::IsOpen()) DB::TCDatabase::Close();
    }

    TempDir m_Dir;
};

// Every command's answer, in order, on one data directory: exit code and the output (whole when the
// command succeeds, a part of it when it fails; nullptr: only the exit code counts). Bad use exits with 2;
// commands on a missing database say to run init, and create nothing. Then what they wrote, as stored.
TEST_F(KeynodectlTest, CommandsAnswerInOrderAndStoreWhatTheySay) {
    EXPECT_EQ(RunProgram(KEYNODECTL_BIN, {"init"}).exitCode, 2);
    const struct {
        std::string args;
        int exitCode;
        const char* output;
    } steps[] = {
        {"user list", 1, "init"},
        {"init", 0, nullptr},
        {"property set GeneralWebApiSettings_Enabled yes", 2, "takes 1, 0, true or false"},
        {"user add a:b --password x", 2, nullptr},
        // Users: passwords are hashed (checked below), claims sorted and unique.
        {"user add admin --password s3cret --all-methods", 0, nullptr},
        {"user add reader --password pw --claim 11002 --claim 11001 --claim 11001 --no-api-access", 0,
         nullptr},
        {"user add admin --password other", 1, "exists already"},
        {"user list", 0,
         "admin\tid=1\tapi=1\tall-methods=1\tclaims=\nreader\tid=2\tapi=0\tall-methods=0\tclaims=11001,"
         "11002\n"},
        {"user claims reader", 0, "11001\n11002\n"},
        {"user list --json", 0,
         R"([{"name":"admin","id":1,"apiAccess":true,"allMethods":true,"claims":[]},)"
         R"({"name":"reader","id":2,"apiAccess":false,"allMethods":false,"claims":[11001,11002]}])"
         "\n"},
        // Removing a user takes its claims: one added again (with the freed highest ID) has none.
        {"user remove reader", 0, nullptr},
        {"user claims reader", 1, "no user 'reader'"},
        {"user remove reader", 1, "no user 'reader'"},
        {"user passwd reader --password x", 1, "no user 'reader'"},
        {"user add reader --password pw", 0, nullptr},
        {"user claims reader", 0, ""},
        {"property get GeneralWebApiSettings_HTTPSOnlyIfEnabled", 1, "is not set"},
        {"property set GeneralWebApiSettings_HTTPSOnlyIfEnabled true", 0,
         "GeneralWebApiSettings_HTTPSOnlyIfEnabled = 1\n"},
        {"property get GeneralWebApiSettings_HTTPSOnlyIfEnabled", 0, "1\n"},
        {"demo", 0, nullptr}, // keynodes 1 and 2, the own one 1
        {"demo", 1, "has a site already"},
        {"system get MasterSlaveMode", 0, "0\n"},
        {"system set MasterSlaveMode 2", 0, "MasterSlaveMode = 2\n"},
        {"system get MasterSlaveMode", 0, "2\n"},
        {"system set MasterSlaveMode 3", 2, "MasterSlaveMode must be a number from 0 to 2"},
        {"system set OwnKeynodeID 2", 0, "OwnKeynodeID = 2\n"},
        {"system get OwnGUID", 0, "5c1f4e2a-0001-4000-8000-000000000011\n"},
        {"system set OwnGUID guid-x", 0, "OwnGUID = guid-x\n"},
        {"system get OwnGUID", 0, "guid-x\n"},
        {"system get OwnKeynodeID", 0, "2\n"},
        {"system set OwnKeynodeID 99", 1, "no keynode with id 99"},
        {"system get Colour", 2, "unknown system setting 'Colour'"},
        {"cloud-user add c --web-user nobody", 1, "no user 'nobody'"},
        {"cloud-user add c", 2, "--web-user USER is required"},
        {"user add op --password pw", 0, nullptr},
        {"user grant op AccessDoors 3 1", 0, nullptr},
        {"user grant op AccessDoors 999 1", 1, "999"}, // no such door
        {"user grant nobody AccessDoors 3 1", 1, "no user 'nobody'"},
        {"user grant op AccessDoors 3 7", 2, "Usage:"},
    };
    for (const char* bad : {"", "frobnicate", "user", "user add x", "user grant x AccessDoors",
                            "property get", "property set NoSuchProperty 1", "events --after x",
                            "demo --cards 0", "demo --cards", "init extra"}) {
        const ProgramResult result = ctl(Words(bad));
        EXPECT_EQ(result.exitCode, 2) << bad << ": " << result.output;
        EXPECT_THAT(result.output, HasSubstr("Usage:")) << bad;
    }
    for (const auto& step : steps) {
        SCOPED_TRACE(step.args);
        if (step.args == "init") {
            EXPECT_FALSE(std::filesystem::exists(m_Dir / "keynode.db"));
        }
        const ProgramResult result = ctl(Words(step.args));
        EXPECT_EQ(result.exitCode, step.exitCode) << result.output;
        if (step.output) {
            EXPECT_THAT(result.output,
                        step.exitCode == 0 ? Matcher<std::string>(Eq(step.output)) : HasSubstr(step.output));
        }
    }

    openDatabase();
    auto admin = Web::TCDBWebUsers().Select("*", Table_WebUsers::NAME == "admin");
    ASSERT_TRUE(admin.IsNotEnd());
    const std::string hash = admin.Field(Table_WebUsers::PASSWORD_HASH).get_AsString();
    EXPECT_EQ(hash.find("s3cret"), std::string::npos);
    EXPECT_EQ(hash.rfind("$argon2id$", 0), 0u);
    // The demo site, and generated cards added to it again and again, whose numbers never collide.
    EXPECT_EQ(System::TCDBKeynodes().SelectCount("*", DB::TCDBWhere()), 2);
    EXPECT_EQ(Access::TCDBDoors().SelectCount("*", DB::TCDBWhere()), 8);
    EXPECT_EQ(Access::TCDBReaders().SelectCount("*", DB::TCDBWhere()), 8);
    EXPECT_EQ(Access::TCDBAccessMultiDoorLinks().SelectCount("*", DB::TCDBWhere()), 1);
    Access::TCDBAccessCards cards;
    const int64_t allCards = cards.SelectCount("*", DB::TCDBWhere());
    EXPECT_GT(allCards, cards.SelectCount("*", Access::TCDBAccessCards::WhereIsNotHiddenType()));
    EXPECT_GT(Access::TCDBAccessGroupRights().SelectCount("*", DB::TCDBWhere()), 0);
    DB::TCDatabase::Close();
    ASSERT_EQ(ctl({"demo", "--cards", "3"}).exitCode, 0);
    ProgramResult more = ctl({"demo", "--cards", "2"});
    ASSERT_EQ(more.exitCode, 0) << more.output;
    EXPECT_THAT(more.output, HasSubstr("cards: 2 of 2"));
    openDatabase();
    EXPECT_EQ(cards.SelectCount("*", DB::TCDBWhere()), allCards + 5);
    EXPECT_EQ(cards.SelectCount("*", Table_AccessCards::CARDNO == "7000000004"), 1);
    EXPECT_EQ(
        Access::TCDBAccessCardHolders().SelectCount("*", Table_AccessCardHolders::COMPANYNAME == "Generated"),
        5);
}

TEST_F(KeynodectlTest, EventsArePrintedInOrderAsJsonLines) {
    ASSERT_EQ(ctl({"init"}).exitCode, 0);
    openDatabase();
    // The second message was cut inside a character; the output must stay UTF-8.
    for (const auto& [status, message] :
         {std::pair<int, std::string>(401, "say \"no\""), {404, "cut \xC3"}}) {
        Event::TCClientEvent event(KeynodeWebApi::Type_RequestFailed);
        event << Event::TCClientEventDetails(KeynodeWebApi::Member_HttpErrorCode).set_Value(status)
              << Event::TCClientEventDetails(KeynodeWebApi::Member_UserErrorMessage).set_Value(message);
    }
    DB::TCDatabase::Close();

    ProgramResult all = ctl({"events", "--json"});
    ASSERT_EQ(all.exitCode, 0) << all.output;
    EXPECT_THAT(
        all.output,
        testing::MatchesRegex(
            R"(\{"id":1,"time":"20[0-9-]+T[0-9:]+Z","type":12000,.*"value":"401".*"value":"say \\"no\\""\}\]\}
\{"id":2,.*"value":"404".*"value":"cut )"
            "\xEF\xBF\xBD"
            R"("\}\]\}
)"));
    // As text, and only the events after the one given.
    EXPECT_THAT(ctl({"events", "--after", "1"}).output, testing::MatchesRegex("2\t[^\n]*=404\t[^\n]*\n"));
}

} // namespace
