#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Accessories/TCRecordID.h"
#include "Accessories/TCUTCTime.h"
#include "Mail/TCKnmsServiceProxy.h"
#include "Thread/TCThread.h"

#pragma GCC visibility push(default)

namespace Access {

class TCDoorStates;

struct TCDoorServiceConfig {
    std::string socketPath;           // the mail router's; empty: TCKnmsServiceProxy::DefaultSocketPath()
    int releaseMs = 5000;             // how long a granted read or a release command keeps a door open
    std::function<TCUTCTime()> clock; // the time access is decided at; empty: the system clock
};

// The door service "@keynodeaccess.doors": it drives the site's doors (here: simulates them), takes door
// commands and card reads through the mail router, decides access, writes the access events and
// reports every change of a door's state to the Web API service ("@keynodeweb.webapi"). Runs on its own
// thread between Start and Stop. Mails and their codes: docs/door-service.md.
class TCDoorService : public TCKnmsServiceProxy, public TCThread {
public:
    explicit TCDoorService(TCDoorServiceConfig config = {});
    ~TCDoorService() override;

    static TCKnmsServiceName GetServiceName();
    void Start();

protected:
    int Execute() override;
    void OnServiceMail(TCKnmsMessage& mail) override;

private:
    void AnswerStatusRequest(const TCKnmsMessage& mail);
    void AnswerCommand(const TCKnmsMessage& mail);
    void AnswerCardQuery(const TCKnmsMessage& mail);
    void TakeCardRead(const TCKnmsMessage& mail);
    // Tells the Web API service the doors' current states; it may not be there, which is no fault.
    void ReportStates(const std::vector<Accessories::TCRecordID>& doors);

    static constexpr int WAIT_MAIL = 1;
    // Records of one mail beyond this are not looked at: a peer cannot make the service work unboundedly.
    static constexpr size_t MAX_RECORDS = 64;

    TCDoorServiceConfig m_Config;
    std::unique_ptr<TCDoorStates> m_Doors; // used by the service thread only
};

} // namespace Access

#pragma GCC visibility pop
