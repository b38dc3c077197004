#pragma once
#include <cstdint>

#include "JsonTypes/KnaJson_BaseType.h"

namespace KeynodeApi {

// Base of filter answers: {"count": N, "records": [...]}, the count of all matching records whatever the
// paging, and the records of the page.
class KnaJson_BaseFilterResult : public KnaJson_BaseType {
public:
    bool IsRootSerializedAsObject() const override { return false; }

    int64_t get_Count() const { return m_Count; }
    void set_Count(int64_t count) { m_Count = count; }

    // The "records" array of the page.
    virtual void SerializeRecords(JsonAllocator& allocator, rapidjson::Value& records) const = 0;
    virtual void Clear() = 0;

    void SerializeToDoc(rapidjson::Document& doc) const override;

    // The answer members in their order; also used by filter answers that derive from a resource list.
    static void AddCountAndRecords(rapidjson::Document& doc, int64_t count, rapidjson::Value& records);

private:
    int64_t m_Count = -1;
};

// A resource list answered by a filter: the list's records with the count of all matches in front.
template <class List> class KnaJson_CountedList : public List {
public:
    bool IsRootSerializedAsObject() const override { return false; }
    int64_t get_Count() const { return m_Count; }
    void set_Count(int64_t count) { m_Count = count; }
    void SerializeToDoc(rapidjson::Document& doc) const override {
        rapidjson::Value records;
        this->SerializeToValue(doc.GetAllocator(), records);
        KnaJson_BaseFilterResult::AddCountAndRecords(doc, m_Count, records);
    }

private:
    int64_t m_Count = 0;
};

} // namespace KeynodeApi
