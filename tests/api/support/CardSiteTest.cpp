#include "CardSiteTest.h"

#include "DB/Tables/AccessTables.h"

namespace ApiTest {

namespace {

Accessories::TCRecordID SaveWithExternalID(DB::TCDBAutoObject& row, const std::string& externalID) {
    if (!externalID.empty()) row.SetExternalID(externalID);
    row.Save();
    return row.get_ID();
}

} // namespace

void CardSiteTest::SetUp() {
    AdminApiTest::SetUp();
    m_Staff = AddGroup("grp-staff");
    m_Night = AddGroup("grp-night");
    m_Anna = AddHolder("Anna", "h-anna");
    m_Ben = AddHolder("Ben", "h-ben");
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
    return DumpRows(Access::TCDBAccessCardHolders(), "holder") + DumpRows(Access::TCDBAccessCards(), "card") +
           DumpRows(Access::TCDBAccessCardAccessGroupLinks(), "link");
}

} // namespace ApiTest
