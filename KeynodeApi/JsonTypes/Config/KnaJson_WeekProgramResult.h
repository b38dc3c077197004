#pragma once
#include <vector>

#include "JsonTypes/Config/KnaJson_WeekProgram.h"

namespace KeynodeApi {

// The answer of GET "/config/weekprograms": the selected programs under "records".
class KnaJson_WeekProgramResult : public KnaJson_BaseType {
public:
    void Clear() { m_Records.clear(); }
    // Adds the program only when it exists and is of a type the API serves.
    void SelectByCrossID(const KnaJson_CrossID& identity);
    // Every program of the type; the type must be one the API serves.
    void SelectByType(int type);
    void Add(const KnaJson_WeekProgram& weekProgram) { m_Records.push_back(weekProgram); }

    const std::vector<KnaJson_WeekProgram>& GetRecords() const { return m_Records; }

    // The array of records; always produced, also when empty.
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    void SerializeToDoc(rapidjson::Document& doc) const override;

private:
    std::vector<KnaJson_WeekProgram> m_Records;
};

} // namespace KeynodeApi
