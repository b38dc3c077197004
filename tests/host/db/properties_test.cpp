// The settings store: typed reads with defaults, per-record values, unsetting, change notification in
// this process and from another process writing the same database file.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "DB/TCDatabase.h"
#include "Host/TCException.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"
#include "Property/TCPropertyChangeNotifier.h"
#include "Property/TCPropertyCollection.h"
#include "support/TestDatabase.h"
#include "support/TestSchema.h"

namespace {

using Accessories::TCNullTypes;
using Accessories::TCRecordID;
using Property::DeleteProperty;
using Property::GetProperty;
using Property::SetProperty;
using Property::TCCommonPropertyObject;
using Property::TENotificationType;

const TCRecordID NO_RECORD;
const std::string SESSION;

// Collects what a notifier delivers.
class Recorder {
public:
    struct Change {
        TENotificationType Type;
        TCCommonPropertyObject Property;
    };

    Recorder() : m_Notifier(this, &Recorder::OnChange) {}
    Property::TCPropertyNotifyFunction<Recorder>& Notifier() { return m_Notifier; }
    const std::vector<Change>& Changes() const { return m_Changes; }

    // Delivers until `count` changes were seen or five seconds passed.
    bool WaitForChanges(size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (m_Changes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) return false;
            m_Notifier.GetSignalEvent().Wait(static_cast<int>(left));
            m_Notifier.Process();
        }
        return true;
    }

private:
    void OnChange(TENotificationType type, const TCCommonPropertyObject& property) {
        m_Changes.push_back(Change{type, property});
    }
    std::vector<Change> m_Changes;
    Property::TCPropertyNotifyFunction<Recorder> m_Notifier; // last: disabled before the list goes
};

using PropertyStoreTest = DatabaseTest;

TEST_F(PropertyStoreTest, UnsetPropertyGivesEveryDefault) {
    const TCCommonPropertyObject p =
        GetProperty(AccessProp::GeneralWebApiSettings_Enabled, NO_RECORD, SESSION);
    EXPECT_FALSE(p.IsSet());
    EXPECT_EQ(p.get_ID(), AccessProp::GeneralWebApiSettings_Enabled);
    EXPECT_TRUE(p.get_AsBool(true));
    EXPECT_TRUE(p.get_AsBool(TCNullTypes<bool>()).IsNull());
    EXPECT_EQ(p.get_AsInteger(20), 20);
    EXPECT_TRUE(p.get_AsInteger(TCNullTypes<int>()).IsNull());
    EXPECT_EQ(p.get_AsBigInt(7LL), 7);
    EXPECT_TRUE(p.get_AsBigInt(TCNullTypes<long long>()).IsNull());
    EXPECT_EQ(p.get_AsString("fallback"), "fallback");
    EXPECT_TRUE(p.get_AsString(TCNullTypes<std::string>()).IsNull());
    EXPECT_EQ(p.get_ChoiceID(1400), 1400);
    EXPECT_EQ(p.get_ChoiceID(AccessProp::Choice_EventWebHookAuthType_Basic),
              AccessProp::Choice_EventWebHookAuthType_Basic);
}

TEST_F(PropertyStoreTest, StoredValuesReadBackAsTheirType) {
    using namespace AccessProp;
    SetProperty(GeneralWebApiSettings_Enabled, 1, NO_RECORD, SESSION);
    SetProperty(GeneralWebApiSettings_HTTPSOnlyIfEnabled, 0, NO_RECORD, SESSION);
    SetProperty(GeneralWebApiSettings_EventWebHook_ConnectRetryCount, -3, NO_RECORD, SESSION);
    SetProperty(GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID, 5000000000LL, NO_RECORD, SESSION);
    SetProperty(GeneralWebApiSettings_EventWebHook_URL, std::string("https://receiver/hook"), NO_RECORD,
                SESSION);
    SetProperty(GeneralWebApiSettings_EventWebHook_AuthType, Property::TCPropertyChoiceID::Find(1401),
                NO_RECORD, SESSION);

    EXPECT_TRUE(GetProperty(GeneralWebApiSettings_Enabled, NO_RECORD, SESSION).get_AsBool(false));
    const auto httpsOnly = GetProperty(GeneralWebApiSettings_HTTPSOnlyIfEnabled, NO_RECORD, SESSION);
    EXPECT_FALSE(httpsOnly.get_AsBool(true));
    EXPECT_EQ(httpsOnly.get_AsBool(TCNullTypes<bool>()), TCNullTypes<bool>(false));
    EXPECT_EQ(GetProperty(GeneralWebApiSettings_EventWebHook_ConnectRetryCount, NO_RECORD, SESSION)
                  .get_AsInteger(6),
              -3);
    const auto last =
        GetProperty(GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID, NO_RECORD, SESSION);
    EXPECT_EQ(last.get_AsBigInt(TCNullTypes<long long>()), TCNullTypes<long long>(5000000000LL));
    // Too big for an int: the int reader falls back instead of truncating.
    EXPECT_EQ(last.get_AsInteger(-1), -1);
    EXPECT_EQ(GetProperty(GeneralWebApiSettings_EventWebHook_URL, NO_RECORD, SESSION).get_AsString(""),
              "https://receiver/hook");
    EXPECT_EQ(GetProperty(GeneralWebApiSettings_EventWebHook_AuthType, NO_RECORD, SESSION).get_ChoiceID(1400),
              1401);
}

