#pragma once
// Test data for the API tests: a private data directory with a fresh database, web users, settings and
// the event log.
#include <cstdint>
#include <string>
#include <vector>

#include "Accessories/TCNullTypes.h"
#include "Accessories/TCRecordID.h"
#include "DB/TCDBInsertRow.h"
#include "Event/TCEventReader.h"
#include "Property/TCPropertyID.h"
#include "host/base/support/TempDir.h"

namespace ApiTest {

// A directory of its own under the system's temporary directory, made the host's path root, with a new
// database in it opened on the constructing thread. Everything is removed again by the destructor.
class TestDataDir {
public:
    TestDataDir();
    ~TestDataDir();

private:
    TempDir m_Dir;
};

struct WebUserSpec {
    std::string Name;
    std::string Password;
    // Table_WebUsers::ALLOW_WEB_API_ACCESS and ..._ALL_METHODS; both 1 grants every endpoint.
    Accessories::TCNullTypes<int> AllowAccess;
    Accessories::TCNullTypes<int> AllowAllMethods;
    std::vector<int> Claims;
};

// Inserts the user (password hashed at the cheapest cost) and its claims; returns its record ID.
Accessories::TCRecordID AddWebUser(const WebUserSpec& spec);
Accessories::TCRecordID AddAllMethodsUser(const std::string& name, const std::string& password);

void SetBoolSetting(const Property::TCPropertyID& id, bool value);
// Writes the web server's settings file (below the path root) with the given "https-port" value.
void WriteServerConfig(const std::string& httpsPort);

// Inserts a row with `values` in `fields`, with the external ID unless it is empty; returns its record ID.
Accessories::TCRecordID AddRow(DB::TCDBBasicTable&& table,
                               const std::vector<const DB::TCDBFieldSpec*>& fields,
                               const std::vector<DB::TCDBParam>& values, const std::string& externalID = "");
// Every row of the table with its external ID and columns, one line each, prefixed by `name`.
std::string DumpRows(DB::TCDBBasicTable&& table, const std::string& name);
// Inserts into `table` fail inside the database once the SQL condition `when` holds (NEW is the row).
void FailInsertsWhen(const std::string& table, const std::string& when);
void StopFailingInserts(const std::string& table);

int64_t LastEventID();
std::vector<Event::TCEventRecord> EventsAfter(int64_t eventID);
// The event's details in the order they were written, as "detailID=value", or "detailID=#ownerID" for a
// detail without a value.
std::vector<std::string> DetailTexts(const Event::TCEventRecord& event);

} // namespace ApiTest
