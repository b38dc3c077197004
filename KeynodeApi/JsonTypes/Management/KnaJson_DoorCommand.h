#pragma once
#include "JsonTypes/KnaJson_IDArray.h"

namespace KeynodeApi {

// {"doorCommand": {"doorIDs": {"ids": [...]}, "newDoorState": 0..4}}. Reading it checks that every door
// exists; it is never written out.
class KnaJson_DoorCommand : public KnaJson_BaseType {
public:
    static constexpr int MAX_DOOR_STATE = 4;

    KnaJson_DoorCommand() { Clear(); }

    void Clear();
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;

    const KnaJson_IDArray& GetDoorIDs() const { return m_DoorIDs; }
    int GetNewDoorState() const { return m_NewDoorState; }

private:
    KnaJson_IDArray m_DoorIDs;
    int m_NewDoorState = 0;
};

} // namespace KeynodeApi
