#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Web/Resource.h"

namespace keynoded {

// "/health" for monitors, without authentication: 200 when every check passes, else 503; the body names
// each check, e.g. {"status":"down","database":"down","serviceThread":"up","mailRouter":"up"}.
class HealthResource : public Web::Resource {
public:
    using Check = std::function<bool()>;
    explicit HealthResource(std::vector<std::pair<std::string, Check>> checks)
        : m_Checks(std::move(checks)) {}

    void handleRequest(const Web::Request& request, Web::Response& response) override;

private:
    const std::vector<std::pair<std::string, Check>> m_Checks;
};

// Whether the database file opens and answers a query on a connection of its own (the daemon's
// connections stay open when the file goes away or turns unreadable).
bool databaseAnswers(const std::string& path);

} // namespace keynoded
