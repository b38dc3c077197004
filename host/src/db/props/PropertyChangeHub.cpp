#include "db/props/PropertyChangeHub.h"

#include <cstdio>

#include "db/core/DatabaseInstance.h"
#include "db/props/PropertyTable.h"

namespace Property::Store {

// Other processes' changes reach notifiers within this interval (plus the poll itself).
constexpr int kPollIntervalMs = 500;

class PropertyWatcherThread : public TCBasicThread {
public:
    explicit PropertyWatcherThread(PropertyChangeHub& hub) : m_Hub(hub) { CreateThread("PropertyWatcher"); }
    ~PropertyWatcherThread() override { Stop(); }

protected:
    int Execute() override {
        while (!IsTerminated()) {
            WaitObjects(kPollIntervalMs);
            if (IsTerminated()) break;
            m_Hub.Poll();
        }
        return 0;
    }
    // Only this thread's connection: TCDatabase::Close would close the database for the whole process.
    void Shutdown() override { DB::Core::CloseThreadConnection(); }

private:
    PropertyChangeHub& m_Hub;
};

PropertyChangeHub& PropertyChangeHub::Instance() {
    static PropertyChangeHub hub;
    return hub;
}

PropertyChangeHub::~PropertyChangeHub() {
    std::lock_guard<std::mutex> control(m_ControlLock);
    m_Watcher.reset();
}

void PropertyChangeHub::Add(TCCommonPropertyChangeNotifier* notifier) {
    std::lock_guard<std::mutex> control(m_ControlLock);
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        first = m_Notifiers.empty();
        m_Notifiers.insert(notifier);
    }
    if (!first) return;

    // Start from the present: what was changed before anyone watched is not announced. When the database
    // cannot be read yet, the watcher's first pass takes the starting point instead.
    int64_t start = -1;
    try {
        TCDBProperties::EnsureExists();
        start = TCDBProperties().MaxChangeSeq();
    } catch (const std::exception&) {
    }
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_LastSeenSeq = start;
        m_LocalChanges.clear();
    }
    m_Watcher = std::make_unique<PropertyWatcherThread>(*this);
    m_Watcher->Resume();
}

void PropertyChangeHub::Remove(TCCommonPropertyChangeNotifier* notifier) {
    std::lock_guard<std::mutex> control(m_ControlLock);
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Notifiers.erase(notifier);
        if (!m_Notifiers.empty()) return;
    }
    m_Watcher.reset(); // joins; the watcher never takes the control lock
}

void PropertyChangeHub::ExpectLocal(int64_t seq, const TCCommonPropertyObject& property) {
    std::lock_guard<std::mutex> lock(m_Lock);
    if (m_Notifiers.empty()) return; // no watcher to tell
    m_LocalChanges[seq] =
        LocalChange{property.get_ID().get_Number(), property.get_RecordID(), property.get_Value()};
}

void PropertyChangeHub::ForgetLocal(int64_t seq) {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_LocalChanges.erase(seq);
}

void PropertyChangeHub::Broadcast(TENotificationType type, const TCCommonPropertyObject& property) {
    std::lock_guard<std::mutex> lock(m_Lock);
    for (TCCommonPropertyChangeNotifier* notifier : m_Notifiers)
        notifier->Push(type, property);
}

bool PropertyChangeHub::IsOwnChange(int64_t seq, const TCCommonPropertyObject& property) const {
    const auto found = m_LocalChanges.find(seq);
    // Compared by content too: a sequence number whose write was rolled back may be reused by another
    // process for a different change.
    return found != m_LocalChanges.end() && found->second.PropertyNumber == property.get_ID().get_Number() &&
           found->second.Record == property.get_RecordID() && found->second.Value == property.get_Value();
}

void PropertyChangeHub::Poll() {
    try {
        TCDBProperties::EnsureExists();
        TCDBProperties table;
        int64_t last = 0;
        {
            std::lock_guard<std::mutex> lock(m_Lock);
            last = m_LastSeenSeq;
        }
        if (last < 0) {
            const int64_t start = table.MaxChangeSeq();
            std::lock_guard<std::mutex> lock(m_Lock);
            if (m_LastSeenSeq < 0) m_LastSeenSeq = start;
            return;
        }

        DB::TCDBIterator rows = table.Select("*", Table_Properties::CHANGE_SEQ > last,
                                             DB::TCDBOrder(Table_Properties::CHANGE_SEQ));
        std::lock_guard<std::mutex> lock(m_Lock);
        int64_t seen = last;
        for (; rows.IsNotEnd(); rows.Next()) {
            const int64_t seq = rows.Field(Table_Properties::CHANGE_SEQ).get_AsBigInt();
            const TCCommonPropertyObject property = PropertyFromRow(rows);
            if (seq > seen) seen = seq;
            if (IsOwnChange(seq, property)) continue;
            const auto type = property.IsSet() ? TENotificationType::Changed : TENotificationType::Removed;
            for (TCCommonPropertyChangeNotifier* notifier : m_Notifiers)
                notifier->Push(type, property);
        }
        // Local entries up to what was seen are settled: announced, or rolled back and never to appear.
        m_LocalChanges.erase(m_LocalChanges.begin(), m_LocalChanges.upper_bound(seen));
        m_LastSeenSeq = seen;
        m_LastPollError.clear();
    } catch (const std::exception& e) {
        // Reported once per distinct failure, not every half second.
        std::lock_guard<std::mutex> lock(m_Lock);
        if (m_LastPollError != e.what()) {
            m_LastPollError = e.what();
            std::fprintf(stderr, "property watcher: %s\n", e.what());
        }
    }
}

} // namespace Property::Store
