#pragma once
#include <string>

namespace keynode {

// Layout of a data directory (see docs/data-directory.md):
//   DIR/keynode.db       the database (WAL mode: keynode.db-wal and keynode.db-shm beside it)
//   DIR/tls/             the HTTPS certificate and key, made at first start when none is configured
//   DIR/root/            the system's fixed configuration paths, e.g. DIR/root/usr/caldrix/web/settings/...
class DataDir {
public:
    explicit DataDir(std::string path) : m_Path(std::move(path)) {}

    const std::string& path() const { return m_Path; }
    std::string databaseFile() const { return m_Path + "/keynode.db"; }
    std::string certificateFile() const { return m_Path + "/tls/server.crt"; }
    std::string privateKeyFile() const { return m_Path + "/tls/server.key"; }
    std::string rootDir() const { return m_Path + "/root"; }
    bool exists() const;

    // Creates the directories (when `create`), points the host's fixed paths at rootDir() and opens the
    // database, creating or migrating its schema. Throws std::runtime_error with a clear message.
    void open(bool create) const;

private:
    std::string m_Path;
};

} // namespace keynode
