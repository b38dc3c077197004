#pragma once

#pragma GCC visibility push(default)

namespace Event {

// Identity of an event type: the number stored in the event log and a name for display. Converts to the
// number, so it can be passed wherever an event type ID is asked for.
struct TCEventTypeID {
    int ID;
    const char* Name;
    constexpr operator int() const { return ID; }
};

// Identity of an event detail (the definition of one value an event carries).
struct TCEventDetailID {
    int ID;
    const char* Name;
    constexpr operator int() const { return ID; }
};

// Display names of the known definitions; null for a number the host does not define.
const char* FindEventTypeName(int typeID);
const char* FindEventDetailName(int detailID);

} // namespace Event

#pragma GCC visibility pop
