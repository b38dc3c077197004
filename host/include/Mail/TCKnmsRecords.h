#pragma once
#include "Access/TCCardData.h"
#include "Mail/TCKnmsField.h"

#pragma GCC visibility push(default)
// The mail classes the units exchange and the record types they carry. Each record type lists its fields
// in record order and the mail classes whose records it describes.

// Signal types.
constexpr int KNMS_SIGNAL_DATA = 1;

// Status of the connection to the unit's external router (the master), broadcast to subscribers.
constexpr int Knms_ExternalRouterStatus = 1001;

struct TCKnmsExternalRouterStatusObject {
    static constexpr const char* NAME = "TCKnmsExternalRouterStatusObject";
    enum : int { KEYNODE_ID, ONLINE, FIELD_COUNT };
    static bool CarriesMailClass(int mailClassID) { return mailClassID == Knms_ExternalRouterStatus; }
};

namespace KeynodeApi {

// An API call of another process and its reply.
constexpr int Knms_WebApiRequestMail = 4201;

struct TCKnmsWebApiRequestObject {
    static constexpr const char* NAME = "TCKnmsWebApiRequestObject";
    enum : int {
        USER_NAME,         // text
        PATH,              // text, "/api/v<major>/..."
        METHOD,            // text
        BODY,              // text, Base64
        QUERY_PARAMS,      // text, Base64 of {"params":[{"name":..,"value_b64":..}]}; may be empty
        MAX_RESPONSE_SIZE, // int, largest Base64 response body; 0 or less: no limit
        STATUS,            // int, reply
        RESPONSE_BODY,     // text, Base64, reply
        ERROR_CODE,        // nullable int, error reply
        ERROR_TEXT,        // nullable text, error reply
        FIELD_COUNT
    };
    static bool CarriesMailClass(int mailClassID) { return mailClassID == Knms_WebApiRequestMail; }
};

} // namespace KeynodeApi

namespace Access {

// The state of doors, sent by the door service: notices when a door changes, and the reply to a request
// without records (the state of every door). VERSION grows with every change of the door service, so a
// late notice never overwrites a newer state. Codes: docs/door-service.md.
constexpr int Knms_DoorStatusMail = 3101;
// A card presented at a reader: signal 1 asks the door service for the card record, signal 2 hands it
// the read (status CARD_STATUS_READ) to decide access.
constexpr int Knms_CardQueryMail = 3102;
// A command to one door; the reply carries the result text and the door's new state.
constexpr int Knms_DoorCommandMail = 3103;

constexpr int KNMS_SIGNAL_CARD_QUERY = 1;
constexpr int KNMS_SIGNAL_CARD_READ = 2;

struct TCKnmsDoorStatusObject {
    static constexpr const char* NAME = "Access::TCKnmsDoorStatusObject";
    enum : int { DOOR_ID, KEYNODE_ID, POSITION, CAUSE, EXCEPTION, INTRUSION, VERSION, FIELD_COUNT };
    static bool CarriesMailClass(int mailClassID) { return mailClassID == Knms_DoorStatusMail; }
};

struct TCKnmsDoorCommandObject {
    static constexpr const char* NAME = "Access::TCKnmsDoorCommandObject";
    enum : int {
        KEYNODE_MAC, // text, the unit that drives the door
        DOOR_ID,     // int
        CONTROL,     // int, eDoorControl
        OPERATOR_ID, // nullable int, the web user
        SOURCE,      // text, where the command came from
        RESULT,      // text, reply
        // The door's state after the command, reply; as in TCKnmsDoorStatusObject.
        KEYNODE_ID,
        POSITION,
        CAUSE,
        EXCEPTION,
        INTRUSION,
        VERSION,
        FIELD_COUNT
    };
    static bool CarriesMailClass(int mailClassID) { return mailClassID == Knms_DoorCommandMail; }
};

// A view of one card-query record: the search part (what the reader saw) and the card record (what the
// door service found). Both parts have the fields of TCCardData.
class TCKnmsCardQueryObject {
public:
    static constexpr const char* NAME = "Access::TCKnmsCardQueryObject";
    static constexpr int m_MailClassID = Knms_CardQueryMail;
    // Fields of one part, counted from the part's first field.
    enum : int { CARD_NUMBER, CHIP_NUMBER, CHIP_BITS, DOOR_ID, READER_ID, CARD_ID, STATUS, PART_FIELD_COUNT };
    enum : int { FIND_OFFSET = 0, CARD_RECORD_OFFSET = PART_FIELD_COUNT, FIELD_COUNT = 2 * PART_FIELD_COUNT };
    static bool CarriesMailClass(int mailClassID) { return mailClassID == Knms_CardQueryMail; }

    class TCPart {
    public:
        TCPart(TCKnmsRecord& record, int offset) : m_Record(record), m_Offset(offset) {}
        TCPart& operator=(const TCCardData& data);
        void Get(TCCardData& data) const;

    private:
        TCKnmsField& Field(int index) { return m_Record.Field(size_t(m_Offset + index)); }
        const TCKnmsField& Field(int index) const {
            return static_cast<const TCKnmsRecord&>(m_Record).Field(size_t(m_Offset + index));
        }
        TCKnmsRecord& m_Record;
        int m_Offset;
    };
    class TCFind : public TCPart {
    public:
        explicit TCFind(TCKnmsRecord& record) : TCPart(record, FIND_OFFSET) {}
        using TCPart::operator=;
    };
    class TCCardRecord : public TCPart {
    public:
        explicit TCCardRecord(TCKnmsRecord& record) : TCPart(record, CARD_RECORD_OFFSET) {}
        using TCPart::operator=;
    };

    explicit TCKnmsCardQueryObject(TCKnmsRecord& record) : m_Find(record), m_CardRecord(record) {}

    TCFind& Find() { return m_Find; }
    TCCardRecord& CardRecord() { return m_CardRecord; }

private:
    TCFind m_Find;
    TCCardRecord m_CardRecord;
};

} // namespace Access

#pragma GCC visibility pop
