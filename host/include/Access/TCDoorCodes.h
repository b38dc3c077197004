#pragma once

#pragma GCC visibility push(default)
// The door service's vocabulary: commands and the codes of a door's reported state. What each means for
// a door is written down in docs/door-service.md.

namespace Access {

enum eDoorControl : int {
    DOOR_CONTROL_NORMAL = 0,      // back to normal operation: locked, valid cards open it
    DOOR_CONTROL_RELEASE = 1,     // open for a few seconds, then normal
    DOOR_CONTROL_KEEP_OPEN = 2,   // held open until the next command
    DOOR_CONTROL_KEEP_LOCKED = 3, // locked by the operator; valid cards still open it
    DOOR_CONTROL_BLOCK = 4,       // locked, and every card is refused
};
constexpr int DOOR_CONTROL_COUNT = 5;

enum TEDoorPosition : int {
    DOOR_POSITION_UNKNOWN = 0,
    DOOR_POSITION_LOCKED = 1,
    DOOR_POSITION_RELEASED = 2, // open for a few seconds
    DOOR_POSITION_HELD_OPEN = 3,
    DOOR_POSITION_BLOCKED = 4,
};

enum TEDoorPositionCause : int {
    DOOR_CAUSE_NONE = 0,
    DOOR_CAUSE_NORMAL_OPERATION = 1,
    DOOR_CAUSE_ACCESS_GRANTED = 2,
    DOOR_CAUSE_OPERATOR = 3,
};

enum TEDoorException : int {
    DOOR_EXCEPTION_NONE = 0,
    DOOR_EXCEPTION_OFFLINE = 1, // the unit that drives the door cannot be reached
};

enum TEDoorIntrusion : int {
    DOOR_INTRUSION_NONE = 0,
};

} // namespace Access

#pragma GCC visibility pop
