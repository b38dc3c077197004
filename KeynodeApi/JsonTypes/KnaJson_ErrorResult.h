#pragma once
#include <memory>
#include <vector>

#include "JsonTypes/KnaJson_Error.h"

namespace KeynodeApi {

// The error body of a failed request: {"errors": [...]}, each error in its own form.
class KnaJson_ErrorResult : public KnaJson_BaseType {
public:
    KnaJson_ErrorResult() = default;
    explicit KnaJson_ErrorResult(std::shared_ptr<KnaJson_Error> error) { AddError(std::move(error)); }
    explicit KnaJson_ErrorResult(const KnaJson_Error& error) { AddError(error); }

    void AddError(std::shared_ptr<KnaJson_Error> error) { m_Errors.push_back(std::move(error)); }
    // Keeps a copy of the error's dynamic type.
    void AddError(const KnaJson_Error& error) { m_Errors.push_back(error.Clone()); }
    void ClearErrors() { m_Errors.clear(); }
    const std::vector<std::shared_ptr<KnaJson_Error>>& GetErrors() const { return m_Errors; }

    void SerializeToDoc(rapidjson::Document& doc) const override;
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;

private:
    std::vector<std::shared_ptr<KnaJson_Error>> m_Errors;
};

} // namespace KeynodeApi
