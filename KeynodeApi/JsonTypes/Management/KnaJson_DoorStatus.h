#pragma once
#include "Access/TCAccessDoorInterface.h"
#include "JsonTypes/KnaJson_BaseFilterResult.h"
#include "JsonTypes/KnaJson_ID.h"

namespace DB {
class TCDBIterator;
}

namespace KeynodeApi {

// {"doorId": {...}, "position", "positionCause", "exception", "intrusionState"}: the door service's codes,
// passed on unchanged.
class KnaJson_DoorStatus : public KnaJson_BaseType {
public:
    KnaJson_DoorStatus() = default;
    explicit KnaJson_DoorStatus(const TCAccessDoorInterface::TCDoorState& state)
        : m_DoorID(state.DoorID), m_State(state) {}

    void Clear() { m_DoorID.Clear(), m_State = TCAccessDoorInterface::TCDoorState(); }
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;

private:
    KnaJson_ID m_DoorID;
    TCAccessDoorInterface::TCDoorState m_State;
};

// The answer of the door status: {"count": N, "records": [status, ...]}. Each row added is a door whose
// state is asked of the door interface.
class KnaJson_DoorStatusResult : public KnaJson_FilterRecords<KnaJson_DoorStatus> {
public:
    explicit KnaJson_DoorStatusResult(TCAccessDoorInterface& doors) : m_Doors(doors) {}
    void AddRow(DB::TCDBIterator& row);

private:
    TCAccessDoorInterface& m_Doors;
};

} // namespace KeynodeApi
