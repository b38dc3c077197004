// `user passwd`, `user remove`, `user claims`: the daily changes to web users.
#include <iostream>

#include "Command.h"
#include "Crypto/TCCryptoUtil.h"
#include "DB/TCDBTransaction.h"
#include "DB/Tables/WebTables.h"

using Accessories::TCRecordID;

namespace keynodectl {

// user passwd NAME [--password PW]; without --password the new password is the first line of stdin, so
// that it need not appear in the process list.
int changePassword(const keynode::DataDir& dir, const Args& args) {
    std::string password;
    if (args.size() == 3 && args[1] == "--password")
        password = args[2];
    else if (args.size() == 1)
        std::getline(std::cin, password);
    else
        throw UsageError("user passwd NAME [--password PW]");
    if (password.empty()) throw UsageError("user passwd: the password must not be empty");
    dir.open(false);
    const std::string hash = TCCryptoUtil::DBWebUser_HashPassword(password);
    DB::TCDBTransaction transaction;
    transaction.Begin();
    Web::TCDBWebUsers users;
    DB::TCDBIterator user = users.SelectPrimary(findUser(args[0]));
    user.Field(Table_WebUsers::PASSWORD_HASH).set_AsString(hash);
    user.Save(false);
    transaction.Commit();
    std::cout << "password of " << args[0] << " changed\n";
    return 0;
}

// user remove NAME: the user, its claims, record rights and cloud accounts (the database's cascades).
int removeUser(const keynode::DataDir& dir, const Args& args) {
    if (args.size() != 1) throw UsageError("user remove NAME");
    dir.open(false);
    DB::TCDBTransaction transaction;
    transaction.Begin();
    Web::TCDBWebUsers users;
    users.DeleteWhere(Table_WebUsers::ID == findUser(args[0]));
    transaction.Commit();
    std::cout << "user " << args[0] << " removed\n";
    return 0;
}

// user claims NAME: the user's claims, one endpoint number a line, ascending.
int listClaims(const keynode::DataDir& dir, const Args& args) {
    if (args.size() != 1) throw UsageError("user claims NAME");
    dir.open(false);
    const TCRecordID id = findUser(args[0]);
    Web::TCDBWebUserClaims claims;
    for (auto it = claims.Select("*", Table_WebUserClaims::USER_LINK == id,
                                 DB::TCDBOrder(Table_WebUserClaims::CLAIM));
         it.IsNotEnd(); it.Next())
        std::cout << it.Field(Table_WebUserClaims::CLAIM).get_AsInteger() << "\n";
    return 0;
}

} // namespace keynodectl