TEST_F(PropertyStoreTest, TextsParseStrictly) {
    const auto& id = AccessProp::GeneralWebApiSettings_EventWebHook_ConnectRetryIntervalSeconds;
    const std::vector<std::pair<std::string, int>> cases = {{"42", 42}, {"42s", -1}, {" 42", -1}, {"", -1}};
    for (const auto& [text, expected] : cases) {
        SetProperty(id, text, NO_RECORD, SESSION);
        EXPECT_EQ(GetProperty(id, NO_RECORD, SESSION).get_AsInteger(-1), expected) << "'" << text << "'";
    }
    const std::vector<std::pair<std::string, bool>> bools = {{"TRUE", true}, {"false", false}, {"yes", true}};
    const auto& flag = AccessProp::GeneralWebApiSettings_EventWebHook_VerifySSLCertIfUsed;
    for (const auto& [text, expected] : bools) {
        SetProperty(flag, text, NO_RECORD, SESSION);
        // "yes" is not a bool text, so the default (true) comes back.
        EXPECT_EQ(GetProperty(flag, NO_RECORD, SESSION).get_AsBool(true), expected) << text;
    }
    // Empty text is a value, not an unset property; numeric readers give their defaults for it.
    SetProperty(AccessProp::GeneralWebApiSettings_EventWebHook_UserName, "", NO_RECORD, SESSION);
    const auto user =
        GetProperty(AccessProp::GeneralWebApiSettings_EventWebHook_UserName, NO_RECORD, SESSION);
    EXPECT_TRUE(user.IsSet());
    EXPECT_EQ(user.get_AsString(TCNullTypes<std::string>()), TCNullTypes<std::string>(""));
    EXPECT_EQ(user.get_AsInteger(9), 9);
    EXPECT_TRUE(user.get_AsBool(TCNullTypes<bool>()).IsNull());
}

TEST_F(PropertyStoreTest, RecordValuesAreKeptApartFromTheUnitValue) {
    const auto& id = AccessProp::GeneralWebApiSettings_EventWebHook_URL;
    SetProperty(id, "unit", NO_RECORD, SESSION);
    SetProperty(id, "record 5", TCRecordID(5), SESSION);
    SetProperty(id, "unit again", NO_RECORD, SESSION);

    EXPECT_EQ(GetProperty(id, NO_RECORD, SESSION).get_AsString(""), "unit again");
    EXPECT_EQ(GetProperty(id, TCRecordID(5), SESSION).get_AsString(""), "record 5");
    EXPECT_FALSE(GetProperty(id, TCRecordID(6), SESSION).IsSet());
    EXPECT_EQ(GetProperty(id, TCRecordID(5), SESSION).get_RecordID(), TCRecordID(5));
}

TEST_F(PropertyStoreTest, DeletedPropertyReadsAsUnsetAndCanBeSetAgain) {
    const auto& id = AccessProp::GeneralWebApiSettings_EventWebHook_Password;
    SetProperty(id, "secret", NO_RECORD, SESSION);
    SetProperty(id, "other", TCRecordID(3), SESSION);
    DeleteProperty(id, NO_RECORD, SESSION);
    DeleteProperty(id, NO_RECORD, SESSION); // already unset: no error

    EXPECT_FALSE(GetProperty(id, NO_RECORD, SESSION).IsSet());
    EXPECT_EQ(GetProperty(id, NO_RECORD, SESSION).get_AsString("none"), "none");
    EXPECT_EQ(GetProperty(id, TCRecordID(3), SESSION).get_AsString(""), "other");

    SetProperty(id, "new", NO_RECORD, SESSION);
    EXPECT_EQ(GetProperty(id, NO_RECORD, SESSION).get_AsString(""), "new");
}

