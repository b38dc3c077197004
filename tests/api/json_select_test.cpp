#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "DB/TCDBUserRights.h"
#include "DB/TCDatabase.h"
#include "DB/Tables/AccessTables.h"
#include "JsonTypes/KnaJson_BaseType.h"
#include "JsonTypes/KnaJson_CrossID.h"
#include "JsonTypes/KnaJson_ErrorRecordNotFound.h"
#include "JsonTypes/KnaJson_ErrorResult.h"
#include "JsonTypes/KnaJson_ID.h"
#include "KnaException.h"
#include "KnaUtil.h"

using namespace KeynodeApi;
using Accessories::TCRecordID;

namespace {

// An empty database with the host schema, in a directory of its own that goes away with the test.
class SelectByIDTest : public testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/kna-json-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary directory");
        m_Dir = pattern;
        DB::TCDatabase::Open(m_Dir + "/test.db");
    }
    void TearDown() override {
        DB::TCDatabase::Close();
        std::error_code ignored;
        std::filesystem::remove_all(m_Dir, ignored);
    }

    // Inserts an access group the way the resource handlers do; returns its ID.
    TCRecordID AddGroup(const std::string& name, const KnaJson_CrossID& identity) {
        Access::TCDBAccessGroups groups;
        DB::TCDBAutoObject row;
        KnaJson_BaseType::CreateRecordObject(groups, row, identity);
        row.Field(Table_AccessGroups::NAME).set_AsString(name);
        row.Save();
        return row.get_ID();
    }

    static std::string NotFoundBody(const KnaJsonErrorException& e) {
        return KnaUtil::SerializeToCompactString(KnaJson_ErrorResult(e.GetError()));
    }

    std::string m_Dir;
};

const std::string GROUPS = std::to_string(Table_AccessGroups::SPEC.TableID);

} // namespace

TEST_F(SelectByIDTest, FindsRowsByIDOrExternalID) {
    const TCRecordID plain = AddGroup("plain", KnaJson_CrossID());
    const TCRecordID tagged = AddGroup("tagged", KnaJson_CrossID(std::string("ext-7")));
    Access::TCDBAccessGroups groups;

    EXPECT_EQ(
        KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID, KnaJson_CrossID(plain.get_ID())),
        plain);
    EXPECT_EQ(KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID, KnaJson_ID(tagged)), tagged);
    EXPECT_EQ(KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID,
                                                 KnaJson_CrossID(std::string("ext-7"))),
              tagged);
}

TEST_F(SelectByIDTest, ExternalIDWinsOverTheID) {
    const TCRecordID plain = AddGroup("plain", KnaJson_CrossID());
    const TCRecordID tagged = AddGroup("tagged", KnaJson_CrossID(std::string("ext-7")));
    Access::TCDBAccessGroups groups;

    EXPECT_EQ(KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID,
                                                 KnaJson_CrossID(plain.get_ID(), std::string("ext-7"))),
              tagged);
    // A valid ID does not rescue an unknown external ID.
    try {
        KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID,
                                           KnaJson_CrossID(plain.get_ID(), std::string("nope")));
        FAIL() << "no exception";
    } catch (const KnaJsonErrorException& e) {
        EXPECT_EQ(NotFoundBody(e),
                  R"({"errors":[{"code":3,"msg":"Records not found","msgDetails":"","records":[)"
                  R"({"tableId":)" +
                      GROUPS + R"(,"id":{"id":)" + std::to_string(plain.get_ID()) +
                      R"(,"extId":"nope"},"keynodeId":{"id":null}}]}]})");
    }
}

TEST_F(SelectByIDTest, CreateRecordObjectIgnoresTheNumericID) {
    const TCRecordID created = AddGroup("x", KnaJson_CrossID(424242, std::string("given")));
    EXPECT_NE(created, TCRecordID(424242));
    Access::TCDBAccessGroups groups;
    EXPECT_EQ(KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID,
                                                 KnaJson_CrossID(std::string("given"))),
              created);
    EXPECT_EQ(groups.SelectCount("*", Table_AccessGroups::ID == TCRecordID(424242)), 0);
}

TEST_F(SelectByIDTest, MissingRowsGiveRecordNotFoundEchoingTheIdentity) {
    Access::TCDBAccessGroups groups;
    try {
        KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID,
                                           KnaJson_CrossID(std::string("only-ext")));
        FAIL() << "no exception";
    } catch (const KnaJsonErrorException& e) {
        ASSERT_TRUE(e.GetError());
        EXPECT_EQ(e.GetError()->GetHTTPCode(), 400);
        EXPECT_EQ(NotFoundBody(e),
                  R"({"errors":[{"code":3,"msg":"Records not found","msgDetails":"","records":[)"
                  R"({"tableId":)" +
                      GROUPS + R"(,"id":{"id":null,"extId":"only-ext"},"keynodeId":{"id":null}}]}]})");
    }
    try {
        KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID, KnaJson_ID(99));
        FAIL() << "no exception";
    } catch (const KnaJsonErrorException& e) {
        EXPECT_EQ(NotFoundBody(e),
                  R"({"errors":[{"code":3,"msg":"Records not found","msgDetails":"","records":[)"
                  R"({"tableId":)" +
                      GROUPS + R"(,"id":{"id":99},"keynodeId":{"id":null}}]}]})");
    }
}

TEST_F(SelectByIDTest, EmptyIdentitiesAreRefused) {
    Access::TCDBAccessGroups groups;
    try {
        KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID, KnaJson_CrossID());
        FAIL() << "no exception";
    } catch (const KnaJsonErrorException&) {
        FAIL() << "reported as not found";
    } catch (const KnaException& e) {
        EXPECT_EQ(e.GetMessage(), "ID or external ID is required for table AccessGroups");
    }
    try {
        KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID, KnaJson_ID());
        FAIL() << "no exception";
    } catch (const KnaJsonErrorException&) {
        FAIL() << "reported as not found";
    } catch (const KnaException& e) {
        EXPECT_EQ(e.GetMessage(), "ID is required for table AccessGroups");
    }
}

TEST_F(SelectByIDTest, InitMainTableAppliesTheUserRightsFilterOnlyWhenBothAreSet) {
    const TCRecordID granted = AddGroup("granted", KnaJson_CrossID());
    const TCRecordID hidden = AddGroup("hidden", KnaJson_CrossID());
    const TCRecordID user(5);
    DB::GrantRecordRight(user, Table_AccessGroups::SPEC.TableID, granted, DB::RECORD_RIGHT_SEE);

    KnaJson_ID request;
    {
        Access::TCDBAccessGroups groups;
        request.InitMainTable(groups); // no user: unfiltered
        EXPECT_EQ(groups.SelectCount("*", DB::TCDBWhere()), 2);
    }
    {
        request.SetUserRights(user, Accessories::TCNullTypes<int>());
        Access::TCDBAccessGroups groups;
        request.InitMainTable(groups); // no rights value: unfiltered
        EXPECT_EQ(groups.SelectCount("*", DB::TCDBWhere()), 2);
    }
    request.SetUserRights(user, 1);
    Access::TCDBAccessGroups groups;
    request.InitMainTable(groups);
    EXPECT_EQ(KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID, KnaJson_ID(granted)),
              granted);
    EXPECT_THROW(KnaJson_BaseType::AssertSelectByID(groups, Table_AccessGroups::ID, KnaJson_ID(hidden)),
                 KnaJsonErrorException);
}
