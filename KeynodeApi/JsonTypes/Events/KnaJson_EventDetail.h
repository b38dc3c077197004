#pragma once
#include <string>

#include "JsonTypes/KnaJson_TableRecord.h"

namespace DB {
class TCDBIterator;
}

namespace KeynodeApi {

// One detail row of an event: {"id": {...}, "type": 12105, "value": "...", "relatedRecord": {...} or null}.
class KnaJson_EventDetail : public KnaJson_BaseType {
public:
    KnaJson_EventDetail() = default;
    explicit KnaJson_EventDetail(DB::TCDBIterator& iterator) { LoadFromIterator(iterator); }

    // Fills the members from the current detail row; false at the iterator's end.
    bool LoadFromIterator(DB::TCDBIterator& iterator);
    void Clear();

    const KnaJson_ID& GetID() const { return m_ID; }
    int GetType() const { return m_Type; }
    const Accessories::TCNullTypes<std::string>& GetValue() const { return m_Value; }
    const KnaJson_TableRecord& GetRelatedRecord() const { return m_RelatedRecord; }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void Deserialize(const rapidjson::Value& value) override;

private:
    static KnaJson_TableRecord EmptyRelatedRecord() {
        return KnaJson_TableRecord(-1, KnaJson_ID(), KnaJson_ID());
    }

    KnaJson_ID m_ID;
    int m_Type = 0;
    Accessories::TCNullTypes<std::string> m_Value;
    // Table number -1 when the detail names no record; written as null then.
    KnaJson_TableRecord m_RelatedRecord = EmptyRelatedRecord();
};

} // namespace KeynodeApi
