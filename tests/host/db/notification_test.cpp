#include "support/TestDatabase.h"
#include "support/TestSchema.h"

#include "DB/TCDBChangeNotifier.h"
#include "DB/TCDBTransaction.h"

using namespace TestSchema;
using Accessories::TCRecordID;
using DB::TEDBChangeType;

namespace {

// Collects the changes delivered to it.
class ChangeLog {
public:
    ChangeLog() { m_Listener.Set(this, &ChangeLog::OnChange); }
    std::vector<std::string> Drain() {
        m_Seen.clear();
        m_Listener.GetSignalEvent().Reset(); // as a waiting owner would consume it
        m_Listener.Drain();
        return m_Seen;
    }
    bool IsSignaled() { return m_Listener.GetSignalEvent().IsSignaled(); }

private:
    void OnChange(const DB::TCDBChange& change) {
        const char* type = change.Type == TEDBChangeType::Insert   ? "insert"
                           : change.Type == TEDBChangeType::Delete ? "delete"
                                                                   : "update";
        m_Seen.push_back(std::string(type) + " " + std::to_string(change.TableID) + "/" +
                         std::to_string(change.RecordID.get_ID()));
    }
    DB::TCDatabaseNotificationFunction<ChangeLog> m_Listener;
    std::vector<std::string> m_Seen;
};

std::string Change(const char* type, int table, int64_t id) {
    return std::string(type) + " " + std::to_string(table) + "/" + std::to_string(id);
}

} // namespace

using NotificationTest = DatabaseTest;

TEST_F(NotificationTest, CommitPublishesEveryChangeInOrder) {
    ChangeLog log;
    DB::TCDBTransaction transaction;
    transaction.Begin();
    const int64_t id = AddWidget("w");
    auto row = DB::TCDBBasicTable(Widgets::SPEC).SelectPrimary(TCRecordID(id));
    row.Field(Widgets::SIZE).set_AsInteger(3);
    row.Save();
    EXPECT_TRUE(log.Drain().empty()) << "nothing before the commit";
    transaction.Commit();
    EXPECT_TRUE(log.IsSignaled());
    EXPECT_EQ(log.Drain(), (std::vector<std::string>{Change("insert", WIDGETS_TABLE_ID, id),
                                                     Change("update", WIDGETS_TABLE_ID, id)}));
}

TEST_F(NotificationTest, RollbackPublishesNothing) {
    ChangeLog log;
    {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        AddWidget("w");
        transaction.Rollback();
    }
    {
        DB::TCDBTransaction transaction;
        transaction.Begin();
        AddWidget("y");
    } // destructor rollback
    EXPECT_FALSE(log.IsSignaled());
    EXPECT_TRUE(log.Drain().empty());

    // The dropped changes do not resurface with the next commit either.
    const int64_t id = AddWidget("x");
    EXPECT_EQ(log.Drain(), (std::vector<std::string>{Change("insert", WIDGETS_TABLE_ID, id)}));
}

TEST_F(NotificationTest, SavepointRollbackDropsOnlyItsChanges) {
    ChangeLog log;
    DB::TCDBTransaction outer;
    outer.Begin();
    const int64_t kept = AddWidget("kept");
    {
        DB::TCDBTransaction inner;
        inner.Begin();
        AddWidget("dropped");
        inner.Rollback();
    }
    outer.Commit();
    EXPECT_EQ(log.Drain(), (std::vector<std::string>{Change("insert", WIDGETS_TABLE_ID, kept)}));
}

TEST_F(NotificationTest, ImplicitWritesAndCascadesArePublished) {
    const int64_t widget = AddWidget("w");
    const int64_t part = AddPart(widget, "p");
    ChangeLog log;
    DB::TCDBBasicTable(Widgets::SPEC).DeleteWhere(Widgets::ID == widget);
    const auto changes = log.Drain();
    EXPECT_EQ(changes.size(), 2u);
    EXPECT_NE(std::find(changes.begin(), changes.end(), Change("delete", WIDGETS_TABLE_ID, widget)),
              changes.end());
    EXPECT_NE(std::find(changes.begin(), changes.end(), Change("delete", PARTS_TABLE_ID, part)),
              changes.end());
}
