#include "db/core/DatabaseInstance.h"

#include "Host/TCException.h"
#include "db/core/Connection.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <mutex>

namespace DB::Core {

namespace {

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The one piece of process-wide state: which database Open made current.
struct InstanceSlot {
    std::mutex Lock;
    std::shared_ptr<const DatabaseInstance> Instance;
    // Counts the changes of Instance, so that a thread sees without locking that its connection is
    // still for the current database.
    std::atomic<uint64_t> Generation{0};
};

InstanceSlot& Slot() {
    static InstanceSlot slot;
    return slot;
}

thread_local std::unique_ptr<Connection> t_Connection;
thread_local uint64_t t_Generation = 0; // of the instance t_Connection was opened for
thread_local int t_ReadScopes = 0;

} // namespace

DatabaseInstance::DatabaseInstance(std::string path, std::vector<std::string> migrations,
                                   std::vector<const TCDBTableSpec*> tables)
    : m_Path(std::move(path)), m_Migrations(std::move(migrations)), m_Tables(std::move(tables)),
      m_Checkpointer(m_Path, m_Writers) {
    for (const TCDBTableSpec* table : m_Tables)
        m_TableIDs[LowerCase(table->Name)] = table->TableID;
}

std::optional<int> DatabaseInstance::FindTableID(const std::string& sqlName) const {
    auto found = m_TableIDs.find(LowerCase(sqlName));
    if (found == m_TableIDs.end()) return std::nullopt;
    return found->second;
}

const TCDBTableSpec* DatabaseInstance::FindTable(int tableID) const {
    for (const TCDBTableSpec* table : m_Tables)
        if (table->TableID == tableID) return table;
    return nullptr;
}

std::shared_ptr<const DatabaseInstance> CurrentInstance() {
    std::lock_guard<std::mutex> lock(Slot().Lock);
    return Slot().Instance;
}

void SetCurrentInstance(std::shared_ptr<const DatabaseInstance> instance) {
    std::lock_guard<std::mutex> lock(Slot().Lock);
    Slot().Instance = std::move(instance);
    Slot().Generation.fetch_add(1, std::memory_order_release);
}

Connection& ThreadConnection() {
    // Read before the instance: should the instance change in between, the next call looks again.
    const uint64_t generation = Slot().Generation.load(std::memory_order_acquire);
    if (t_Connection && t_Generation == generation) return *t_Connection;
    auto instance = CurrentInstance();
    if (!instance) throw TCException(__FILE__, __LINE__, "the database is not open");
    if (!t_Connection || &t_Connection->get_Instance() != instance.get()) {
        t_Connection.reset();
        t_Connection = std::make_unique<Connection>(instance, Connection::FileMode::MustExist);
    }
    t_Generation = generation;
    return *t_Connection;
}

void AdoptThreadConnection(std::unique_ptr<Connection> connection) {
    t_Connection = std::move(connection);
    t_Generation = 0; // no generation: the next use compares the instance once
}

void CloseThreadConnection() {
    t_Connection.reset();
}

void EnterReadScope() {
    ++t_ReadScopes;
}

void LeaveReadScope() {
    if (t_ReadScopes > 0 && --t_ReadScopes == 0 && t_Connection) t_Connection->EndRead();
}

bool InReadScope() {
    return t_ReadScopes > 0;
}

} // namespace DB::Core
