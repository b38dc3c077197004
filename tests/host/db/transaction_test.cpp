#include "support/TestDatabase.h"
#include "support/TestSchema.h"

#include "DB/TCDBReadScope.h"
#include "DB/TCDBTransaction.h"
#include "Host/TCException.h"

#include <future>
#include <thread>

using namespace TestSchema;
using Names_t = std::vector<std::string>;

using TransactionTest = DatabaseTest;

TEST_F(TransactionTest, CommitKeepsAndRollbackDiscards) {
    DB::TCDBTransaction kept;
    kept.Begin();
    AddWidget("kept");
    kept.Commit();
    EXPECT_FALSE(kept.IsActive());

    DB::TCDBTransaction undone;
    undone.Begin();
    const int64_t id = AddWidget("undone");
    AddPart(id, "part");
    DB::TCDBBasicTable(Widgets::SPEC).DeleteWhere(Widgets::NAME == "kept");
    undone.Rollback();
    EXPECT_EQ(WidgetNames(), (Names_t{"kept"}));
    EXPECT_EQ(CountRows(Parts::SPEC), 0);
}

TEST_F(TransactionTest, DestructorRollsBackWhatWasNotCommitted) {
    {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        AddWidget("lost");
    }
    EXPECT_EQ(CountRows(Widgets::SPEC), 0);
    AddWidget("after"); // the connection is usable again
    EXPECT_EQ(WidgetNames(), (Names_t{"after"}));
}

TEST_F(TransactionTest, NestedTransactionsAreSavepoints) {
    DB::TCDBTransaction outer;
    outer.Begin();
    AddWidget("a");
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        AddWidget("b");
        inner.Rollback();
    }
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        AddWidget("c");
        inner.Commit();
    }
    EXPECT_EQ(WidgetNames(), (Names_t{"a", "c"}));
    outer.Commit();
    EXPECT_EQ(WidgetNames(), (Names_t{"a", "c"}));

    DB::TCDBTransaction undone;
    undone.Begin();
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        AddWidget("d");
        inner.Commit();
    }
    undone.Rollback();
    EXPECT_EQ(WidgetNames(), (Names_t{"a", "c"})) << "a committed savepoint goes with its outer transaction";
}

TEST_F(TransactionTest, OuterCannotEndWhileInnerIsOpen) {
    DB::TCDBTransaction outer;
    outer.Begin();
    DB::TCDBTransaction inner;
    inner.Begin();
    EXPECT_THROW(outer.Commit(), TCException);
    EXPECT_THROW(outer.Begin(), TCException);
    inner.Commit();
    outer.Commit();
}

TEST_F(TransactionTest, OtherThreadsSeeOnlyCommittedRows) {
    DB::TCDBTransaction transaction;
    transaction.Begin();
    AddWidget("pending");
    EXPECT_EQ(std::async(std::launch::async, [] { return CountRows(Widgets::SPEC); }).get(), 0);
    transaction.Commit();
    EXPECT_EQ(std::async(std::launch::async, [] { return CountRows(Widgets::SPEC); }).get(), 1);
}

TEST_F(TransactionTest, BusyDatabaseIsReportedAfterTheTimeOut) {
    std::promise<void> locked;
    std::promise<void> release;
    std::thread holder([&] {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        locked.set_value();
        release.get_future().wait();
    });
    locked.get_future().wait();
    DB::TCDBTransaction waiting(50);
    std::string message;
    try {
        waiting.Begin();
    } catch (const TCException& e) {
        message = e.GetHostMessage();
    }
    release.set_value();
    holder.join();
    EXPECT_EQ(message.rfind("database is busy", 0), 0u) << message;
    EXPECT_FALSE(waiting.IsActive());
    waiting.Begin(); // free again
    waiting.Commit();
}

// Inside a read scope the thread's reads share one snapshot: what other threads commit meanwhile stays
// out of sight, rows read by key again are the same rows, and the thread's own writes end the snapshot,
// so that it reads them back at once. After the scope everything committed is visible.
TEST_F(TransactionTest, ReadScopeSeesOneSnapshotUntilTheThreadWrites) {
    const int64_t id = AddWidget("before");
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    const auto nameByKey = [&widgets, id] {
        return widgets.SelectPrimary(Accessories::TCRecordID(id)).Field(Widgets::NAME).get_AsString();
    };
    const auto renameElsewhere = [id](const std::string& name) {
        std::async(std::launch::async, [id, name] {
            DB::TCDBBasicTable table(Widgets::SPEC);
            auto row = table.SelectPrimary(Accessories::TCRecordID(id));
            row.Field(Widgets::NAME).set_AsString(name);
            row.Save();
            AddWidget("other " + name);
        }).get();
    };
    {
        DB::TCDBReadScope scope;
        EXPECT_EQ(nameByKey(), "before");
        EXPECT_EQ(CountRows(Widgets::SPEC), 1);
        renameElsewhere("elsewhere");
        EXPECT_EQ(nameByKey(), "before");
        EXPECT_EQ(CountRows(Widgets::SPEC), 1);

        AddWidget("own"); // a write of this thread: from here on the newest data
        EXPECT_EQ(nameByKey(), "elsewhere");
        EXPECT_EQ(CountRows(Widgets::SPEC), 3);

        DB::TCDBTransaction transaction;
        transaction.Begin();
        auto row = widgets.SelectPrimary(Accessories::TCRecordID(id));
        row.Field(Widgets::NAME).set_AsString("own rename");
        row.Save();
        transaction.Commit();
        EXPECT_EQ(nameByKey(), "own rename");
        renameElsewhere("again");
        EXPECT_EQ(nameByKey(), "own rename");
    }
    EXPECT_EQ(nameByKey(), "again");
    EXPECT_EQ(CountRows(Widgets::SPEC), 4);
}

// Inside a write transaction, counts and rows read by key are remembered, but never past a write that
// changes them: the thread's own update, an insert into the counted table, an undone savepoint and a
// delete with its cascade all show at once.
TEST_F(TransactionTest, RememberedReadsFollowTheTransactionsOwnWrites) {
    const int64_t id = AddWidget("first");
    AddPart(id, "p");
    DB::TCDBBasicTable widgets(Widgets::SPEC);
    const Accessories::TCRecordID key(id);
    const auto name = [&] {
        auto row = widgets.SelectPrimary(key);
        return row.IsEnd() ? std::string("gone") : row.Field(Widgets::NAME).get_AsString();
    };
    const auto rename = [&](const std::string& to) {
        auto row = widgets.SelectPrimary(key);
        row.Field(Widgets::NAME).set_AsString(to);
        row.Save();
    };

    DB::TCDBTransaction transaction;
    transaction.Begin();
    EXPECT_EQ(name(), "first");
    rename("renamed");
    EXPECT_EQ(name(), "renamed");
    EXPECT_EQ(CountRows(Parts::SPEC), 1);
    AddPart(id, "q");
    EXPECT_EQ(CountRows(Parts::SPEC), 2);
    EXPECT_EQ(name(), "renamed");
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        rename("undone");
        EXPECT_EQ(name(), "undone");
        inner.Rollback();
    }
    EXPECT_EQ(name(), "renamed");
    widgets.DeleteWhere(Widgets::ID == key);
    EXPECT_EQ(name(), "gone");
    EXPECT_EQ(CountRows(Parts::SPEC), 0);
    transaction.Commit();
}
