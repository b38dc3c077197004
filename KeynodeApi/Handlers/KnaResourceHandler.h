#pragma once
#include <optional>
#include <string>

#include "DB/TCDBTransaction.h"
#include "Handlers/KnaBaseHandler.h"
#include "JsonTypes/KnaJson_CrossID.h"

namespace KeynodeApi {

// The steps every handler of a managed resource repeats: reading the body into a JSON type, running the
// writes of one request in one host transaction, writing the answer document and reading an identity
// given as a query parameter.
class KnaResourceHandler : public KnaBaseHandler {
protected:
    // The whole request body, parsed into `object` by the shared JSON rules.
    static void ReadBody(const KnaWebRequest& request, TCJson::TCJsonBase& object);
    // The object's document (root as the object asks for it) as compact JSON text to out().
    static void WriteDocument(KnaWebResponse& response, const KnaJson_BaseType& object);

    // The identity written as JSON text in the query parameter, e.g. id={"extId":"A-7"}; empty when the
    // parameter is absent.
    static std::optional<KnaJson_CrossID> FindIdentityParam(const KnaWebRequest& request,
                                                            const std::string& name);
    // The same, failing with "Missing parameter %s" when it is absent.
    static KnaJson_CrossID GetAssertIdentityParam(const KnaWebRequest& request, const std::string& name);

    // Runs `write` in one transaction: committed when it returns; on any exception rolled back and the
    // exception rethrown, so a failed request leaves the database as it was. A failing rollback is
    // ignored: the first fault is the one to report.
    template <class Write> static void RunInTransaction(Write&& write) {
        DB::TCDBTransaction transaction(-1);
        transaction.Begin(1, false);
        try {
            write();
            transaction.Commit();
        } catch (...) {
            RollbackQuietly(transaction);
            throw;
        }
    }

private:
    static void RollbackQuietly(DB::TCDBTransaction& transaction) noexcept;
};

} // namespace KeynodeApi