TEST(PropertyIDTest, NamesAndNumbersIdentifyOneProperty) {
    const auto& all = Property::TCPropertyID::All();
    std::set<int> numbers;
    std::set<std::string> names;
    for (const Property::TCPropertyID* id : all) {
        EXPECT_TRUE(numbers.insert(id->get_Number()).second) << id->name();
        EXPECT_TRUE(names.insert(id->name()).second) << id->name();
        EXPECT_EQ(id->name().rfind("GeneralWebApiSettings_", 0), 0u) << id->name();
        EXPECT_EQ(Property::TCPropertyID::FindByName(id->name()), id);
        EXPECT_EQ(Property::TCPropertyID::FindByNumber(id->get_Number()), id);
    }
    EXPECT_EQ(all.size(), 19u);
    EXPECT_EQ(AccessProp::GeneralWebApiSettings_Enabled.name(), "GeneralWebApiSettings_Enabled");
    EXPECT_EQ(Property::TCPropertyID::FindByName("generalwebapisettings_enabled"), nullptr);
    EXPECT_EQ(Property::TCPropertyID::FindByName("NoSuchSetting"), nullptr);
    EXPECT_EQ(Property::TCPropertyChoiceID::Find(1400), AccessProp::Choice_EventWebHookAuthType_None);
    EXPECT_EQ(Property::TCPropertyChoiceID::Find(1401).get_ID(), 1401);
    EXPECT_THROW(Property::TCPropertyChoiceID::Find(1402), TCException);
}

TEST(PropertySessionTest, SessionsOpenRenameAndClose) {
    Property::TCPropertyCollection::SetCurrentSession(77, "00:11:22:33:44:55");
    EXPECT_TRUE(Property::TCPropertyCollection::HasSession(77));
    Property::TCPropertyCollection::SetCurrentSession(77, "renamed");
    EXPECT_EQ(Property::TCPropertyCollection::GetSessionName(77), "renamed");
    Property::TCPropertyCollection::DeleteSession(77);
    EXPECT_FALSE(Property::TCPropertyCollection::HasSession(77));
    EXPECT_EQ(Property::TCPropertyCollection::GetSessionName(77), "");
    Property::TCPropertyCollection::DeleteSession(77); // unknown: no effect
}

using PropertyNotificationTest = DatabaseTest;

TEST_F(PropertyNotificationTest, OwnChangesAreQueuedAtOnceAndDeliveredByProcess) {
    Recorder recorder;
    recorder.Notifier().Insert(AccessProp::GeneralWebApiSettings_Enabled);
    recorder.Notifier().Enable();

    SetProperty(AccessProp::GeneralWebApiSettings_Enabled, 1, NO_RECORD, SESSION);
    EXPECT_TRUE(recorder.Notifier().GetSignalEvent().IsSignaled());
    EXPECT_TRUE(recorder.Changes().empty()); // nothing is delivered before Process

    EXPECT_EQ(recorder.Notifier().Process(), 1);
    ASSERT_EQ(recorder.Changes().size(), 1u);
    EXPECT_EQ(recorder.Changes()[0].Type, TENotificationType::Changed);
    EXPECT_EQ(recorder.Changes()[0].Property.get_ID(), AccessProp::GeneralWebApiSettings_Enabled);
    EXPECT_TRUE(recorder.Changes()[0].Property.get_AsBool(false));

    DeleteProperty(AccessProp::GeneralWebApiSettings_Enabled, NO_RECORD, SESSION);
    EXPECT_EQ(recorder.Notifier().Process(), 1);
    ASSERT_EQ(recorder.Changes().size(), 2u);
    EXPECT_EQ(recorder.Changes()[1].Type, TENotificationType::Removed);
    EXPECT_FALSE(recorder.Changes()[1].Property.IsSet());
}

