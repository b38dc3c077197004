#include <iostream>

#include "Command.h"
#include "DB/TCDBTransaction.h"
#include "DB/Tables/WebTables.h"

namespace keynodectl {

int runCloudUser(const keynode::DataDir& dir, const Args& args) {
    if (args.empty() || args[0] != "add")
        throw UsageError("cloud-user add NAME --web-user USER [--rights N]");
    std::string name, webUser;
    int rights = 0;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if ((word == "--web-user" || word == "--rights") && i + 1 >= args.size())
            throw UsageError("cloud-user add: " + word + " needs a value");
        if (word == "--web-user")
            webUser = args[++i];
        else if (word == "--rights")
            rights = int(parseNumber(args[++i], "--rights", 0, INT32_MAX));
        else if (word.rfind("--", 0) == 0)
            throw UsageError("cloud-user add: unknown option " + word);
        else if (name.empty())
            name = word;
        else
            throw UsageError("cloud-user add takes one NAME");
    }
    if (name.empty()) throw UsageError("cloud-user add: NAME is required");
    if (webUser.empty()) throw UsageError("cloud-user add: --web-user USER is required");

    dir.open(false);
    DB::TCDBTransaction transaction;
    transaction.Begin();
    Web::TCDBWebUsers users;
    auto user = users.Select("*", Table_WebUsers::NAME == webUser);
    if (user.IsEnd()) throw std::runtime_error("no user '" + webUser + "'");
    Web::TCDBWebCloudUsers cloudUsers;
    if (cloudUsers.SelectCount("*", Table_WebCloudUsers::NAME == name) > 0)
        throw std::runtime_error("cloud user '" + name + "' exists already");
    DB::TCDBAutoObject row;
    cloudUsers.CreateObject(row);
    row.Field(Table_WebCloudUsers::NAME).set_AsString(name);
    row.Field(Table_WebCloudUsers::WEB_USER_LINK)
        .set_AsRecordID(user.Field(Table_WebUsers::ID).get_AsRecordID());
    row.Field(Table_WebCloudUsers::AZURE_RIGHTS).set_AsInteger(rights);
    row.Save(false);
    transaction.Commit();
    std::cout << "cloud user " << name << " acts as " << webUser << " with rights " << rights << "\n";
    return 0;
}

} // namespace keynodectl
