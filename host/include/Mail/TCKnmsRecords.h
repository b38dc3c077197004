#pragma once

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

// The state of doors, sent by the door service.
constexpr int Knms_DoorStatusMail = 3101;
// A card presented at a reader, sent to the door service.
constexpr int Knms_CardQueryMail = 3102;

struct TCKnmsDoorStatusObject {
    static constexpr const char* NAME = "Access::TCKnmsDoorStatusObject";
    enum : int { DOOR_ID, POSITION, CAUSE, INTRUSION, FIELD_COUNT };
    static bool CarriesMailClass(int mailClassID) { return mailClassID == Knms_DoorStatusMail; }
};

struct TCKnmsCardQueryObject {
    static constexpr const char* NAME = "Access::TCKnmsCardQueryObject";
    enum : int { READER_ID, CARD_NUMBER, CHIP_ID, OPERATOR_ID, FIELD_COUNT };
    static bool CarriesMailClass(int mailClassID) { return mailClassID == Knms_CardQueryMail; }
};

} // namespace Access

#pragma GCC visibility pop
