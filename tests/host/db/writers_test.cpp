#include "support/TestDatabase.h"
#include "support/TestSchema.h"

#include "DB/TCDBTransaction.h"
#include "DB/TCDatabase.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace TestSchema;

namespace {

constexpr int ROWS_PER_WRITER = 200;
constexpr const char* CHILD_ENV = "DBCORE_TEST_CHILD_DIR";

// Each row in its own transaction, so that writers interleave commit by commit. Reading before writing,
// as check-then-insert code does, is what makes a transaction that upgrades its lock late fail.
int WriteRows(const std::string& prefix) {
    int failures = 0;
    for (int i = 0; i < ROWS_PER_WRITER; ++i) {
        try {
            DB::TCDBTransaction transaction;
            transaction.Begin();
            const std::string name = prefix + std::to_string(i);
            if (CountRows(Widgets::SPEC, Widgets::NAME == name) != 0) throw std::logic_error("written twice");
            AddWidget(name);
            transaction.Commit();
        } catch (const std::exception& e) {
            ADD_FAILURE() << prefix << i << ": " << e.what();
            ++failures;
        }
    }
    return failures;
}

// Runs this test program again as a second process with only `test`; the environment tells it the
// directory and so its role.
pid_t SpawnChild(const std::string& dir, const std::string& test) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        environment.emplace_back(*entry);
    environment.push_back(std::string(CHILD_ENV) + "=" + dir);
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=" + test;
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
    return child;
}

// Waits for the file to appear; false when the child ended first (its status is then in `status`).
bool WaitForFile(const std::string& path, pid_t child, int& status) {
    while (!std::filesystem::exists(path)) {
        if (waitpid(child, &status, WNOHANG) == child) return false;
        usleep(1000);
    }
    return true;
}

} // namespace

using ConcurrencyTest = DatabaseTest;

TEST_F(ConcurrencyTest, FourThreadsWriteWithoutLosingRows) {
    std::atomic<int> failures{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([t, &failures] { failures += WriteRows("t" + std::to_string(t) + "-"); });
    for (auto& writer : writers)
        writer.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(CountRows(Widgets::SPEC), 4 * ROWS_PER_WRITER);
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(CountRows(Widgets::SPEC, Widgets::NAME == "t" + std::to_string(t) + "-199"), 1);
}

// The test re-runs itself as a second process (the environment variable tells the roles apart).
// While another process holds the database's write lock, the writers of this process wait in the order
// they came and are then served in that order (SQLite's sleeping retries would let any of them in first).
TEST(CrossProcess, WritersQueueInArrivalOrderBehindAnotherProcess) {
    if (const char* childDir = std::getenv(CHILD_ENV)) {
        const std::string dir = childDir;
        DB::TCDatabase::OpenWithMigrations(dir + "/shared.db", Migrations(), Tables());
        DB::TCDBTransaction holder;
        holder.Begin();
        std::ofstream(dir + "/child.locked").put('1');
        while (!std::filesystem::exists(dir + "/release"))
            usleep(1000);
        holder.Commit();
        DB::TCDatabase::Close();
        return;
    }

    TempDir dir;
    DB::TCDatabase::OpenWithMigrations(dir.get_Path() + "/shared.db", Migrations(), Tables());
    const pid_t child =
        SpawnChild(dir.get_Path(), "CrossProcess.WritersQueueInArrivalOrderBehindAnotherProcess");
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_TRUE(WaitForFile(dir.get_Path() + "/child.locked", child, status)) << "child status " << status;

    constexpr int WRITERS = 4;
    std::atomic<int> failures{0};
    std::vector<std::thread> writers;
    for (int w = 0; w < WRITERS; ++w) {
        writers.emplace_back([w, &failures] {
            try {
                DB::TCDBTransaction transaction;
                transaction.Begin();
                AddWidget("w" + std::to_string(w));
                transaction.Commit();
            } catch (const std::exception& e) {
                ADD_FAILURE() << "writer " << w << ": " << e.what();
                ++failures;
            }
        });
        usleep(100 * 1000); // each writer is waiting before the next one comes
    }
    std::ofstream(dir.get_Path() + "/release").put('1');
    for (auto& writer : writers)
        writer.join();
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(WidgetNames(DB::TCDBWhere(), DB::TCDBOrder(Widgets::ID)),
              (std::vector<std::string>{"w0", "w1", "w2", "w3"}));
    DB::TCDatabase::Close();
}