TEST_F(PropertyNotificationTest, OnlyWatchedAndActualChangesAreQueued) {
    Recorder watchOne;
    watchOne.Notifier().Insert(GetProperty(AccessProp::GeneralWebApiSettings_Enabled, NO_RECORD, SESSION));
    watchOne.Notifier().Enable();
    Recorder watchAll;
    watchAll.Notifier().InsertAll();
    watchAll.Notifier().Enable();
    Recorder disabled;
    disabled.Notifier().InsertAll();

    SetProperty(AccessProp::GeneralWebApiSettings_EventWebHook_URL, "u", NO_RECORD, SESSION);
    SetProperty(AccessProp::GeneralWebApiSettings_Enabled, 1, NO_RECORD, SESSION);
    SetProperty(AccessProp::GeneralWebApiSettings_Enabled, "1", NO_RECORD, SESSION); // same text: no change
    DeleteProperty(AccessProp::GeneralWebApiSettings_HTTPSOnlyIfEnabled, NO_RECORD, SESSION); // was unset

    EXPECT_EQ(watchOne.Notifier().Process(), 1);
    EXPECT_EQ(watchAll.Notifier().Process(), 2);
    EXPECT_EQ(disabled.Notifier().Process(), 0);
    EXPECT_FALSE(disabled.Notifier().GetSignalEvent().IsSignaled());

    watchAll.Notifier().Disable();
    SetProperty(AccessProp::GeneralWebApiSettings_EventWebHook_URL, "v", NO_RECORD, SESSION);
    EXPECT_EQ(watchAll.Notifier().Process(), 0);
}

// Another process writes the same database file while this one watches; its changes must arrive, and
// this process's own change must arrive exactly once although the watcher also sees its row.
class PropertyCrossProcessTest : public testing::Test {
protected:
    std::string DatabasePath() const { return m_Dir.get_Path() + "/shared.db"; }
    TempDir m_Dir;
};

// In the child: waits for the parent's go, then writes; the exit status tells the parent whether it worked.
[[noreturn]] void RunWriterChild(int goPipe, const std::string& path) {
    char go = 0;
    if (read(goPipe, &go, 1) != 1) _exit(2);
    try {
        DB::TCDatabase::OpenWithMigrations(path, TestSchema::Migrations(), TestSchema::Tables());
        SetProperty(AccessProp::GeneralWebApiSettings_EventWebHook_URL, "http://receiver", NO_RECORD,
                    SESSION);
        DeleteProperty(AccessProp::GeneralWebApiSettings_EventWebHook_UserName, NO_RECORD, SESSION);
        DB::TCDatabase::Close();
    } catch (...) {
        _exit(3);
    }
    _exit(0);
}

TEST_F(PropertyCrossProcessTest, ChangesOfAnotherProcessArriveOnceEach) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    // Forked before this process opens the database, so the child inherits no SQLite connection.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeEnds[1]);
        RunWriterChild(pipeEnds[0], DatabasePath());
    }
    close(pipeEnds[0]);

    int childStatus = -1;
    {
        DB::TCDatabase::OpenWithMigrations(DatabasePath(), TestSchema::Migrations(), TestSchema::Tables());
        SetProperty(AccessProp::GeneralWebApiSettings_EventWebHook_UserName, "admin", NO_RECORD, SESSION);

        Recorder recorder;
        recorder.Notifier().Insert(AccessProp::GeneralWebApiSettings_Enabled);
        recorder.Notifier().Insert(AccessProp::GeneralWebApiSettings_EventWebHook_URL);
        recorder.Notifier().Insert(AccessProp::GeneralWebApiSettings_EventWebHook_UserName);
        recorder.Notifier().Enable();

        SetProperty(AccessProp::GeneralWebApiSettings_Enabled, 1, NO_RECORD, SESSION);
        const char go = 'g';
        EXPECT_EQ(write(pipeEnds[1], &go, 1), 1);
        close(pipeEnds[1]);

        const bool arrived = recorder.WaitForChanges(3);
        waitpid(child, &childStatus, 0);
        recorder.Notifier().Process(); // a duplicate of the own change would have been queued by now
        DB::TCDatabase::Close();

        ASSERT_TRUE(arrived) << "changes seen: " << recorder.Changes().size();
        ASSERT_EQ(recorder.Changes().size(), 3u);
        EXPECT_EQ(recorder.Changes()[0].Property.get_ID(), AccessProp::GeneralWebApiSettings_Enabled);
        EXPECT_EQ(recorder.Changes()[1].Type, TENotificationType::Changed);
        EXPECT_EQ(recorder.Changes()[1].Property.get_ID(),
                  AccessProp::GeneralWebApiSettings_EventWebHook_URL);
        EXPECT_EQ(recorder.Changes()[1].Property.get_AsString(""), "http://receiver");
        EXPECT_EQ(recorder.Changes()[2].Type, TENotificationType::Removed);
        EXPECT_EQ(recorder.Changes()[2].Property.get_ID(),
                  AccessProp::GeneralWebApiSettings_EventWebHook_UserName);
    }
    ASSERT_TRUE(WIFEXITED(childStatus));
    EXPECT_EQ(WEXITSTATUS(childStatus), 0);
}

} // namespace
