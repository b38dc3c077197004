#pragma once
#include "Event/TCEventDefinition.h"

#pragma GCC visibility push(default)

// Event details defined by the host's own services and shared with clients that log events of their own.
// Numbers are stored in the event log and must never be reused.

namespace AccessEvent {
inline constexpr Event::TCEventDetailID Member_DoorID{2100, "AccessEvent.DoorID"};
inline constexpr Event::TCEventDetailID Member_ReaderID{2101, "AccessEvent.ReaderID"};
inline constexpr Event::TCEventDetailID Member_CardNumber{2102, "AccessEvent.CardNumber"};
inline constexpr Event::TCEventDetailID Member_ChipID{2103, "AccessEvent.ChipID"};
inline constexpr Event::TCEventDetailID Member_DenialReason{2104, "AccessEvent.DenialReason"};
inline constexpr Event::TCEventDetailID Member_DoorCommand{2105, "AccessEvent.DoorCommand"};

// Written by the door service.
inline constexpr Event::TCEventTypeID Type_DoorCommanded{2000, "AccessEvent.DoorCommanded"};
inline constexpr Event::TCEventTypeID Type_AccessGranted{2001, "AccessEvent.AccessGranted"};
inline constexpr Event::TCEventTypeID Type_AccessDenied{2002, "AccessEvent.AccessDenied"};

inline constexpr int DefinitionDetail_DoorID_id = Member_DoorID.ID;
inline constexpr int DefinitionDetail_ReaderID_id = Member_ReaderID.ID;
inline constexpr int DefinitionDetail_CardNumber_id = Member_CardNumber.ID;
inline constexpr int DefinitionDetail_ChipID_id = Member_ChipID.ID;
} // namespace AccessEvent

namespace SystemEvent {
inline constexpr Event::TCEventDetailID Member_Information{1100, "SystemEvent.Information"};
inline constexpr int DefinitionDetail_Information_id = Member_Information.ID;
} // namespace SystemEvent

namespace WebEvent {
inline constexpr Event::TCEventDetailID Member_OperatorID{5100, "WebEvent.OperatorID"};
inline constexpr int DefinitionDetail_OperatorID_id = Member_OperatorID.ID;
} // namespace WebEvent

#pragma GCC visibility pop
