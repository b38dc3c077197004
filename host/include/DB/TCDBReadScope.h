#pragma once

#pragma GCC visibility push(default)

namespace DB {

// While one is alive on a thread, the thread's reads outside a transaction share one read transaction:
// one consistent snapshot and one lock instead of one of each per statement. The transaction begins with
// the first read, and ends with the outermost scope or as soon as the thread begins to write (a write
// always sees the newest data). Scopes nest; with no database open they do nothing.
class TCDBReadScope {
public:
    TCDBReadScope();
    ~TCDBReadScope();
    TCDBReadScope(const TCDBReadScope&) = delete;
    TCDBReadScope& operator=(const TCDBReadScope&) = delete;
};

} // namespace DB

#pragma GCC visibility pop
