#pragma once
#include <cstdint>

#include "JsonTypes/KnaJson_BaseType.h"

namespace KeynodeApi {

// A nullable record ID: {"id": 12} or {"id": null}.
class KnaJson_ID : public KnaJson_BaseType {
public:
    KnaJson_ID() = default;
    explicit KnaJson_ID(int64_t id) : m_ID(id), m_IsNull(false) {}
    explicit KnaJson_ID(const Accessories::TCRecordID& id) : m_ID(id.get_ID()), m_IsNull(id.IsNull()) {}
    explicit KnaJson_ID(const rapidjson::Value& value) { Deserialize(value); }
    KnaJson_ID(const KnaJson_ID&) = default;
    KnaJson_ID& operator=(const KnaJson_ID&) = default;

    bool IsNull() const { return m_IsNull; }
    int64_t GetID() const { return m_ID; }
    Accessories::TCRecordID GetRecordID() const {
        return m_IsNull ? Accessories::TCRecordID() : Accessories::TCRecordID(m_ID);
    }
    operator Accessories::TCRecordID() const { return GetRecordID(); }
    void Clear() { m_ID = 0, m_IsNull = true; }

    // Two nulls are equal; a null never equals a value.
    bool operator==(const KnaJson_ID& other) const {
        return m_IsNull == other.m_IsNull && (m_IsNull || m_ID == other.m_ID);
    }
    bool operator!=(const KnaJson_ID& other) const { return !(*this == other); }
    // Values only, for ordered sets of IDs.
    bool operator<(const KnaJson_ID& other) const { return m_ID < other.m_ID; }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    // Adds `name` to `parent`: JSON null for a null ID, else the object form.
    void SerializeToValueOrNull(rapidjson::Value& parent, JsonAllocator& allocator, const char* name) const;
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;

private:
    int64_t m_ID = 0;
    bool m_IsNull = true;
};

} // namespace KeynodeApi
