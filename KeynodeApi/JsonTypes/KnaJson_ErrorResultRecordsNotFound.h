#pragma once
#include <vector>

#include "JsonTypes/KnaJson_ErrorRecordNotFound.h"

namespace KeynodeApi {

// An error body made only of records-not-found errors, held by value: {"errors": [...]}.
class KnaJson_ErrorResultRecordsNotFound : public KnaJson_BaseType {
public:
    void AddError(const KnaJson_ErrorRecordNotFound& error) { m_Errors.push_back(error); }
    void ClearErrors() { m_Errors.clear(); }
    const std::vector<KnaJson_ErrorRecordNotFound>& GetErrors() const { return m_Errors; }

    void SerializeToDoc(rapidjson::Document& doc) const override;
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;

private:
    std::vector<KnaJson_ErrorRecordNotFound> m_Errors;
};

} // namespace KeynodeApi
