#include "Thread/TCThread.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// A thread whose Execute waits once on its events and whose Shutdown records that it ran.
class SingleWaitThread : public TCThread {
public:
    ~SingleWaitThread() override { Stop(); }

    TCSignalEventObject Wake;
    TCSignalEventObject Waiting;
    TCSignalEventObject Executed;

    std::vector<std::string> Log() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Log;
    }

protected:
    int Execute() override {
        Waiting.Signal();
        const int result = WaitObjects(-1);
        Append("execute returned " + std::to_string(result));
        Executed.Signal();
        return 0;
    }
    void Shutdown() override { Append("shutdown"); }

private:
    void Append(const std::string& entry) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Log.push_back(entry);
    }
    std::mutex m_Mutex;
    std::vector<std::string> m_Log;
};

// WaitObjects can be driven from the test thread itself, without starting the thread.
class IdleThread : public TCThread {
public:
    ~IdleThread() override { Stop(); }

protected:
    int Execute() override { return 0; }
};

constexpr int kLongWaitMs = 30000; // only reached if a wake-up is lost

} // namespace

TEST(SignalEventObject, IsAutoReset) {
    TCSignalEventObject event;
    EXPECT_FALSE(event.IsSignaled());
    event.Signal();
    EXPECT_TRUE(event.IsSignaled());
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.IsSignaled());
    EXPECT_FALSE(event.Wait(0));

    event.Signal();
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
}

TEST(WaitObjects, ReturnsLowestSignalledIndexAndConsumesIt) {
    IdleThread thread;
    TCSignalEventObject first, second;
    thread.AddWait(2, second);
    thread.AddWait(1, first);

    second.Signal();
    first.Signal();
    EXPECT_EQ(thread.WaitObjects(0), 1);
    EXPECT_FALSE(first.IsSignaled());
    EXPECT_TRUE(second.IsSignaled());
    EXPECT_EQ(thread.WaitObjects(0), 2);
    EXPECT_EQ(thread.WaitObjects(0), TCBasicThread::WAIT_TIMEOUT);
}

TEST(WaitObjects, TimesOutWithoutSignal) {
    IdleThread thread;
    TCSignalEventObject event;
    thread.AddWait(0, event);
    EXPECT_EQ(thread.WaitObjects(10), TCBasicThread::WAIT_TIMEOUT);
}

TEST(WaitObjects, WokenBySignalFromAnotherThread) {
    IdleThread thread;
    TCSignalEventObject event;
    thread.AddWait(5, event);
    std::thread signaller([&] { event.Signal(); });
    EXPECT_EQ(thread.WaitObjects(kLongWaitMs), 5);
    signaller.join();
}

TEST(WaitObjects, ReturnsAtOnceAfterStopEvenWithSignalPending) {
    IdleThread thread;
    TCSignalEventObject event;
    thread.AddWait(0, event);
    thread.Stop();
    event.Signal();
    EXPECT_EQ(thread.WaitObjects(-1), TCBasicThread::WAIT_TIMEOUT);
    EXPECT_TRUE(thread.IsTerminated());
}

TEST(WaitObjects, ReusedIndexReplacesEarlierEvent) {
    IdleThread thread;
    TCSignalEventObject old, replacement;
    thread.AddWait(1, old);
    thread.AddWait(1, replacement);
    old.Signal();
    EXPECT_EQ(thread.WaitObjects(0), TCBasicThread::WAIT_TIMEOUT);
    replacement.Signal();
    EXPECT_EQ(thread.WaitObjects(0), 1);
}

TEST(WaitObjects, DestroyedEventIsUnregistered) {
    IdleThread thread;
    TCSignalEventObject survivor;
    thread.AddWait(2, survivor);
    {
        TCSignalEventObject shortLived;
        thread.AddWait(1, shortLived);
        shortLived.Signal();
    }
    survivor.Signal();
    EXPECT_EQ(thread.WaitObjects(0), 2);
}

TEST(BasicThread, EventSignalWakesRunningThread) {
    SingleWaitThread thread;
    thread.AddWait(3, thread.Wake);
    thread.CreateThread("wake-test");
    thread.Resume();
    ASSERT_TRUE(thread.Waiting.Wait(kLongWaitMs));
    thread.Wake.Signal();
    ASSERT_TRUE(thread.Executed.Wait(kLongWaitMs));
    thread.Stop();
    EXPECT_EQ(thread.Log(), (std::vector<std::string>{"execute returned 3", "shutdown"}));
}

TEST(BasicThread, StopWakesWaitAndRunsShutdownAfterExecute) {
    SingleWaitThread thread;
    thread.AddWait(0, thread.Wake);
    thread.CreateThread("stop-test");
    thread.Resume();
    EXPECT_TRUE(thread.IsRunning());
    ASSERT_TRUE(thread.Waiting.Wait(kLongWaitMs));
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.Log(), (std::vector<std::string>{"execute returned -1", "shutdown"}));
}

TEST(BasicThread, CanBeResumedAfterStop) {
    SingleWaitThread thread;
    thread.CreateThread("restart-test");
    thread.Resume();
    thread.Stop();
    thread.Resume();
    EXPECT_FALSE(thread.IsTerminated());
    thread.Stop();
    EXPECT_EQ(thread.Log().size(), 4u);
}

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
    TCCriticalSection section;
    ASSERT_TRUE(section.Enter());
    ASSERT_TRUE(section.Enter(0)); // the owner enters again
    bool enteredElsewhere = true;
    std::thread([&] { enteredElsewhere = section.Enter(10); }).join();
    EXPECT_FALSE(enteredElsewhere);

    section.Leave();
    std::thread([&] { enteredElsewhere = section.Enter(10); }).join();
    EXPECT_FALSE(enteredElsewhere) << "still held once";

    section.Leave();
    std::thread([&] {
        enteredElsewhere = section.Enter(kLongWaitMs);
        if (enteredElsewhere) section.Leave();
    }).join();
    EXPECT_TRUE(enteredElsewhere);
}

TEST(TickCounter, TracksActivationAndExpiry) {
    TCTickCounter counter;
    EXPECT_FALSE(counter.Activated());
    EXPECT_FALSE(counter.Expired());

    counter.SetTimeout(0);
    EXPECT_TRUE(counter.Activated());
    EXPECT_TRUE(counter.Expired());
    EXPECT_EQ(counter.RemainingMs(), 0);

    counter.SetTimeout(3600 * 1000);
    EXPECT_FALSE(counter.Expired());
    EXPECT_GT(counter.RemainingMs(), 0);

    counter.Clear();
    EXPECT_FALSE(counter.Activated());
    EXPECT_FALSE(counter.Expired());
}
