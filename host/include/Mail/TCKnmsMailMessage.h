#pragma once
#include <string>

#include "Host/TCException.h"
#include "Mail/TCKnmsMessage.h"

#pragma GCC visibility push(default)

// A mail whose records are of one record type T (see Mail/TCKnmsRecords.h). Every record holds exactly
// T::FIELD_COUNT fields: missing ones read as null, surplus ones are dropped.
template <class T> class TCKnmsMailMessage {
public:
    TCKnmsMailMessage() = default;
    TCKnmsMailMessage(int mailClassID, int signalType, int marker)
        : m_Message(mailClassID, signalType, marker) {
        SetRecordType();
    }
    static TCKnmsMailMessage Create(int mailClassID, int signalType, int marker) {
        return TCKnmsMailMessage(mailClassID, signalType, marker);
    }

    // Takes the mail and checks that T describes its records.
    void Copy(const TCKnmsMessage& message) {
        m_Message.Copy(message);
        SetRecordType();
    }

    // Throws TCException when T does not describe the records of the mail's class.
    void SetRecordType() {
        if (!T::CarriesMailClass(m_Message.get_MailClassID()))
            throw TCException(__FILE__, __LINE__)
                .Format("SignalType %s and Signalname %d have no associated records",
                        std::to_string(m_Message.get_SignalType()).c_str(), m_Message.get_MailClassID());
        for (TCKnmsRecord& record : m_Message.Records())
            record.Resize(T::FIELD_COUNT);
    }

    size_t get_RecordCount() const { return m_Message.get_RecordCount(); }
    TCKnmsRecord& get(size_t index) { return m_Message.get(index); }
    const TCKnmsRecord& get(size_t index) const { return m_Message.get(index); }
    TCKnmsRecord& AddRecord() { return m_Message.AddRecord(T::FIELD_COUNT); }
    // For record types that are views of a record (TCKnmsCardQueryObject): appends one and returns its view.
    T CreateRecord() { return T(AddRecord()); }

    void CreateResponse(const TCKnmsMessage& request, int marker) {
        m_Message.CreateResponse(request, marker);
        SetRecordType();
    }
    void SendResponse() { m_Message.SendResponse(); }

    TCKnmsMessage& Message() { return m_Message; }
    const TCKnmsMessage& Message() const { return m_Message; }

private:
    TCKnmsMessage m_Message;
};

#pragma GCC visibility pop
