// The event log as clients write it: an event reaches the log when its object goes, with its details in
// the order added, texts whole, and events from several threads all land; ReadEvents pages them by ID.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "DB/TCDBTransaction.h"
#include "DB/TCDatabase.h"
#include "Event/HostEvents.h"
#include "Event/KeynodeWebApiEvents.h"
#include "Event/TCClientEvent.h"
#include "Event/TCEventReader.h"
#include "support/TestDatabase.h"

namespace {

using Accessories::TCNullTypes;
using Accessories::TCRecordID;
using Event::ReadEvents;
using Event::TCClientEvent;
using Event::TCClientEventDetails;
using Event::TCEventRecord;

constexpr int ALL = 1000000;

class EventLogTest : public testing::Test {
protected:
    void SetUp() override { DB::TCDatabase::Open(DatabasePath()); }
    void TearDown() override { DB::TCDatabase::Close(); }
    std::string DatabasePath() const { return m_Dir.get_Path() + "/events.db"; }

    TempDir m_Dir;
};

TCClientEventDetails TextDetail(int detailID, const std::string& text) {
    return TCClientEventDetails(detailID).set_Value(text);
}

TEST_F(EventLogTest, EventIsWrittenWhenItGoesWithItsDetailsInOrder) {
    const int64_t before = TCUTCTime::Now().get_Seconds();
    {
        TCClientEvent event(KeynodeWebApi::Type_RequestFailed);
        event << TextDetail(KeynodeWebApi::Member_UserErrorMessage, "API is disabled");
        event << TCClientEventDetails(KeynodeWebApi::Member_UserErrorCode).set_Value(1);
        event << TCClientEventDetails(KeynodeWebApi::Member_HttpErrorCode).set_Value("%d", 403);
        event << TCClientEventDetails(AccessEvent::DefinitionDetail_DoorID_id, TCNullTypes<int>(4001),
                                      TCRecordID(12), TCNullTypes<std::string>());
        EXPECT_TRUE(ReadEvents(0, ALL).empty()); // not before the object goes
    }
    const int64_t after = TCUTCTime::Now().get_Seconds();

    const std::vector<TCEventRecord> events = ReadEvents(0, ALL);
    ASSERT_EQ(events.size(), 1u);
    const TCEventRecord& e = events[0];
    EXPECT_EQ(e.Type, 12000);
    EXPECT_TRUE(e.Keynode.IsNull());
    ASSERT_TRUE(e.EventTime.IsNotNull());
    EXPECT_GE(e.EventTime.get_Value().get_Seconds(), before);
    EXPECT_LE(e.EventTime.get_Value().get_Seconds(), after);
    EXPECT_TRUE(e.ClearTime.IsNull());
    EXPECT_TRUE(e.ClearedBy.IsNull());

    ASSERT_EQ(e.Details.size(), 4u);
    EXPECT_EQ(e.Details[0].Type, KeynodeWebApi::Member_UserErrorMessage.ID);
    EXPECT_EQ(e.Details[0].Value, TCNullTypes<std::string>("API is disabled"));
    EXPECT_EQ(e.Details[1].Value, TCNullTypes<std::string>("1"));
    EXPECT_EQ(e.Details[2].Type, KeynodeWebApi::Member_HttpErrorCode.ID);
    EXPECT_EQ(e.Details[2].Value, TCNullTypes<std::string>("403"));
    EXPECT_EQ(e.Details[3].Type, AccessEvent::Member_DoorID.ID);
    EXPECT_TRUE(e.Details[3].Value.IsNull());
    EXPECT_EQ(e.Details[3].TableID, TCNullTypes<int>(4001));
    EXPECT_EQ(e.Details[3].OwnerID, TCRecordID(12));
    EXPECT_TRUE(e.Details[0].TableID.IsNull());
    EXPECT_TRUE(e.Details[0].OwnerID.IsNull());
    for (size_t i = 1; i < e.Details.size(); ++i)
        EXPECT_GT(e.Details[i].ID, e.Details[i - 1].ID);
}

TEST_F(EventLogTest, LongTextsAreStoredWhole) {
    const std::string exact(1024, 'x');
    const std::string longer = std::string(2999, 'y') + "z";
    {
        TCClientEvent event(KeynodeWebApi::Type_InternalError);
        event << TextDetail(KeynodeWebApi::Member_InternalError, exact);
        event << TCClientEventDetails(KeynodeWebApi::Member_UserErrorDetails).set_Value("%s", longer.c_str());
    }
    const auto events = ReadEvents(0, ALL);
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].Details.size(), 2u);
    EXPECT_EQ(events[0].Details[0].Value.get_Value(), exact);
    EXPECT_EQ(events[0].Details[1].Value.get_Value(), longer);
}

TEST_F(EventLogTest, IDsAscendInWritingOrderAndReadEventsPages) {
    std::vector<int64_t> written;
    for (int i = 0; i < 5; ++i) {
        TCClientEvent event(KeynodeWebApi::Type_ConnectionFailed);
        event << TCClientEventDetails(KeynodeWebApi::Member_ConnectionErrorCode).set_Value(i);
        written.push_back(event.Write().get_ID());
    }
    for (size_t i = 1; i < written.size(); ++i)
        EXPECT_GT(written[i], written[i - 1]);

    const auto firstTwo = ReadEvents(0, 2);
    ASSERT_EQ(firstTwo.size(), 2u);
    EXPECT_EQ(firstTwo[0].ID, written[0]);
    EXPECT_EQ(firstTwo[1].ID, written[1]);

    const auto rest = ReadEvents(firstTwo[1].ID, ALL);
    ASSERT_EQ(rest.size(), 3u);
    for (size_t i = 0; i < rest.size(); ++i) {
        EXPECT_EQ(rest[i].ID, written[i + 2]);
        ASSERT_EQ(rest[i].Details.size(), 1u);
        EXPECT_EQ(rest[i].Details[0].Value.get_Value(), std::to_string(i + 2));
    }
    EXPECT_TRUE(ReadEvents(written.back(), ALL).empty());
    EXPECT_TRUE(ReadEvents(0, 0).empty());
}

