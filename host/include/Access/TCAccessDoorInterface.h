#pragma once
#include <map>
#include <mutex>
#include <set>

#include "Accessories/TCRecordID.h"
#include "Mail/TCKnmsMailMessage.h"
#include "Mail/TCKnmsRecords.h"

#pragma GCC visibility push(default)

class TCKnmsServiceProxy;

// The last reported state of one door. Null parts were never reported.
struct TCDoorState {
    Accessories::TCNullTypes<int> Position;
    Accessories::TCNullTypes<int> Cause;
    Accessories::TCNullTypes<int> Intrusion;
};

// The door service as the API sees it: the state the door service reports in its status mails, and the
// proxy through which commands will go to it ("@keynodeaccess.doors").
class TCAccessDoorInterface {
public:
    // `viaMaster`: the unit is a slave whose doors are reached through the external router.
    void SetProxy(TCKnmsServiceProxy* proxy, bool viaMaster);
    // Forgets the states reported so far; the door service reports them again.
    void Initialize();
    void Refresh();

    // Takes the states of the doors in a status mail.
    void DoorMail(const TCKnmsMailMessage<Access::TCKnmsDoorStatusObject>& mail);
    // Takes a router status; returns the keynodes whose doors went offline with it.
    std::set<Accessories::TCRecordID>
    OnlineStatus(const TCKnmsMailMessage<TCKnmsExternalRouterStatusObject>& mail);

    // False when nothing is known of the door.
    bool FindStatus(const Accessories::TCRecordID& doorID, TCDoorState& state) const;
    bool IsViaMaster() const;
    TCKnmsServiceProxy* GetProxy() const;

private:
    mutable std::mutex m_Mutex;
    TCKnmsServiceProxy* m_Proxy = nullptr;
    bool m_ViaMaster = false;
    std::map<Accessories::TCRecordID, TCDoorState> m_States;
    std::set<Accessories::TCRecordID> m_OfflineKeynodes;
};

#pragma GCC visibility pop
