#pragma once

#pragma GCC visibility push(default)

// Tags group event types so that clients can select whole families of events ("eventTypeTags" of the
// event filter). The links live in the EventTypeTagLinks table, filled by the schema. Numbers are stored
// by clients and must never be reused.
namespace EventTypeTag {

// Every event the Web API service writes (12000 to 12006).
inline constexpr int WebApi = 1;
// Refused or failed Web API requests (12000, 12001, 12002).
inline constexpr int WebApiRequestFailures = 2;
// Event webhook delivery: connection failed, restored, processing failed (12003, 12004, 12005).
inline constexpr int EventWebHook = 3;

} // namespace EventTypeTag

#pragma GCC visibility pop
