#pragma once
#include <vector>

#include "Accessories/TCRecordID.h"
#include "Event/TCClientEventDetails.h"

#pragma GCC visibility push(default)

namespace Event {

// An event being composed. It reaches the event log, stamped with the current UTC time, when the object
// is destroyed (or earlier through Write). Writing runs in a transaction of its own on the calling
// thread's connection; inside a transaction the caller already holds, it nests and shares that
// transaction's fate. The destructor never throws: a failed write is reported on stderr.
class TCClientEvent {
public:
    explicit TCClientEvent(int eventTypeID);
    ~TCClientEvent();
    TCClientEvent(const TCClientEvent&) = delete;
    TCClientEvent& operator=(const TCClientEvent&) = delete;

    // Details keep the order in which they were added.
    TCClientEvent& operator<<(const TCClientEventDetails& detail);
    // The keynode the event concerns; null (the default) for this unit.
    void set_Keynode(const Accessories::TCRecordID& keynode) { m_Keynode = keynode; }

    // Writes the event now and returns its ID; the destructor then writes nothing. Throws TCException when
    // the write fails. Writing twice returns the first ID.
    Accessories::TCRecordID Write();

    int get_TypeID() const { return m_TypeID; }
    const std::vector<TCClientEventDetails>& get_Details() const { return m_Details; }

private:
    int m_TypeID;
    Accessories::TCRecordID m_Keynode;
    std::vector<TCClientEventDetails> m_Details;
    Accessories::TCRecordID m_WrittenID;
};

} // namespace Event

#pragma GCC visibility pop
