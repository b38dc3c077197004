#include "support/ApiTestData.h"

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
    TCHostPaths::SetRoot(m_Dir.get_Path());
    DB::TCDatabase::Open(m_Dir / "keynode.db");
}

TestDataDir::~TestDataDir() {
    DB::TCDatabase::Close();
    TCHostPaths::SetRoot("");
}

Accessories::TCRecordID AddWebUser(const WebUserSpec& spec) {
    namespace U = Table_WebUsers;
    const Accessories::TCRecordID userID =
        AddRow(Web::TCDBWebUsers(),
               {&U::NAME, &U::PASSWORD_HASH, &U::ALLOW_WEB_API_ACCESS, &U::ALLOW_WEB_API_ACCESS_ALL_METHODS},
               {spec.Name, TCCryptoUtil::DBWebUser_HashPassword(spec.Password, TCPasswordHashCost::Minimal()),
                spec.AllowAccess, spec.AllowAllMethods});
    for (int claim : spec.Claims)
        AddRow(Web::TCDBWebUserClaims(), {&Table_WebUserClaims::USER_LINK, &Table_WebUserClaims::CLAIM},
               {userID, claim});
    return userID;
}

Accessories::TCRecordID AddAllMethodsUser(const std::string& name, const std::string& password) {
    return AddWebUser({name, password, 1, 1, {}});
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

Accessories::TCRecordID AddRow(DB::TCDBBasicTable&& table,
                               const std::vector<const DB::TCDBFieldSpec*>& fields,
                               const std::vector<DB::TCDBParam>& values, const std::string& externalID) {
    if (fields.size() != values.size()) throw std::invalid_argument("a value for each column");
    DB::TCDBRowValues row;
    for (size_t i = 0; i < fields.size(); ++i)
        row.emplace_back(fields[i], values[i]);
    const Accessories::TCRecordID id = DB::InsertRow(table, row);
    if (!externalID.empty()) {
        DB::TCDBIterator saved = table.SelectPrimary(id);
        saved.SetExternalID(externalID);
        saved.Save();
    }
    return id;
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
        texts.push_back(std::to_string(detail.Type) + "=" +
                        (detail.Value.IsNull() ? "#" + std::to_string(detail.OwnerID.get_ID())
                                               : detail.Value.get_Value()));
    return texts;
}

} // namespace ApiTest
