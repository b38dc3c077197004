#include "CardSiteTest.h"

#include "DB/Tables/AccessTables.h"

namespace ApiTest {

namespace {

Accessories::TCRecordID SaveWithExternalID(DB::TCDBAutoObject& row, const std::string& externalID) {
    if (!externalID.empty()) row.SetExternalID(externalID);
    row.Save();
    return row.get_ID();
}

std::string Text(const DB::TCDBField& field) {
    return field.IsNull() ? "<null>" : field.get_AsString();
}

} // namespace

void CardSiteTest::SetUp() {
    AddAllMethodsUser("admin", "pw");
    StartServer();
    EnableApi();
    m_Staff = AddGroup("grp-staff");
    m_Night = AddGroup("grp-night");
    m_Anna = AddHolder("Anna", "h-anna");
    m_Ben = AddHolder("Ben", "h-ben");
}

HttpReply CardSiteTest::Call(const std::string& method, const std::string& path, const std::string& body) {
    HttpCall call;
    call.Method = method;
    call.Target = "/api/v1" + path;
    call.Authorization = BasicAuthorization("admin", "pw");
    call.Body = body;
    return Send(call);
}

int64_t CardSiteTest::Create(const std::string& path, const std::string& body) {
    const HttpReply reply = Call("POST", path, body);
    EXPECT_EQ(200, reply.Status) << body << " -> " << reply.Body;
    const size_t id = reply.Body.find("{\"id\":");
    return id == std::string::npos ? 0 : std::stoll(reply.Body.substr(reply.Body.find(':', id + 6) + 1));
}

Accessories::TCRecordID CardSiteTest::AddGroup(const std::string& externalID) {
    Access::TCDBAccessGroups groups;
    DB::TCDBAutoObject row;
    groups.CreateObject(row);
    row.Field(Table_AccessGroups::NAME).set_AsString(externalID);
    row.Field(Table_AccessGroups::PRIORITY).set_AsInteger(50);
    row.Field(Table_AccessGroups::REUSABLE).set_AsInteger(1);
    return SaveWithExternalID(row, externalID);
}

Accessories::TCRecordID CardSiteTest::AddHolder(const std::string& firstName, const std::string& externalID) {
    Access::TCDBAccessCardHolders holders;
    DB::TCDBAutoObject row;
    holders.CreateObject(row);
    row.Field(Table_AccessCardHolders::FIRSTNAME).set_AsString(firstName);
    row.Field(Table_AccessCardHolders::LASTNAME).set_AsString("");
    row.Field(Table_AccessCardHolders::TYPE).set_AsInteger(0);
    return SaveWithExternalID(row, externalID);
}

Accessories::TCRecordID CardSiteTest::AddCard(const std::string& number,
                                              const Accessories::TCRecordID& holder, int type,
                                              const std::string& externalID) {
    Access::TCDBAccessCards cards;
    DB::TCDBAutoObject row;
    cards.CreateObject(row);
    row.Field(Table_AccessCards::CARDNO).set_AsString(number);
    row.Field(Table_AccessCards::CARDHOLDER).set_AsRecordID(holder);
    row.Field(Table_AccessCards::BLOCKED).set_AsInteger(0);
    row.Field(Table_AccessCards::TYPE).set_AsInteger(type);
    return SaveWithExternalID(row, externalID);
}

std::string CardSiteTest::DumpCardTables() {
    std::string dump;
    const auto dumpTable = [&dump](DB::TCDBBasicTable&& table, const char* name) {
        table.SetEnableSelectExternalID(true);
        for (DB::TCDBIterator row = table.SelectAll(); row.IsNotEnd(); row.Next()) {
            dump += std::string(name) + " ext=" + row.get_ExternalID().get_Value("<null>");
            for (const DB::TCDBFieldSpec* field : table.get_Spec().Fields)
                dump += std::string(" ") + field->get_Name() + "=" + Text(row.Field(*field));
            dump += "\n";
        }
    };
    dumpTable(Access::TCDBAccessCardHolders(), "holder");
    dumpTable(Access::TCDBAccessCards(), "card");
    dumpTable(Access::TCDBAccessCardAccessGroupLinks(), "link");
    return dump;
}

} // namespace ApiTest
