#include "KnaMain.h"

#include <utility>

#include "Crypto/TCCryptoUtil.h"
#include "DB/TCDBTransaction.h"
#include "DB/Tables/WebTables.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Event/TCClientEvent.h"
#include "KnaBasicAuthorization.h"
#include "KnaLoginThrottle.h"

namespace KeynodeApi {

namespace {

const char* const kWrongCredentials = "Wrong username/password or API access not allowed";
// Bit of Table_WebCloudUsers::AZURE_RIGHTS that grants every endpoint.
const int kCloudRightAllMethods = 4;

bool IsOne(DB::TCDBIterator& row, const DB::TCDBFieldSpec& column) {
    const auto value = row.Field(column).get_AsNullInt();
    return value.IsNotNull() && value.get_Value() == 1;
}

// Counts the failure; the moment the pair becomes throttled is logged, once.
void NoteFailedLogin(KnaLoginThrottle& throttle, const std::string& userName,
                     const std::string& clientAddress) {
    if (!throttle.RecordFailure(userName, clientAddress)) return;
    Event::TCClientEvent event(KeynodeWebApi::Type_LoginThrottled);
    event << Event::TCClientEventDetails(KeynodeWebApi::DefinitionDetail_UserErrorMessage_id)
                 .set_Value("Logins of user '%s' from %s refused for %lld s after repeated wrong passwords",
                            userName.c_str(), clientAddress.c_str(),
                            static_cast<long long>(throttle.RemainingMs(userName, clientAddress) / 1000));
}

// Replaces a hash made with an older, costlier setting by one at today's cost, unless the password
// changed meanwhile. A failure only leaves the old hash, which keeps verifying.
void RehashPassword(const Accessories::TCRecordID& userID, const std::string& verifiedHash,
                    const std::string& password) {
    try {
        const std::string newHash = TCCryptoUtil::DBWebUser_HashPassword(password);
        DB::TCDBTransaction transaction;
        transaction.Begin();
        Web::TCDBWebUsers users;
        auto user = users.SelectPrimary(userID);
        if (user.IsEnd() || user.Field(Table_WebUsers::PASSWORD_HASH).get_AsString() != verifiedHash) return;
        user.Field(Table_WebUsers::PASSWORD_HASH).set_AsString(newHash);
        user.Save();
        transaction.Commit();
    } catch (const std::exception&) {
        // The old hash stays; the next login tries again.
    }
}

} // namespace

void KnaMain::AuthenticateRequest(KnaWebRequest& request, std::string& error, Accessories::TCRecordID& userID,
                                  std::string& userName, std::set<int>& claims, bool& allMethods) const {
    error.clear();
    userName.clear();
    userID.SetNull();
    claims.clear();
    allMethods = false;
    const bool mustVerifyPassword = request.MustVerifyPassword();

    std::string password;
    if (request.IsOverHttp()) {
        KnaBasicCredentials credentials = ParseBasicAuthorization(request.authorizationHeaderValue(), error);
        userName = std::move(credentials.UserName);
        password = std::move(credentials.Password);
        if (!error.empty()) return;
    } else {
        userName = request.GetUserName();
    }

    // Guessing passwords costs a full hash check each: after repeated failures the pair is refused
    // without one for a while.
    const std::string clientAddress = mustVerifyPassword ? request.clientAddress() : std::string();
    if (mustVerifyPassword && m_LoginThrottle->IsThrottled(userName, clientAddress)) {
        error = kWrongCredentials;
        return;
    }

    Web::TCDBWebUsers users;
    const Accessories::TCRecordID requestUserID = request.GetUserID();
    DB::TCDBIterator user = requestUserID.IsNotNull() ? users.SelectPrimary(requestUserID)
                                                      : users.Select("*", Table_WebUsers::NAME == userName);
    if (user.IsEnd()) {
        if (mustVerifyPassword) NoteFailedLogin(*m_LoginThrottle, userName, clientAddress);
        error = kWrongCredentials;
        return;
    }
    userID = user.Field(Table_WebUsers::ID).get_AsRecordID();
    if (request.IsOverHttp()) {
        request.SetUserID(userID);
        request.SetUserName(userName);
    }
    if (mustVerifyPassword) {
        const std::string storedHash = user.Field(Table_WebUsers::PASSWORD_HASH).get_AsString();
        if (!TCCryptoUtil::DBWebUser_VerifyPassword(password, storedHash)) {
            NoteFailedLogin(*m_LoginThrottle, userName, clientAddress);
            error = kWrongCredentials;
            return;
        }
        m_LoginThrottle->RecordSuccess(userName, clientAddress);
        if (TCCryptoUtil::DBWebUser_NeedsRehash(storedHash)) RehashPassword(userID, storedHash, password);
    }

    if (!request.VerifyCloudWebApiRights()) {
        if (IsOne(user, Table_WebUsers::ALLOW_WEB_API_ACCESS) &&
            IsOne(user, Table_WebUsers::ALLOW_WEB_API_ACCESS_ALL_METHODS)) {
            allMethods = true;
            return;
        }
    } else {
        Web::TCDBWebCloudUsers cloudUsers;
        auto cloudUser = cloudUsers.Select("*", Table_WebCloudUsers::WEB_USER_LINK.IsNotNull() &&
                                                    Table_WebCloudUsers::WEB_USER_LINK == userID);
        if (cloudUser.IsNotEnd()) {
            const auto rights = cloudUser.Field(Table_WebCloudUsers::AZURE_RIGHTS).get_AsNullInt();
            if (rights.IsNotNull() && (rights.get_Value() & kCloudRightAllMethods) != 0) allMethods = true;
        }
    }

    if (!allMethods) {
        Web::TCDBWebUserClaims userClaims;
        for (auto row = userClaims.Select("*", Table_WebUserClaims::USER_LINK == userID); row.IsNotEnd();
             row.Next())
            claims.insert(row.Field(Table_WebUserClaims::CLAIM).get_AsInteger());
    }
}

} // namespace KeynodeApi
