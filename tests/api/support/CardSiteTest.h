#pragma once
// A served API with an administrator and a few rows the card tests build on: access groups and card
// holders written straight into the tables, and a dump of the card tables to compare before and after.
#include <string>

#include "Accessories/TCRecordID.h"
#include "support/ApiTestServer.h"

namespace ApiTest {

class CardSiteTest : public AdminApiTest {
protected:
    void SetUp() override;

    static Accessories::TCRecordID AddGroup(const std::string& externalID);
    static Accessories::TCRecordID AddHolder(const std::string& firstName,
                                             const std::string& externalID = "");
    // A card of `type` (1 is hidden) written straight into the table, without links.
    static Accessories::TCRecordID AddCard(const std::string& number, const Accessories::TCRecordID& holder,
                                           int type = 0, const std::string& externalID = "");
    // Every row of the card, holder and link tables, one line each.
    static std::string DumpCardTables();

    Accessories::TCRecordID m_Staff, m_Night; // groups "grp-staff" and "grp-night"
    Accessories::TCRecordID m_Anna, m_Ben;    // holders "h-anna" and "h-ben"
};

} // namespace ApiTest
