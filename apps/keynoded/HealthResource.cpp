#include "HealthResource.h"

#include <memory>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <sqlite3.h>

#include "Web/Request.h"
#include "Web/Response.h"

namespace keynoded {

void HealthResource::handleRequest(const Web::Request& request, Web::Response& response) {
    response.setMimeType("application/json");
    if (!request.pathInfo().empty()) {
        response.setStatus(404);
        response.out() << R"({"status":"unknown path"})";
        return;
    }
    if (request.method() != "GET" && request.method() != "HEAD") {
        response.setStatus(405);
        response.addHeader("Allow", "GET, HEAD");
        response.out() << R"({"status":"method not allowed"})";
        return;
    }
    bool allUp = true;
    std::vector<std::pair<const std::string*, bool>> results;
    for (const auto& [name, check] : m_Checks) {
        bool up = false;
        try {
            up = check();
        } catch (const std::exception&) {
            up = false;
        }
        allUp = allUp && up;
        results.emplace_back(&name, up);
    }
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("status");
    writer.String(allUp ? "ok" : "down");
    for (const auto& [name, up] : results) {
        writer.Key(name->c_str());
        writer.String(up ? "up" : "down");
    }
    writer.EndObject();
    response.setStatus(allUp ? 200 : 503);
    response.out() << buffer.GetString();
}

bool databaseAnswers(const std::string& path) {
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
    if (opened != SQLITE_OK) return false;
    sqlite3_busy_timeout(db.get(), 1000);
    sqlite3_stmt* rawStatement = nullptr;
    if (sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM sqlite_master", -1, &rawStatement, nullptr) !=
        SQLITE_OK)
        return false;
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(rawStatement, &sqlite3_finalize);
    // An empty schema means the file is not the daemon's database (e.g. made anew by someone else).
    return sqlite3_step(statement.get()) == SQLITE_ROW && sqlite3_column_int(statement.get(), 0) > 0;
}

} // namespace keynoded
