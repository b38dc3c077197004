#include <iostream>
#include <set>

#include <boost/program_options.hpp>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "Command.h"
#include "Crypto/TCCryptoUtil.h"
#include "DB/TCDBTableLookup.h"
#include "DB/TCDBTransaction.h"
#include "DB/TCDBUserRights.h"
#include "DB/Tables/WebTables.h"

namespace po = boost::program_options;
using Accessories::TCRecordID;

namespace keynodectl {

TCRecordID findUser(const std::string& name) {
    Web::TCDBWebUsers users;
    auto it = users.Select("*", Table_WebUsers::NAME == name);
    if (it.IsEnd()) throw std::runtime_error("no user '" + name + "'");
    return it.Field(Table_WebUsers::ID).get_AsRecordID();
}

namespace {

int addUser(const keynode::DataDir& dir, const Args& args) {
    std::string name, password;
    std::vector<int> claims;
    po::options_description desc;
    desc.add_options()("name", po::value(&name))("password", po::value(&password))("all-methods", "")(
        "claim", po::value(&claims)->composing())("no-api-access", "");
    po::positional_options_description positional;
    positional.add("name", 1);
    po::variables_map vm;
    try {
        po::store(po::command_line_parser(args).options(desc).positional(positional).run(), vm);
        po::notify(vm);
    } catch (const po::error& e) {
        throw UsageError(std::string("user add: ") + e.what());
    }
    if (name.empty()) throw UsageError("user add: NAME is required");
    if (!vm.count("password") || password.empty()) throw UsageError("user add: --password PW is required");
    if (name.find(':') != std::string::npos) throw UsageError("user add: NAME must not contain ':'");
    for (int claim : claims)
        if (claim <= 0) throw UsageError("user add: --claim takes a positive endpoint number");

    dir.open(false);
    const bool apiAccess = !vm.count("no-api-access");
    const std::string hash = TCCryptoUtil::DBWebUser_HashPassword(password);
    DB::TCDBTransaction transaction;
    transaction.Begin();
    Web::TCDBWebUsers users;
    if (users.SelectCount("*", Table_WebUsers::NAME == name) > 0)
        throw std::runtime_error("user '" + name + "' exists already");
    DB::TCDBAutoObject user;
    users.CreateObject(user);
    user.Field(Table_WebUsers::NAME).set_AsString(name);
    user.Field(Table_WebUsers::PASSWORD_HASH).set_AsString(hash);
    user.Field(Table_WebUsers::ALLOW_WEB_API_ACCESS).set_AsInteger(apiAccess ? 1 : 0);
    user.Field(Table_WebUsers::ALLOW_WEB_API_ACCESS_ALL_METHODS)
        .set_AsInteger(vm.count("all-methods") ? 1 : 0);
    user.Save(false);
    const TCRecordID userID = user.Field(Table_WebUsers::ID).get_AsRecordID();
    Web::TCDBWebUserClaims claimTable;
    for (int claim : std::set<int>(claims.begin(), claims.end())) {
        DB::TCDBAutoObject row;
        claimTable.CreateObject(row);
        row.Field(Table_WebUserClaims::USER_LINK).set_AsRecordID(userID);
        row.Field(Table_WebUserClaims::CLAIM).set_AsInteger(claim);
        row.Save(false);
    }
    transaction.Commit();
    std::cout << "user " << name << " added with id " << userID.get_ID() << "\n";
    return 0;
}

// {"name","id","apiAccess","allMethods","claims":[...]}: what `user list` shows, for scripts.
void writeUser(rapidjson::Writer<rapidjson::StringBuffer>& writer, DB::TCDBIterator& user,
               Web::TCDBWebUserClaims& claimTable) {
    const TCRecordID id = user.Field(Table_WebUsers::ID).get_AsRecordID();
    writer.StartObject();
    writer.Key("name");
    const std::string name = user.Field(Table_WebUsers::NAME).get_AsString();
    writer.String(name.c_str(), rapidjson::SizeType(name.size()));
    writer.Key("id");
    writer.Int64(id.get_ID());
    writer.Key("apiAccess");
    writer.Bool(user.Field(Table_WebUsers::ALLOW_WEB_API_ACCESS).get_AsInteger() == 1);
    writer.Key("allMethods");
    writer.Bool(user.Field(Table_WebUsers::ALLOW_WEB_API_ACCESS_ALL_METHODS).get_AsInteger() == 1);
    writer.Key("claims");
    writer.StartArray();
    for (auto claims = claimTable.Select("*", Table_WebUserClaims::USER_LINK == id,
                                         DB::TCDBOrder(Table_WebUserClaims::CLAIM));
         claims.IsNotEnd(); claims.Next())
        writer.Int(int(claims.Field(Table_WebUserClaims::CLAIM).get_AsInteger()));
    writer.EndArray();
    writer.EndObject();
}

int listUsers(const keynode::DataDir& dir, const Args& args) {
    const bool json = args.size() == 1 && args[0] == "--json";
    if (!args.empty() && !json) throw UsageError("user list [--json]");
    dir.open(false);
    Web::TCDBWebUsers users;
    Web::TCDBWebUserClaims claimTable;
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartArray();
    for (auto it = users.Select("*", DB::TCDBWhere(), DB::TCDBOrder(Table_WebUsers::NAME)); it.IsNotEnd();
         it.Next()) {
        const TCRecordID id = it.Field(Table_WebUsers::ID).get_AsRecordID();
        if (json) {
            writeUser(writer, it, claimTable);
            continue;
        }
        std::cout << it.Field(Table_WebUsers::NAME).get_AsString() << "\tid=" << id.get_ID()
                  << "\tapi=" << it.Field(Table_WebUsers::ALLOW_WEB_API_ACCESS).get_AsInteger()
                  << "\tall-methods="
                  << it.Field(Table_WebUsers::ALLOW_WEB_API_ACCESS_ALL_METHODS).get_AsInteger()
                  << "\tclaims=";
        const char* separator = "";
        auto claims = claimTable.Select("*", Table_WebUserClaims::USER_LINK == id,
                                        DB::TCDBOrder(Table_WebUserClaims::CLAIM));
        for (; claims.IsNotEnd(); claims.Next(), separator = ",")
            std::cout << separator << claims.Field(Table_WebUserClaims::CLAIM).get_AsInteger();
        std::cout << "\n";
    }
    writer.EndArray();
    if (json) std::cout << buffer.GetString() << "\n";
    return 0;
}

int grant(const keynode::DataDir& dir, const Args& args) {
    if (args.size() != 4) throw UsageError("user grant NAME TABLE RECORD_ID LEVEL");
    const DB::TCDBTableSpec* table = DB::FindTableSpec(args[1]);
    if (!table) throw UsageError("user grant: unknown table '" + args[1] + "'");
    const TCRecordID record(parseNumber(args[2], "RECORD_ID", 1, INT64_MAX));
    const int level = int(parseNumber(args[3], "LEVEL", DB::RECORD_RIGHT_SEE, DB::RECORD_RIGHT_CHANGE));
    dir.open(false);
    DB::TCDBTransaction transaction;
    transaction.Begin();
    DB::GrantRecordRight(findUser(args[0]), table->TableID, record, level);
    transaction.Commit();
    std::cout << "granted level " << level << " on " << table->Name << " " << record.get_ID() << " to "
              << args[0] << "\n";
    return 0;
}

} // namespace

int runUser(const keynode::DataDir& dir, const Args& args) {
    if (args.empty()) throw UsageError("user needs add, list, grant, passwd, remove or claims");
    const Args rest(args.begin() + 1, args.end());
    if (args[0] == "add") return addUser(dir, rest);
    if (args[0] == "list") return listUsers(dir, rest);
    if (args[0] == "grant") return grant(dir, rest);
    if (args[0] == "passwd") return changePassword(dir, rest);
    if (args[0] == "remove") return removeUser(dir, rest);
    if (args[0] == "claims") return listClaims(dir, rest);
    throw UsageError("unknown user command '" + args[0] + "'");
}

} // namespace keynodectl
