#pragma once
#include <cstdint>
#include <vector>

#include "JsonTypes/KnaJsonMembers.h"
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

// A filter answer whose records are a list of one JSON type.
template <class Record> class KnaJson_FilterRecords : public KnaJson_BaseFilterResult {
public:
    void Add(const Record& record) { m_Records.push_back(record); }
    void Add(Record&& record) { m_Records.push_back(std::move(record)); }
    void Clear() override { m_Records.clear(); }
    const std::vector<Record>& GetRecords() const { return m_Records; }
    void SerializeRecords(JsonAllocator& allocator, rapidjson::Value& records) const override {
        records = ToJsonArray(m_Records, allocator);
    }

private:
    std::vector<Record> m_Records;
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
