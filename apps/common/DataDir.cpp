#include "DataDir.h"

#include <filesystem>
#include <stdexcept>

#include "Config/TCHostPaths.h"
#include "DB/TCDatabase.h"

namespace fs = std::filesystem;

namespace keynode {

bool DataDir::exists() const {
    return fs::exists(databaseFile());
}

void DataDir::open(bool create) const {
    if (!create && !exists())
        throw std::runtime_error("no database in " + m_Path + " (run 'keynodectl --data-dir " + m_Path +
                                 " init')");
    std::error_code ec;
    for (const auto& dir : {fs::path(m_Path), fs::path(m_Path) / "tls", fs::path(rootDir())}) {
        fs::create_directories(dir, ec);
        if (ec) throw std::runtime_error("cannot create " + dir.string() + ": " + ec.message());
    }
    TCHostPaths::SetRoot(rootDir());
    DB::TCDatabase::Open(databaseFile());
}

} // namespace keynode
