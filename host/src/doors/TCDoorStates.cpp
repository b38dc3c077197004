#include "doors/TCDoorStates.h"

#include <algorithm>
#include <chrono>

#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"
#include "Net/TCMACAddress.h"

using Accessories::TCRecordID;

namespace Access {

TCDoorStates::TCDoorStates(int releaseMs)
    : m_ReleaseMs(releaseMs),
      // Versions only grow, also over restarts of the service: they start at the wall clock's microseconds.
      m_LastVersion(std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count()) {}

std::vector<TCRecordID> TCDoorStates::Reload() {
    TCDBDoors doors;
    std::map<TCRecordID, TCDoor> current;
    for (DB::TCDBIterator row = doors.SelectAll(); row.IsNotEnd(); row.Next()) {
        const TCRecordID id = row.Field(Table_AccessDoors::ID).get_AsRecordID();
        const auto known = m_Doors.find(id);
        TCDoor door = known != m_Doors.end() ? known->second : TCDoor{};
        door.ID = id;
        door.Keynode = row.Field(Table_AccessDoors::KEYNODE).get_AsRecordID();
        if (door.Version == 0) Changed(door);
        current[id] = door;
    }
    m_Doors.swap(current);
    std::vector<TCRecordID> ids;
    for (const auto& entry : m_Doors)
        ids.push_back(entry.first);
    return ids;
}

const TCDoorStates::TCDoor* TCDoorStates::Find(const TCRecordID& doorID) {
    if (doorID.IsNull()) return nullptr;
    auto known = m_Doors.find(doorID);
    if (known != m_Doors.end()) return &known->second;
    TCDBDoors doors;
    DB::TCDBIterator row = doors.SelectPrimary(doorID);
    if (!row.IsNotEnd()) return nullptr;
    TCDoor& door = m_Doors[doorID];
    door.ID = doorID;
    door.Keynode = row.Field(Table_AccessDoors::KEYNODE).get_AsRecordID();
    Changed(door);
    return &door;
}

void TCDoorStates::Command(const TCRecordID& doorID, eDoorControl control, int64_t nowMs) {
    TCDoor& door = m_Doors.at(doorID);
    if (control == DOOR_CONTROL_RELEASE) {
        door.Control = DOOR_CONTROL_NORMAL;
        door.ReleasedUntilMs = nowMs + m_ReleaseMs;
        door.ReleaseCause = DOOR_CAUSE_OPERATOR;
    } else {
        door.Control = control;
        door.ReleasedUntilMs = 0;
        door.ReleaseCause = DOOR_CAUSE_NONE;
    }
    Changed(door);
}

bool TCDoorStates::Grant(const TCRecordID& doorID, int64_t nowMs) {
    TCDoor& door = m_Doors.at(doorID);
    if (door.Control == DOOR_CONTROL_BLOCK) return false;
    if (door.Control != DOOR_CONTROL_KEEP_OPEN) {
        door.ReleasedUntilMs = nowMs + m_ReleaseMs;
        door.ReleaseCause = DOOR_CAUSE_ACCESS_GRANTED;
        Changed(door);
    }
    return true;
}

std::vector<TCRecordID> TCDoorStates::Expire(int64_t nowMs) {
    std::vector<TCRecordID> ended;
    for (auto& [id, door] : m_Doors)
        if (door.ReleasedUntilMs != 0 && door.ReleasedUntilMs <= nowMs) {
            door.ReleasedUntilMs = 0;
            door.ReleaseCause = DOOR_CAUSE_NONE;
            Changed(door);
            ended.push_back(id);
        }
    return ended;
}

int64_t TCDoorStates::MsUntilNextExpiry(int64_t nowMs) const {
    int64_t next = -1;
    for (const auto& entry : m_Doors)
        if (entry.second.ReleasedUntilMs != 0) {
            const int64_t left = std::max<int64_t>(entry.second.ReleasedUntilMs - nowMs, 0);
            next = next < 0 ? left : std::min(next, left);
        }
    return next;
}

std::pair<int, int> TCDoorStates::PositionOf(const TCDoor& door, int64_t nowMs) {
    if (door.Control == DOOR_CONTROL_BLOCK) return {DOOR_POSITION_BLOCKED, DOOR_CAUSE_OPERATOR};
    if (door.Control == DOOR_CONTROL_KEEP_OPEN) return {DOOR_POSITION_HELD_OPEN, DOOR_CAUSE_OPERATOR};
    if (door.ReleasedUntilMs > nowMs) return {DOOR_POSITION_RELEASED, door.ReleaseCause};
    if (door.Control == DOOR_CONTROL_KEEP_LOCKED) return {DOOR_POSITION_LOCKED, DOOR_CAUSE_OPERATOR};
    return {DOOR_POSITION_LOCKED, DOOR_CAUSE_NORMAL_OPERATION};
}

void TCDoorStates::WriteState(const TCDoor& door, TCKnmsRecord& record, int first, int64_t nowMs) const {
    const auto [position, cause] = PositionOf(door, nowMs);
    record.Field(size_t(first)) = door.Keynode;
    record.Field(size_t(first + 1)) = position;
    record.Field(size_t(first + 2)) = cause;
    // The simulated units are always reachable and have no door contacts to report an intrusion.
    record.Field(size_t(first + 3)) = int(DOOR_EXCEPTION_NONE);
    record.Field(size_t(first + 4)) = int(DOOR_INTRUSION_NONE);
    record.Field(size_t(first + 5)) = door.Version;
}

std::string TCDoorStates::KeynodeMac(const TCRecordID& keynode) {
    if (keynode.IsNull()) return {};
    System::TCDBKeynodes keynodes;
    DB::TCDBIterator row = keynodes.SelectPrimary(keynode);
    TCMACAddress mac;
    if (!row.IsNotEnd() || !mac.Parse(row.Field(Table_SystemKeynodes::MAC).get_AsString())) return {};
    return mac.get_AsString(':');
}

} // namespace Access
