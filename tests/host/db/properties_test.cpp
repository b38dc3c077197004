// The settings store: typed reads with defaults, per-record values, unsetting, change notification in
// this process and from another process writing the same database file.
#include "DB/TCDatabase.h"
#include "Host/TCException.h"
#include "Property/AccessProp.h"
#include "Property/TCProperties.h"
#include "Property/TCPropertyChangeNotifier.h"
#include "Property/TCPropertyCollection.h"
#include "support/TestDatabase.h"

#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Accessories::TCNullTypes;
using Accessories::TCRecordID;
using namespace Property;

const TCRecordID NO_RECORD;
const std::string SESSION;

// Collects what a notifier delivers as "changed NAME=value" or "removed NAME".
class Recorder {
public:
    Recorder() : Notifier(this, &Recorder::OnChange) {}
    std::vector<std::string> Changes;
    Property::TCPropertyNotifyFunction<Recorder> Notifier; // after the list: disabled before the list goes

    // Delivers until `count` changes were seen or five seconds passed.
    bool WaitForChanges(size_t count) {
        for (int i = 0; i < 50 && Changes.size() < count; ++i) {
            Notifier.GetSignalEvent().Wait(100);
            Notifier.Process();
        }
        return Changes.size() >= count;
    }

private:
    void OnChange(TENotificationType type, const TCCommonPropertyObject& property) {
        Changes.push_back(type == TENotificationType::Removed
                              ? "removed " + property.get_ID().name() + (property.IsSet() ? " but set" : "")
                              : "changed " + property.get_ID().name() + "=" + property.get_AsString(""));
    }
};

template <class T>
void Set(const Property::TCPropertyID& id, const T& value, const TCRecordID& record = NO_RECORD) {
    SetProperty(id, value, record, SESSION);
}
TCCommonPropertyObject Get(const Property::TCPropertyID& id, const TCRecordID& record = NO_RECORD) {
    return GetProperty(id, record, SESSION);
}
void Unset(const Property::TCPropertyID& id, const TCRecordID& record = NO_RECORD) {
    DeleteProperty(id, record, SESSION);
}

using PropertyStoreTest = DatabaseTest;
using namespace AccessProp;

TEST_F(PropertyStoreTest, UnsetPropertyGivesEveryDefaultStoredValuesReadBackAsTheirType) {
    const TCCommonPropertyObject p = Get(GeneralWebApiSettings_Enabled);
    EXPECT_FALSE(p.IsSet());
    EXPECT_EQ(p.get_ID(), GeneralWebApiSettings_Enabled);
    EXPECT_TRUE(p.get_AsBool(true));
    EXPECT_TRUE(p.get_AsBool(TCNullTypes<bool>()).IsNull());
    EXPECT_EQ(p.get_AsInteger(20), 20);
    EXPECT_TRUE(p.get_AsInteger(TCNullTypes<int>()).IsNull());
    EXPECT_EQ(p.get_AsBigInt(7LL), 7);
    EXPECT_TRUE(p.get_AsBigInt(TCNullTypes<long long>()).IsNull());
    EXPECT_EQ(p.get_AsString("fallback"), "fallback");
    EXPECT_TRUE(p.get_AsString(TCNullTypes<std::string>()).IsNull());
    EXPECT_EQ(p.get_ChoiceID(1400), 1400);
    EXPECT_EQ(p.get_ChoiceID(Choice_EventWebHookAuthType_Basic), Choice_EventWebHookAuthType_Basic);
    Set(GeneralWebApiSettings_Enabled, 1);
    Set(GeneralWebApiSettings_HTTPSOnlyIfEnabled, 0);
    Set(GeneralWebApiSettings_EventWebHook_ConnectRetryCount, -3);
    Set(GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID, 5000000000LL);
    Set(GeneralWebApiSettings_EventWebHook_URL, std::string("https://receiver/hook"));
    Set(GeneralWebApiSettings_EventWebHook_AuthType, Property::TCPropertyChoiceID::Find(1401));

    EXPECT_TRUE(Get(GeneralWebApiSettings_Enabled).get_AsBool(false));
    EXPECT_FALSE(Get(GeneralWebApiSettings_HTTPSOnlyIfEnabled).get_AsBool(true));
    EXPECT_EQ(Get(GeneralWebApiSettings_HTTPSOnlyIfEnabled).get_AsBool(TCNullTypes<bool>()),
              TCNullTypes<bool>(false));
    EXPECT_EQ(Get(GeneralWebApiSettings_EventWebHook_ConnectRetryCount).get_AsInteger(6), -3);
    const auto last = Get(GeneralWebApiSettings_EventWebHook_LastFilteredEventLogID);
    EXPECT_EQ(last.get_AsBigInt(TCNullTypes<long long>()), TCNullTypes<long long>(5000000000LL));
    EXPECT_EQ(last.get_AsInteger(-1), -1)
        << "too big for an int: the int reader falls back instead of truncating";
    EXPECT_EQ(Get(GeneralWebApiSettings_EventWebHook_URL).get_AsString(""), "https://receiver/hook");
    EXPECT_EQ(Get(GeneralWebApiSettings_EventWebHook_AuthType).get_ChoiceID(1400), 1401);
}

