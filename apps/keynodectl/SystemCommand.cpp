#include <iostream>

#include "Command.h"
#include "DB/TCDBBasicTable.h"
#include "DB/TCDBTransaction.h"
#include "DB/Tables/SystemTables.h"

namespace keynodectl {
namespace {

const char* const kNames = "OwnKeynodeID, MasterSlaveMode or OwnGUID";

void setOwnGuid(const std::string& guid) {
    const Accessories::TCRecordID own = System::TCDBKeynodes::get_OwnID(true);
    if (own.IsNull())
        throw std::runtime_error("OwnGUID is the GUID of the own keynode: set OwnKeynodeID first");
    DB::TCDBTransaction transaction;
    transaction.Begin();
    System::TCDBKeynodes keynodes;
    auto row = keynodes.SelectPrimary(own);
    if (guid.empty())
        row.Field(Table_SystemKeynodes::GUID).SetNull();
    else
        row.Field(Table_SystemKeynodes::GUID).set_AsString(guid);
    row.Save(true);
    transaction.Commit();
}

} // namespace

int runSystem(const keynode::DataDir& dir, const Args& args) {
    const bool set = !args.empty() && args[0] == "set";
    const bool get = !args.empty() && args[0] == "get";
    if (!(set && args.size() == 3) && !(get && args.size() == 2))
        throw UsageError("system set NAME VALUE | system get NAME");
    const std::string& name = args[1];
    if (name != "OwnKeynodeID" && name != "MasterSlaveMode" && name != "OwnGUID")
        throw UsageError("unknown system setting '" + name + "' (" + kNames + ")");
    long long number = 0;
    if (set && name == "OwnKeynodeID" && args[2] != "")
        number = parseNumber(args[2], "OwnKeynodeID", 1, INT64_MAX);
    if (set && name == "MasterSlaveMode") number = parseNumber(args[2], "MasterSlaveMode", 0, 2);
    dir.open(false);

    if (set) {
        if (name == "OwnKeynodeID") {
            const Accessories::TCRecordID id =
                args[2].empty() ? Accessories::TCRecordID() : Accessories::TCRecordID(number);
            if (id.IsNotNull() &&
                System::TCDBKeynodes().SelectCount("*", Table_SystemKeynodes::ID == id) == 0)
                throw std::runtime_error("no keynode with id " + args[2]);
            System::TCDBKeynodes::set_OwnID(id);
        } else if (name == "MasterSlaveMode") {
            DB::TCDBBasicTable::set_MasterSlaveMode(int(number));
        } else {
            setOwnGuid(args[2]);
        }
        std::cout << name << " = " << args[2] << "\n";
        return 0;
    }
    if (name == "OwnKeynodeID") {
        const Accessories::TCRecordID id = System::TCDBKeynodes::get_OwnID(false);
        std::cout << (id.IsNull() ? std::string() : std::to_string(id.get_ID())) << "\n";
    } else if (name == "MasterSlaveMode") {
        std::cout << DB::TCDBBasicTable::get_MasterSlaveMode() << "\n";
    } else {
        std::cout << System::TCDBKeynodes::get_OwnGUID() << "\n";
    }
    return 0;
}

} // namespace keynodectl
