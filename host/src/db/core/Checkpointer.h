#pragma once
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>

struct sqlite3;

namespace DB::Core {

class WriterQueue;

// Copies the write-ahead log back into the database file on a thread of its own. Left to SQLite, the
// commit that fills the log does the copy and syncs the database file before its caller hears back, so
// one write in every few hundred waits ten times as long as the others. The connections of this process
// only report their commits here; other processes keep checkpointing as SQLite does by default.
class Checkpointer {
public:
    // Log size, in pages, at which a copy starts (SQLite's own default).
    static constexpr int LOG_PAGES = 1000;

    Checkpointer(std::string path, WriterQueue& writers);
    ~Checkpointer(); // finishes a running copy; the last connection to close copies the rest
    Checkpointer(const Checkpointer&) = delete;
    Checkpointer& operator=(const Checkpointer&) = delete;

    // For sqlite3_wal_hook: called after every commit with the pages in the log.
    static int OnCommit(void* self, sqlite3* db, const char* schema, int logPages);

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    void Request();
    void Run();
    bool Open();
    void Copy();

    const std::string m_Path;
    WriterQueue& m_Writers;
    const pid_t m_Owner; // a forked child has no copying thread and copies itself
    std::mutex m_Mutex;
    std::condition_variable m_Wake;
    bool m_Requested = false;
    bool m_Stopping = false;
    std::unique_ptr<sqlite3, Closer> m_Db; // the copying thread's own connection
    std::thread m_Thread;                  // started with the first request
};

} // namespace DB::Core
