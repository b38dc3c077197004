#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Mail/TCKnmsField.h"

#pragma GCC visibility push(default)

class TCKnmsServiceProxy;
class TCKnmsConnection;

// The address of a service at the mail router: a process name and, optionally, a task of it.
class TCKnmsServiceName {
public:
    TCKnmsServiceName() = default;
    // A service of a process on this unit; the task may be empty.
    static TCKnmsServiceName MakeLocalProcess(const std::string& process, const std::string& task);

    const std::string& get_Process() const { return m_Process; }
    const std::string& get_Task() const { return m_Task; }
    // "process" or "process/task": the name the router knows the service by.
    std::string get_AsString() const;
    bool IsEmpty() const { return m_Process.empty(); }

private:
    std::string m_Process;
    std::string m_Task;
};

// Values of the request marker.
enum TEKnmsMarker : int {
    KNMS_MARKER_REQUEST = 1,
    KNMS_MARKER_REPLY = -1,
    KNMS_MARKER_ERROR_REPLY = 2,
    KNMS_MARKER_NOTICE = 0, // neither request nor reply, e.g. status broadcasts
};

// One mail: its class, a signal type, the request marker and the records. A received mail remembers the
// connection it came by, so that a reply made from it with CreateResponse can be sent back.
class TCKnmsMessage {
public:
    TCKnmsMessage() = default;
    TCKnmsMessage(int mailClassID, int signalType, int marker);
    static TCKnmsMessage Create(int mailClassID, int signalType, int marker);

    int get_MailClassID() const { return m_MailClassID; }
    int get_SignalType() const { return m_SignalType; }
    int get_Marker() const { return m_Marker; }
    bool IsRequest() const { return m_Marker == KNMS_MARKER_REQUEST; }
    void set_Marker(int marker) { m_Marker = marker; }

    size_t get_RecordCount() const { return m_Records.size(); }
    // Throws TCException for an index past the last record.
    TCKnmsRecord& get(size_t index);
    const TCKnmsRecord& get(size_t index) const;
    TCKnmsRecord& AddRecord(size_t fieldCount = 0);
    std::vector<TCKnmsRecord>& Records() { return m_Records; }
    const std::vector<TCKnmsRecord>& Records() const { return m_Records; }

    // Makes this message the reply (marker as given: KNMS_MARKER_REPLY, KNMS_MARKER_ERROR_REPLY) to
    // `request`: same class and signal, addressed to its sender, no records.
    void CreateResponse(const TCKnmsMessage& request, int marker);
    // Sends through the proxy's connection to a service; flags are reserved (pass 0).
    // Throws TCException when the router cannot be reached.
    void Send(const TCKnmsServiceName& to, TCKnmsServiceProxy& proxy, int flags);
    // Sends a reply made with CreateResponse back the way the request came. Throws TCException when that
    // connection is gone.
    void SendResponse();
    // Takes everything of `other`, its return route included.
    void Copy(const TCKnmsMessage& other) { *this = other; }

    // Set by the transport.
    uint64_t get_Sequence() const { return m_Sequence; }
    void set_Sequence(uint64_t sequence) { m_Sequence = sequence; }
    uint64_t get_ReplyTo() const { return m_ReplyTo; }
    void set_ReplyTo(uint64_t sequence) { m_ReplyTo = sequence; }
    const std::string& get_Sender() const { return m_Sender; }
    void set_Sender(const std::string& sender) { m_Sender = sender; }
    void set_Route(std::weak_ptr<TCKnmsConnection> route) { m_Route = std::move(route); }

private:
    int m_MailClassID = 0;
    int m_SignalType = 0;
    int m_Marker = KNMS_MARKER_NOTICE;
    uint64_t m_Sequence = 0;
    uint64_t m_ReplyTo = 0;
    std::string m_Sender;      // the router's name of the sending connection
    std::string m_ReplyTarget; // where SendResponse goes
    std::weak_ptr<TCKnmsConnection> m_Route;
    std::vector<TCKnmsRecord> m_Records;
};

#pragma GCC visibility pop