TEST_F(PropertyStoreTest, TextsParseStrictlyAndRecordValuesAreKeptApart) {
    for (const auto& [text, expected] :
         std::vector<std::pair<std::string, int>>{{"42", 42}, {"42s", -1}, {" 42", -1}, {"", -1}}) {
        Set(GeneralWebApiSettings_EventWebHook_ConnectRetryIntervalSeconds, text);
        EXPECT_EQ(Get(GeneralWebApiSettings_EventWebHook_ConnectRetryIntervalSeconds).get_AsInteger(-1),
                  expected)
            << "'" << text << "'";
    }
    // "yes" is not a bool text, so the default (true) comes back.
    for (const auto& [text, expected] :
         std::vector<std::pair<std::string, bool>>{{"TRUE", true}, {"false", false}, {"yes", true}}) {
        Set(GeneralWebApiSettings_EventWebHook_VerifySSLCertIfUsed, text);
        EXPECT_EQ(Get(GeneralWebApiSettings_EventWebHook_VerifySSLCertIfUsed).get_AsBool(true), expected)
            << text;
    }
    // Empty text is a value, not an unset property; numeric readers give their defaults for it.
    Set(GeneralWebApiSettings_EventWebHook_UserName, "");
    const auto user = Get(GeneralWebApiSettings_EventWebHook_UserName);
    EXPECT_TRUE(user.IsSet());
    EXPECT_EQ(user.get_AsString(TCNullTypes<std::string>()), TCNullTypes<std::string>(""));
    EXPECT_EQ(user.get_AsInteger(9), 9);
    EXPECT_TRUE(user.get_AsBool(TCNullTypes<bool>()).IsNull());

    // Values of records are kept apart; deleted ones read as unset.
    const auto& id = GeneralWebApiSettings_EventWebHook_URL;
    Set(id, "unit");
    Set(id, "record 5", TCRecordID(5));
    Set(id, "unit again");
    EXPECT_EQ(Get(id).get_AsString(""), "unit again");
    EXPECT_EQ(Get(id, TCRecordID(5)).get_AsString(""), "record 5");
    EXPECT_FALSE(Get(id, TCRecordID(6)).IsSet());
    EXPECT_EQ(Get(id, TCRecordID(5)).get_RecordID(), TCRecordID(5));

    Unset(id);
    Unset(id); // already unset: no error
    EXPECT_FALSE(Get(id).IsSet());
    EXPECT_EQ(Get(id, TCRecordID(5)).get_AsString(""), "record 5");
    Set(id, "new");
    EXPECT_EQ(Get(id).get_AsString(""), "new");
}

TEST(PropertyIDTest, NamesAndNumbersIdentifyOnePropertyAndSessionsOpenRenameAndClose) {
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
    EXPECT_EQ(GeneralWebApiSettings_Enabled.name(), "GeneralWebApiSettings_Enabled");
    EXPECT_EQ(Property::TCPropertyID::FindByName("generalwebapisettings_enabled"), nullptr);
    EXPECT_EQ(Property::TCPropertyID::FindByName("NoSuchSetting"), nullptr);
    EXPECT_EQ(Property::TCPropertyChoiceID::Find(1400), Choice_EventWebHookAuthType_None);
    EXPECT_THROW(Property::TCPropertyChoiceID::Find(1402), TCException);

    using Property::TCPropertyCollection;
    TCPropertyCollection::SetCurrentSession(77, "00:11:22:33:44:55");
    EXPECT_TRUE(TCPropertyCollection::HasSession(77));
    TCPropertyCollection::SetCurrentSession(77, "renamed");
    EXPECT_EQ(TCPropertyCollection::GetSessionName(77), "renamed");
    TCPropertyCollection::DeleteSession(77);
    EXPECT_FALSE(TCPropertyCollection::HasSession(77));
    EXPECT_EQ(TCPropertyCollection::GetSessionName(77), "");
    TCPropertyCollection::DeleteSession(77); // unknown: no effect
}

