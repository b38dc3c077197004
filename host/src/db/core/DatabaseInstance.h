#pragma once
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "DB/TCDBBasicTable.h"
#include "db/core/Checkpointer.h"
#include "db/core/WriterQueue.h"

namespace DB::Core {

class Connection;

// What one TCDatabase::Open set up: the file, its schema and its tables. Connections keep the instance
// they were opened for, so a later Open of another file never hands them out by mistake.
class DatabaseInstance {
public:
    DatabaseInstance(std::string path, std::vector<std::string> migrations,
                     std::vector<const TCDBTableSpec*> tables);

    const std::string& get_Path() const { return m_Path; }
    const std::vector<std::string>& get_Migrations() const { return m_Migrations; }
    const std::vector<const TCDBTableSpec*>& get_Tables() const { return m_Tables; }
    // The table number of an SQL table name (any case); none for infrastructure tables.
    std::optional<int> FindTableID(const std::string& sqlName) const;
    const TCDBTableSpec* FindTable(int tableID) const;

    int get_SchemaVersion() const { return m_SchemaVersion; }
    // Set once by Open before the instance is published.
    void set_SchemaVersion(int version) { m_SchemaVersion = version; }
    // Where the writers of this process wait for their turn (see Connection::Begin).
    WriterQueue& get_Writers() const { return m_Writers; }
    // Copies the write-ahead log of this process's commits into the database file.
    Checkpointer& get_Checkpointer() const { return m_Checkpointer; }

private:
    std::string m_Path;
    std::vector<std::string> m_Migrations;
    std::vector<const TCDBTableSpec*> m_Tables;
    std::unordered_map<std::string, int> m_TableIDs; // lower-case name -> table number
    int m_SchemaVersion = 0;
    mutable WriterQueue m_Writers;       // synchronised in itself; shared by every connection of the instance
    mutable Checkpointer m_Checkpointer; // likewise
};

// The open database of the process, or null.
std::shared_ptr<const DatabaseInstance> CurrentInstance();
void SetCurrentInstance(std::shared_ptr<const DatabaseInstance> instance);

// The calling thread's connection to the open database, opened on first use and closed when the thread
// ends. Throws TCException when no database is open.
Connection& ThreadConnection();
// Makes `connection` the calling thread's connection (Open hands over the one that migrated the schema).
void AdoptThreadConnection(std::unique_ptr<Connection> connection);
void CloseThreadConnection();

// Nesting of DB::TCDBReadScope on the calling thread; leaving the outermost one ends the thread's read
// transaction.
void EnterReadScope();
void LeaveReadScope();
bool InReadScope();

} // namespace DB::Core
