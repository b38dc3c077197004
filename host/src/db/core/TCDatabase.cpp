#include "DB/TCDatabase.h"

#include "db/Schema.h"
#include "db/core/Connection.h"
#include "db/core/DatabaseInstance.h"
#include "db/core/SchemaSetup.h"

namespace DB {

void TCDatabase::Open(const std::string& path) {
    OpenWithMigrations(path, SchemaMigrations(), AllTableSpecs());
}

void TCDatabase::OpenWithMigrations(const std::string& path, const std::vector<std::string>& migrations,
                                    const std::vector<const TCDBTableSpec*>& tables) {
    auto instance = std::make_shared<Core::DatabaseInstance>(path, migrations, tables);
    auto connection =
        std::make_unique<Core::Connection>(instance, Core::Connection::FileMode::CreateIfMissing);
    instance->set_SchemaVersion(Core::SetUpSchema(*connection));
    Core::SetCurrentInstance(instance);
    Core::AdoptThreadConnection(std::move(connection));
}

void TCDatabase::Close() {
    Core::SetCurrentInstance(nullptr);
    Core::CloseThreadConnection();
}

bool TCDatabase::IsOpen() {
    return Core::CurrentInstance() != nullptr;
}

const std::string& TCDatabase::get_Path() {
    static const std::string none;
    const auto instance = Core::CurrentInstance();
    // The instance outlives this reference as long as the database is not reopened or closed meanwhile.
    return instance ? instance->get_Path() : none;
}

int TCDatabase::get_SchemaVersion() {
    const auto instance = Core::CurrentInstance();
    return instance ? instance->get_SchemaVersion() : 0;
}

} // namespace DB
