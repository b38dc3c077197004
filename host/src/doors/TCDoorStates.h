#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Access/TCDoorCodes.h"
#include "Accessories/TCRecordID.h"
#include "Mail/TCKnmsField.h"

namespace Access {

// The simulated doors: the command each is under, a running release, and the state that follows from
// them. Doors are the rows of the doors table, read when first needed.
class TCDoorStates {
public:
    struct TCDoor {
        Accessories::TCRecordID ID;
        Accessories::TCRecordID Keynode;
        int Control = DOOR_CONTROL_NORMAL;
        int64_t ReleasedUntilMs = 0; // monotonic; 0: no release running
        int ReleaseCause = DOOR_CAUSE_NONE;
        int64_t Version = 0;
    };

    explicit TCDoorStates(int releaseMs);

    // Re-reads the doors table: new doors start locked in normal operation, gone ones are dropped.
    // Returns every door.
    std::vector<Accessories::TCRecordID> Reload();
    // The door, read from the table when it is not known yet; null when there is no such door.
    const TCDoor* Find(const Accessories::TCRecordID& doorID);

    void Command(const Accessories::TCRecordID& doorID, eDoorControl control, int64_t nowMs);
    // A granted read: the door opens for a while unless it is held open anyway. False when blocked.
    bool Grant(const Accessories::TCRecordID& doorID, int64_t nowMs);
    // Ends the releases that ran out; returns their doors.
    std::vector<Accessories::TCRecordID> Expire(int64_t nowMs);
    // Milliseconds until the next release ends; -1 when none runs.
    int64_t MsUntilNextExpiry(int64_t nowMs) const;

    // The position and cause the door shows, as TEDoorPosition and TEDoorPositionCause.
    static std::pair<int, int> PositionOf(const TCDoor& door, int64_t nowMs);
    // Writes keynode, position, cause, exception, intrusion and version from `first` on.
    void WriteState(const TCDoor& door, TCKnmsRecord& record, int first, int64_t nowMs) const;

    // The MAC address text ("aa:bb:..") of the keynode that drives the door; empty when not known.
    static std::string KeynodeMac(const Accessories::TCRecordID& keynode);

private:
    void Changed(TCDoor& door) { door.Version = ++m_LastVersion; }

    int m_ReleaseMs;
    int64_t m_LastVersion;
    std::map<Accessories::TCRecordID, TCDoor> m_Doors;
};

} // namespace Access