TEST_F(EventLogTest, WriteStoresOnceAndTheDestructorAddsNothing) {
    {
        TCClientEvent event(KeynodeWebApi::Type_EventWebHookProcessingFailed);
        event.set_Keynode(TCRecordID(3));
        const TCRecordID id = event.Write();
        EXPECT_EQ(event.Write(), id);
    }
    const auto events = ReadEvents(0, ALL);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Keynode, TCRecordID(3));
    EXPECT_TRUE(events[0].Details.empty());
}

TEST_F(EventLogTest, FailedWriteInTheDestructorDoesNotThrow) {
    EXPECT_NO_THROW({
        TCClientEvent event(KeynodeWebApi::Type_RequestFailed);
        event << TextDetail(KeynodeWebApi::Member_UserErrorMessage, "lost");
        DB::TCDatabase::Close();
    });
    DB::TCDatabase::Open(DatabasePath());
    EXPECT_TRUE(ReadEvents(0, ALL).empty());
}

TEST_F(EventLogTest, EventInsideARolledBackTransactionGoesWithIt) {
    {
        DB::TCDBTransaction outer(-1);
        outer.Begin(1, false);
        { TCClientEvent event(KeynodeWebApi::Type_ApiActionExecuted); }
        EXPECT_EQ(ReadEvents(0, ALL).size(), 1u); // visible inside the transaction
        outer.Rollback();
    }
    EXPECT_TRUE(ReadEvents(0, ALL).empty());
}

TEST_F(EventLogTest, EventsFromFourThreadsAllLand) {
    constexpr int kThreads = 4;
    constexpr int kEventsPerThread = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kEventsPerThread; ++i) {
                TCClientEvent event(KeynodeWebApi::Type_ApiActionExecuted);
                event << TextDetail(SystemEvent::Member_Information, std::to_string(t));
                event << TCClientEventDetails(WebEvent::Member_OperatorID).set_Value(i);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    const auto events = ReadEvents(0, ALL);
    ASSERT_EQ(events.size(), size_t(kThreads * kEventsPerThread));
    std::set<std::string> seen; // "thread/index" of each event
    for (const TCEventRecord& e : events) {
        ASSERT_EQ(e.Details.size(), 2u) << "event " << e.ID;
        seen.insert(e.Details[0].Value.get_Value() + "/" + e.Details[1].Value.get_Value());
    }
    EXPECT_EQ(seen.size(), size_t(kThreads * kEventsPerThread));
}

TEST(EventDefinitionTest, FixedTypeNumbersAndUniqueDetailNumbers) {
    // These type numbers are what outside systems filter on.
    EXPECT_EQ(KeynodeWebApi::Type_RequestFailed.ID, 12000);
    EXPECT_EQ(KeynodeWebApi::Type_Unauthorized.ID, 12001);
    EXPECT_EQ(KeynodeWebApi::Type_InternalError.ID, 12002);
    EXPECT_EQ(KeynodeWebApi::Type_ConnectionFailed.ID, 12003);
    EXPECT_EQ(KeynodeWebApi::Type_Restored.ID, 12004);
    EXPECT_EQ(KeynodeWebApi::Type_EventWebHookProcessingFailed.ID, 12005);
    EXPECT_EQ(KeynodeWebApi::Type_ApiActionExecuted.ID, 12006);

    const Event::TCEventDetailID details[] = {
        KeynodeWebApi::Member_UserErrorMessage,
        KeynodeWebApi::Member_UserErrorCode,
        KeynodeWebApi::Member_HttpErrorCode,
        KeynodeWebApi::Member_UserErrorDetails,
        KeynodeWebApi::Member_InternalError,
        KeynodeWebApi::Member_ConnectionDestinationUrl,
        KeynodeWebApi::Member_ConnectionErrorCode,
        KeynodeWebApi::Member_ConnectionErrorDescription,
        KeynodeWebApi::Member_ConnectionHttpErrorCode,
        AccessEvent::Member_DoorID,
        AccessEvent::Member_ReaderID,
        AccessEvent::Member_CardNumber,
        AccessEvent::Member_ChipID,
        SystemEvent::Member_Information,
        WebEvent::Member_OperatorID,
    };
    std::set<int> numbers;
    for (const auto& detail : details) {
        EXPECT_TRUE(numbers.insert(detail.ID).second) << detail.Name;
        ASSERT_NE(Event::FindEventDetailName(detail.ID), nullptr) << detail.Name;
        EXPECT_STREQ(Event::FindEventDetailName(detail.ID), detail.Name);
    }
    EXPECT_STREQ(Event::FindEventTypeName(12001), "KeynodeWebApi.Unauthorized");
    EXPECT_EQ(Event::FindEventTypeName(11999), nullptr);
    EXPECT_EQ(Event::FindEventDetailName(-1), nullptr);
}

} // namespace
