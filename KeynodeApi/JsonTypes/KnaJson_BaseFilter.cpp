#include "JsonTypes/KnaJson_BaseFilter.h"

#include <limits>

#include "DB/TCDBBasicTable.h"
#include "DB/TCDBIterator.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {

void KnaJson_BaseFilter::Clear() {
    m_SkipCount = DEFAULT_SKIP;
    m_LimitCount = MAX_SELECT_COUNT;
    m_DoNotFetchData.SetNull();
}

void KnaJson_BaseFilter::Deserialize(const rapidjson::Document& doc) {
    AssertJsonObject(doc);
    Deserialize(static_cast<const rapidjson::Value&>(GetRequiredMember(doc, GetWrappingMemberName())));
}

void KnaJson_BaseFilter::Deserialize(const rapidjson::Value& value) {
    AssertJsonObject(value);
    const rapidjson::Value* skip = FindOptionalMember(value, "skipCount");
    if (skip != nullptr && !skip->IsNull()) m_SkipCount = skip->GetUint64();

    const rapidjson::Value* limit = FindOptionalMember(value, "limitCount");
    if (limit != nullptr && !limit->IsNull()) {
        const unsigned limitCount = limit->GetUint();
        if (limitCount == 0 || limitCount > static_cast<unsigned>(MAX_SELECT_COUNT))
            throw KnaParsingException(__FILE__, __LINE__, "limitCount > 0 && limitCount <= MAX_SELECT_COUNT")
                .FormatOverride("%s must be between 1 and %d", "limitCount", MAX_SELECT_COUNT);
        m_LimitCount = limitCount;
    }

    const rapidjson::Value* noData = FindOptionalMember(value, "doNotFetchData");
    if (noData != nullptr && !noData->IsNull()) m_DoNotFetchData.set_Value(noData->GetBool());
}

bool KnaJson_BaseFilter::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    value.AddMember("skipCount", rapidjson::Value(static_cast<uint64_t>(m_SkipCount)), allocator);
    value.AddMember("limitCount", rapidjson::Value(static_cast<unsigned>(m_LimitCount)), allocator);
    if (m_DoNotFetchData.IsNotNull())
        value.AddMember("doNotFetchData", ToJsonValue(m_DoNotFetchData, allocator), allocator);
    return true;
}

int64_t KnaJson_BaseFilter::ApplyFilter_SelectCount() {
    const std::unique_ptr<DB::TCDBBasicTable> table = CreateMainTable();
    InitMainTable(*table);
    return table->SelectCount("*", GetSelectWhere());
}

bool KnaJson_BaseFilter::ApplyFilter_Select(DB::TCDBIterator& iterator) {
    if (IsDoNotFetchData()) return false;
    // The host pages with a signed 32-bit skip; no table holds that many rows, so such a page is empty.
    if (m_SkipCount > static_cast<uint64_t>(std::numeric_limits<int>::max())) return false;
    const std::unique_ptr<DB::TCDBBasicTable> table = CreateMainTable();
    InitMainTable(*table);
    table->SetEnableSelectExternalID(true);
    iterator = table->SelectTop("*", static_cast<int>(m_LimitCount), GetSelectWhere(), DB::TCDBOrder(),
                                static_cast<int>(m_SkipCount));
    return iterator.IsNotEnd();
}

} // namespace KeynodeApi
