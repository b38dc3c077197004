// A request mail as the pipeline sees it, and the mails the service hands to its door interface.
#include <gtest/gtest.h>

#include "Crypto/TCCryptoUtil.h"
#include "Interface/KnaWebRequest_MailRouter.h"
#include "Interface/KnaWebResponse_MailRouter.h"
#include "KnaMain.h"
#include "Mail/TCKnmsRecords.h"
#include "Mail/TCKnmsRouter.h"
#include "support/ApiTestData.h"

using KeynodeApi::KnaWebRequest_MailRouter;
using KeynodeApi::TCWebApiRequestData;

namespace {

struct ParamCase {
    const char* what;
    std::string document; // decoded; "" sends an empty field
    unsigned count;
    const char* id; // expected getParameter("id"); nullptr for none
};

TEST(MailRequestTest, QueryParametersFollowTheFirstEntryWithAValue) {
    const std::string one = TCCryptoUtil::Base64Encode("1"), two = TCCryptoUtil::Base64Encode("2");
    const ParamCase cases[] = {
        {"empty field", "", 0, nullptr},
        {"empty list", R"({"params":[]})", 0, nullptr},
        {"value decoded", R"({"params":[{"name":"id","value_b64":")" + one + R"("}]})", 1, "1"},
        {"null value is invisible", R"({"params":[{"name":"id","value_b64":null}]})", 1, nullptr},
        {"absent value is invisible", R"({"params":[{"name":"id"}]})", 1, nullptr},
        {"first with a value wins",
         R"({"params":[{"name":"id"},{"name":"id","value_b64":")" + one + R"("},{"name":"id","value_b64":")" +
             two + R"("}]})",
         3, "1"},
        {"names match exactly", R"({"params":[{"name":"ID","value_b64":")" + one + R"("}]})", 1, nullptr},
    };
    for (const ParamCase& c : cases) {
        TCWebApiRequestData data;
        data.QueryParams = c.document.empty() ? "" : TCCryptoUtil::Base64Encode(c.document);
        const KnaWebRequest_MailRouter request(data);
        EXPECT_EQ(request.getParameterCount(), c.count) << c.what;
        const std::string* id = request.getParameter("id");
        EXPECT_EQ(id ? *id : std::string("<none>"), c.id ? c.id : "<none>") << c.what;
    }
}

TEST(MailRequestTest, ResponseSizeIsTheBase64Length) {
    KeynodeApi::KnaWebResponse_MailRouter response;
    response.out() << std::string(30, 'x');
    EXPECT_EQ(response.GetResponseSizeBytes(), 40);
    response.ClearOutput();
    EXPECT_EQ(response.GetResponseSizeBytes(), 0);
}

class ServiceMailTest : public testing::Test {
protected:
    ApiTest::TestDataDir m_Data;
};

// The mail entry point, without a router: the service is handed the mail as ProcessProxy would.
class MailFedService : public KeynodeApi::KnaMain {
public:
    MailFedService() : KnaMain(1) {}
    void Feed(TCKnmsMessage mail) { OnServiceMail(mail); }
};

TEST_F(ServiceMailTest, DoorStatusMailsReachTheDoorInterfaceUntilTheKeynodesReload) {
    MailFedService api;
    TCKnmsMailMessage<Access::TCKnmsDoorStatusObject> status(Access::Knms_DoorStatusMail, KNMS_SIGNAL_DATA,
                                                             KNMS_MARKER_NOTICE);
    TCKnmsRecord& record = status.AddRecord();
    record.Field(Access::TCKnmsDoorStatusObject::DOOR_ID) = 7;
    record.Field(Access::TCKnmsDoorStatusObject::POSITION) = 1;
    api.Feed(status.Message());
    EXPECT_EQ(api.GetDoorInterface()->FindStatus(Accessories::TCRecordID(7)).Position, 1);

    // Without a door service to ask again, the door is unknown once the states were forgotten.
    api.ReloadKeynodes();
    EXPECT_EQ(api.GetDoorInterface()->FindStatus(Accessories::TCRecordID(7)).Position, 0);
}

TEST(MailRecordTest, RecordTypesFitTheirClassesOnly) {
    TCKnmsMessage mail(Access::Knms_DoorStatusMail, KNMS_SIGNAL_DATA, KNMS_MARKER_NOTICE);
    mail.AddRecord(1).Field(0) = 3;
    mail.AddRecord(9);
    TCKnmsMailMessage<Access::TCKnmsDoorStatusObject> doors;
    doors.Copy(mail);
    EXPECT_EQ(doors.get(0).size(), size_t(Access::TCKnmsDoorStatusObject::FIELD_COUNT));
    EXPECT_EQ(doors.get(1).size(), size_t(Access::TCKnmsDoorStatusObject::FIELD_COUNT));
    EXPECT_EQ(doors.get(0).Field(0).get_AsInteger(), 3);

    TCKnmsMailMessage<KeynodeApi::TCKnmsWebApiRequestObject> api;
    try {
        api.Copy(mail);
        ADD_FAILURE() << "no exception";
    } catch (const TCException& e) {
        EXPECT_EQ(e.GetHostMessage(), "SignalType 1 and Signalname 3101 have no associated records");
    }
}

TEST(MailRecordTest, PeersAreTheOwnUserOrOfTheAllowedPrimaryGroup) {
    const struct {
        uid_t uid;
        gid_t gid;
        long allowedGroup;
        bool allowed;
    } cases[] = {
        {1000, 1000, -1, true}, {1001, 1000, -1, false}, {0, 0, -1, false},
        {1001, 50, 50, true},   {1001, 51, 50, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TCKnmsRouter::IsPeerAllowed(c.uid, c.gid, 1000, c.allowedGroup), c.allowed)
            << c.uid << "/" << c.gid << " group " << c.allowedGroup;
}

} // namespace
