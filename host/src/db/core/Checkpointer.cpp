#include "db/core/Checkpointer.h"

#include "Debug/TCDebug.h"
#include "db/core/WriterQueue.h"

#include <sqlite3.h>
#include <unistd.h>

namespace DB::Core {

namespace {

// How long the restarting copy waits for the readers of the old log, and for its turn among the writers.
constexpr int RESTART_WAIT_MS = 200;

void Report(sqlite3* db, int rc, const std::string& path) {
    if (rc != SQLITE_OK && rc != SQLITE_BUSY && IsDebugLevel(DEBUG_DB))
        SendDebugOutput(DEBUG_DB, "checkpoint of %s failed: %s", path.c_str(),
                        db ? sqlite3_errmsg(db) : "cannot open");
}

} // namespace

void Checkpointer::Closer::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}

Checkpointer::Checkpointer(std::string path, WriterQueue& writers)
    : m_Path(std::move(path)), m_Writers(writers), m_Owner(getpid()) {}

Checkpointer::~Checkpointer() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Stopping = true;
    }
    m_Wake.notify_one();
    if (m_Thread.joinable()) m_Thread.join();
}

int Checkpointer::OnCommit(void* self, sqlite3* db, const char* schema, int logPages) {
    if (logPages < LOG_PAGES) return SQLITE_OK;
    auto* checkpointer = static_cast<Checkpointer*>(self);
    if (getpid() == checkpointer->m_Owner) {
        checkpointer->Request();
    } else {
        // Best effort, as SQLite's own automatic checkpoint: the commit stands either way.
        sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    }
    return SQLITE_OK;
}

void Checkpointer::Request() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (m_Stopping) return;
        m_Requested = true;
        if (!m_Thread.joinable()) m_Thread = std::thread([this] { Run(); });
    }
    m_Wake.notify_one();
}

void Checkpointer::Run() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    for (;;) {
        m_Wake.wait(lock, [this] { return m_Requested || m_Stopping; });
        if (m_Stopping) return;
        m_Requested = false;
        lock.unlock();
        Copy();
        lock.lock();
    }
}

bool Checkpointer::Open() {
    if (m_Db) return true;
    // Never creates the file: the database that reported the commit exists.
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(m_Path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    m_Db.reset(raw);
    // A connection finds the log only once it has read the database.
    if (rc != SQLITE_OK ||
        sqlite3_exec(raw, "PRAGMA schema_version", nullptr, nullptr, nullptr) != SQLITE_OK) {
        Report(raw, rc == SQLITE_OK ? SQLITE_ERROR : rc, m_Path);
        m_Db.reset();
        return false;
    }
    sqlite3_busy_timeout(raw, RESTART_WAIT_MS);
    return true;
}

void Checkpointer::Copy() {
    if (!Open()) return;
    // The bulk of the copy and the sync of the database file, beside the writers: a passive checkpoint
    // copies what no reader still needs and waits for no one. A failure (disk full, say) loses nothing,
    // as the log keeps every commit.
    int logFrames = 0, copiedFrames = 0;
    int rc =
        sqlite3_wal_checkpoint_v2(m_Db.get(), nullptr, SQLITE_CHECKPOINT_PASSIVE, &logFrames, &copiedFrames);
    Report(m_Db.get(), rc, m_Path);
    if (rc != SQLITE_OK || copiedFrames < logFrames) return; // the next commit asks again
    // A writer starts the log afresh only if it began after a complete copy, and under load the next one
    // has always begun by then. So the few commits since are copied holding the writers' turn, and the
    // restart waits for the readers of the old log: then the next writer starts at the beginning.
    if (!m_Writers.Acquire(std::chrono::milliseconds(RESTART_WAIT_MS))) return;
    rc = sqlite3_wal_checkpoint_v2(m_Db.get(), nullptr, SQLITE_CHECKPOINT_RESTART, nullptr, nullptr);
    m_Writers.Release();
    Report(m_Db.get(), rc, m_Path);
}

} // namespace DB::Core
