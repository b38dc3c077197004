#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "Access/TCDoorCodes.h"
#include "Accessories/TCRecordID.h"
#include "Mail/TCKnmsMailMessage.h"
#include "Mail/TCKnmsRecords.h"

#pragma GCC visibility push(default)

class TCKnmsServiceProxy;
class TCKnmsServiceName;

// The door service ("@keynodeaccess.doors") as the API sees it: the door states it reports, kept here so
// that reading a status costs no mail, and the road for commands. Every member may be called from any
// thread.
class TCAccessDoorInterface {
public:
    // The codes of Access/TCDoorCodes.h; a door nothing was reported of has all codes 0 (unknown).
    struct TCDoorState {
        Accessories::TCRecordID DoorID;
        int Position = Access::DOOR_POSITION_UNKNOWN;
        int PositionCause = Access::DOOR_CAUSE_NONE;
        int Exception = Access::DOOR_EXCEPTION_NONE;
        int Intrusion = Access::DOOR_INTRUSION_NONE;
    };

    static TCKnmsServiceName DoorServiceName();

    // `viaMaster`: the unit is a slave whose doors are reached through the external router.
    void SetProxy(TCKnmsServiceProxy* proxy, bool viaMaster);
    // Forgets the states reported so far; the next FindStatus asks the door service again.
    void Initialize();
    void Refresh();

    // Takes the states of the doors in a status mail. A state older than the one held is ignored.
    void DoorMail(const TCKnmsMailMessage<Access::TCKnmsDoorStatusObject>& mail);
    // Takes a router status; returns the keynodes whose doors went offline with it. Doors of an offline
    // keynode report DOOR_EXCEPTION_OFFLINE.
    std::set<Accessories::TCRecordID>
    OnlineStatus(const TCKnmsMailMessage<TCKnmsExternalRouterStatusObject>& mail);

    // The door's state. When nothing was reported since Initialize, the door service is asked for every
    // door's state first (once; after a failed attempt not again for a few seconds).
    TCDoorState FindStatus(const Accessories::TCRecordID& doorID);

    // Sends the command to the door service and waits for its answer; the door's new state is taken at
    // once. Returns the service's result text. Throws TCException when the door service cannot be
    // reached, does not answer in time or refuses the command.
    std::string ChangeState(const std::string& keynodeMac, const Accessories::TCRecordID& doorID,
                            Access::eDoorControl control, const Accessories::TCRecordID& operatorID,
                            const std::string& source);

    bool IsViaMaster() const;
    TCKnmsServiceProxy* GetProxy() const;

private:
    struct TCKnownState {
        TCDoorState State;
        Accessories::TCRecordID Keynode;
        int64_t Version = 0;
    };
    static constexpr int SYNC_TIMEOUT_MS = 2000;
    static constexpr int SYNC_RETRY_MS = 5000;
    static constexpr int COMMAND_TIMEOUT_MS = 5000;

    // Fields from `doorField` on: door, keynode, position, cause, exception, intrusion, version. Call
    // with m_Mutex held.
    void TakeState(const TCKnmsRecord& record, int doorField, int keynodeField);
    void Synchronize();

    mutable std::mutex m_Mutex;
    std::mutex m_SyncMutex; // one synchronisation at a time; the others wait for its outcome
    TCKnmsServiceProxy* m_Proxy = nullptr;
    bool m_ViaMaster = false;
    bool m_Synchronized = false;
    uint64_t m_Generation = 0; // counts Initialize calls, so a synchronisation begun before one is void
    int64_t m_RetryAfterMs = 0;
    std::map<Accessories::TCRecordID, TCKnownState> m_States;
    std::set<Accessories::TCRecordID> m_OfflineKeynodes;
};

#pragma GCC visibility pop