using PropertyNotificationTest = DatabaseTest;

TEST_F(PropertyNotificationTest, OwnChangesAreQueuedAtOnceAndDeliveredByProcessOnlyWhenWatchedAndActual) {
    Recorder recorder;
    recorder.Notifier.Insert(GeneralWebApiSettings_Enabled);
    recorder.Notifier.Enable();
    Set(GeneralWebApiSettings_Enabled, 1);
    EXPECT_TRUE(recorder.Notifier.GetSignalEvent().IsSignaled());
    EXPECT_TRUE(recorder.Changes.empty()); // nothing is delivered before Process
    EXPECT_EQ(recorder.Notifier.Process(), 1);
    Unset(GeneralWebApiSettings_Enabled);
    EXPECT_EQ(recorder.Notifier.Process(), 1);
    EXPECT_EQ(recorder.Changes, (std::vector<std::string>{"changed GeneralWebApiSettings_Enabled=1",
                                                          "removed GeneralWebApiSettings_Enabled"}));
    Recorder watchOne, watchAll, disabled;
    watchOne.Notifier.Insert(Get(GeneralWebApiSettings_Enabled));
    watchOne.Notifier.Enable();
    watchAll.Notifier.InsertAll();
    watchAll.Notifier.Enable();
    disabled.Notifier.InsertAll();
    Set(GeneralWebApiSettings_EventWebHook_URL, "u");
    Set(GeneralWebApiSettings_Enabled, 1);
    Set(GeneralWebApiSettings_Enabled, "1");         // same text: no change
    Unset(GeneralWebApiSettings_HTTPSOnlyIfEnabled); // was unset
    EXPECT_EQ(watchOne.Notifier.Process(), 1);
    EXPECT_EQ(watchAll.Notifier.Process(), 2);
    EXPECT_EQ(disabled.Notifier.Process(), 0);
    EXPECT_FALSE(disabled.Notifier.GetSignalEvent().IsSignaled());
    watchAll.Notifier.Disable();
    Set(GeneralWebApiSettings_EventWebHook_URL, "v");
    EXPECT_EQ(watchAll.Notifier.Process(), 0);
}

// Another process writes the same database file while this one watches; its changes must arrive, and
// this process's own change must arrive exactly once although the watcher also sees its row.
TEST_F(PropertyNotificationTest, ChangesOfAnotherProcessArriveOnceEach) {
    DB::TCDatabase::Close();
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    // Forked while this process has the database closed, so the child inherits no SQLite connection.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeEnds[1]);
        char go = 0;
        if (read(pipeEnds[0], &go, 1) != 1) _exit(2);
        try {
            DB::TCDatabase::OpenWithMigrations(DatabasePath(), TestSchema::Migrations(),
                                               TestSchema::Tables());
            Set(GeneralWebApiSettings_EventWebHook_URL, "http://receiver");
            Unset(GeneralWebApiSettings_EventWebHook_UserName);
            DB::TCDatabase::Close();
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    close(pipeEnds[0]);
    DB::TCDatabase::OpenWithMigrations(DatabasePath(), TestSchema::Migrations(), TestSchema::Tables());
    Set(GeneralWebApiSettings_EventWebHook_UserName, "admin");
    Recorder recorder;
    for (const auto* id : {&GeneralWebApiSettings_Enabled, &GeneralWebApiSettings_EventWebHook_URL,
                           &GeneralWebApiSettings_EventWebHook_UserName})
        recorder.Notifier.Insert(*id);
    recorder.Notifier.Enable();
    Set(GeneralWebApiSettings_Enabled, 1);
    const char go = 'g';
    EXPECT_EQ(write(pipeEnds[1], &go, 1), 1);
    close(pipeEnds[1]);

    const bool arrived = recorder.WaitForChanges(3);
    int childStatus = -1;
    waitpid(child, &childStatus, 0);
    recorder.Notifier.Process(); // a duplicate of the own change would have been queued by now
    EXPECT_TRUE(WIFEXITED(childStatus) && WEXITSTATUS(childStatus) == 0) << childStatus;
    ASSERT_TRUE(arrived) << "changes seen: " << recorder.Changes.size();
    EXPECT_EQ(recorder.Changes,
              (std::vector<std::string>{"changed GeneralWebApiSettings_Enabled=1",
                                        "changed GeneralWebApiSettings_EventWebHook_URL=http://receiver",
                                        "removed GeneralWebApiSettings_EventWebHook_UserName"}));
}

} // namespace
