#pragma once
// A served API with an administrator and a few rows the card tests build on: access groups and card
// holders written straight into the tables, and helpers to call the card endpoints and to compare the
// card tables before and after a request.
#include <string>

#include "Accessories/TCRecordID.h"
#include "support/ApiTestServer.h"

namespace ApiTest {

class CardSiteTest : public ApiHttpTest {
protected:
    void SetUp() override;

    // method on "/api/v1" + path (query included) as the administrator.
    HttpReply Call(const std::string& method, const std::string& path, const std::string& body = "");
    // POST, failing the test unless answered 200; returns the new record's numeric ID.
    int64_t Create(const std::string& path, const std::string& body);

    static Accessories::TCRecordID AddGroup(const std::string& externalID);
    static Accessories::TCRecordID AddHolder(const std::string& firstName,
                                             const std::string& externalID = "");
    // A card of `type` (1 is hidden) written straight into the table, without links.
    static Accessories::TCRecordID AddCard(const std::string& number, const Accessories::TCRecordID& holder,
                                           int type = 0, const std::string& externalID = "");
    // Every row of the card, holder and link tables, one line each.
    static std::string DumpCardTables();

    static std::string Id(const Accessories::TCRecordID& id) { return std::to_string(id.get_ID()); }
    // {"id":N}
    static std::string IdJson(const Accessories::TCRecordID& id) { return "{\"id\":" + Id(id) + "}"; }

    Accessories::TCRecordID m_Staff, m_Night; // groups "grp-staff" and "grp-night"
    Accessories::TCRecordID m_Anna, m_Ben;    // holders "h-anna" and "h-ben"
};

} // namespace ApiTest
