#pragma once
#include <vector>

#include "JsonTypes/KnaJson_Error.h"
#include "JsonTypes/KnaJson_TableCrossRecord.h"

namespace KeynodeApi {

// Code 3 "Records not found", listing the records that were asked for and do not exist under "records".
class KnaJson_ErrorRecordNotFound : public KnaJson_Error {
public:
    KnaJson_ErrorRecordNotFound()
        : KnaJson_Error(CODE_RECORDS_NOT_FOUND, "Records not found", std::string()) {}
    explicit KnaJson_ErrorRecordNotFound(const KnaJson_TableCrossRecord& record)
        : KnaJson_ErrorRecordNotFound() {
        AddNotFoundRecord(record);
    }

    void AddNotFoundRecord(const KnaJson_TableCrossRecord& record) { m_Records.push_back(record); }
    void ClearNotFoundRecords() { m_Records.clear(); }
    const std::vector<KnaJson_TableCrossRecord>& GetNotFoundRecords() const { return m_Records; }

    std::shared_ptr<KnaJson_Error> Clone() const override {
        return std::make_shared<KnaJson_ErrorRecordNotFound>(*this);
    }
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;

private:
    std::vector<KnaJson_TableCrossRecord> m_Records;
};

} // namespace KeynodeApi
