#include "support/ApiTestData.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "Config/TCHostPaths.h"
#include "Crypto/TCCryptoUtil.h"
#include "DB/TCDBBasicTable.h"
#include "DB/TCDBRawSql.h"
#include "DB/TCDatabase.h"
#include "DB/Tables/WebTables.h"
#include "Property/TCProperties.h"

namespace ApiTest {

TestDataDir::TestDataDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/kna-api-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
    m_Path = pattern;
    TCHostPaths::SetRoot(m_Path);
    DB::TCDatabase::Open(m_Path + "/keynode.db");
}

TestDataDir::~TestDataDir() {
    DB::TCDatabase::Close();
    TCHostPaths::SetRoot("");
    std::error_code ignored;
    std::filesystem::remove_all(m_Path, ignored);
}

Accessories::TCRecordID AddWebUser(const WebUserSpec& spec) {
    Web::TCDBWebUsers users;
    DB::TCDBAutoObject user;
    users.CreateObject(user);
    user.Field(Table_WebUsers::NAME).set_AsString(spec.Name);
    user.Field(Table_WebUsers::PASSWORD_HASH)
        .set_AsString(TCCryptoUtil::DBWebUser_HashPassword(spec.Password, TCPasswordHashCost::Minimal()));
    user.Field(Table_WebUsers::ALLOW_WEB_API_ACCESS).set_AsNullInt(spec.AllowAccess);
    user.Field(Table_WebUsers::ALLOW_WEB_API_ACCESS_ALL_METHODS).set_AsNullInt(spec.AllowAllMethods);
    user.Save();
    const Accessories::TCRecordID userID = user.get_ID();

    Web::TCDBWebUserClaims claims;
    for (int claim : spec.Claims) {
        DB::TCDBAutoObject row;
        claims.CreateObject(row);
        row.Field(Table_WebUserClaims::USER_LINK).set_AsRecordID(userID);
        row.Field(Table_WebUserClaims::CLAIM).set_AsInteger(claim);
        row.Save();
    }
    return userID;
}

Accessories::TCRecordID AddAllMethodsUser(const std::string& name, const std::string& password) {
    return AddWebUser({name, password, 1, 1, {}});
}

void AddCloudUser(const Accessories::TCRecordID& webUser, const Accessories::TCNullTypes<int>& rights) {
    Web::TCDBWebCloudUsers cloudUsers;
    DB::TCDBAutoObject row;
    cloudUsers.CreateObject(row);
    row.Field(Table_WebCloudUsers::NAME).set_AsString("cloud-account");
    row.Field(Table_WebCloudUsers::WEB_USER_LINK).set_AsRecordID(webUser);
    row.Field(Table_WebCloudUsers::AZURE_RIGHTS).set_AsNullInt(rights);
    row.Save();
}

void SetBoolSetting(const Property::TCPropertyID& id, bool value) {
    Property::SetProperty(id, value ? "1" : "0", Accessories::TCRecordID(), "api-test");
}

void WriteServerConfig(const std::string& httpsPort) {
    const std::filesystem::path path = TCHostPaths::Resolve("/usr/caldrix/web/settings/server_config.txt");
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::trunc);
    out << "https-port = " << httpsPort << "\n";
}

std::string DumpRows(DB::TCDBBasicTable&& table, const std::string& name) {
    std::string dump;
    table.SetEnableSelectExternalID(true);
    for (DB::TCDBIterator row = table.SelectAll(); row.IsNotEnd(); row.Next()) {
        dump += name + " ext=" + row.get_ExternalID().get_Value("<null>");
        for (const DB::TCDBFieldSpec* field : table.get_Spec().Fields) {
            const DB::TCDBField& value = row.Field(*field);
            dump += std::string(" ") + field->get_Name() + "=" +
                    (value.IsNull() ? "<null>" : value.get_AsString());
        }
        dump += "\n";
    }
    return dump;
}

void FailInsertsWhen(const std::string& table, const std::string& when) {
    DB::ExecuteSql("CREATE TRIGGER Fail" + table + " BEFORE INSERT ON " + table + " WHEN " + when +
                   " BEGIN SELECT RAISE(ABORT, 'injected fault'); END");
}

void StopFailingInserts(const std::string& table) {
    DB::ExecuteSql("DROP TRIGGER Fail" + table);
}

int64_t LastEventID() {
    int64_t last = 0;
    for (;;) {
        const auto events = Event::ReadEvents(last, 1000);
        if (events.empty()) return last;
        last = events.back().ID;
    }
}

std::vector<Event::TCEventRecord> EventsAfter(int64_t eventID) {
    return Event::ReadEvents(eventID, 1000);
}

std::vector<std::string> DetailTexts(const Event::TCEventRecord& event) {
    std::vector<std::string> texts;
    for (const auto& detail : event.Details)
        texts.push_back(std::to_string(detail.Type) + "=" + detail.Value.get_Value(std::string("<null>")));
    return texts;
}

} // namespace ApiTest
