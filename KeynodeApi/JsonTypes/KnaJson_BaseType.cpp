#include "JsonTypes/KnaJson_BaseType.h"

#include <memory>

#include "DB/TCDBBasicTable.h"
#include "JsonTypes/KnaDateTimeText.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "JsonTypes/KnaJson_CrossID.h"
#include "JsonTypes/KnaJson_ErrorRecordNotFound.h"
#include "JsonTypes/KnaJson_ID.h"
#include "KnaException.h"

namespace KeynodeApi {

namespace {

const char* TableNameOrUnknown(const DB::TCDBBasicTable& table) {
    const char* name = table.get_TableName();
    return name != nullptr && *name != '\0' ? name : "?";
}

// Whether a row with this ID exists (under the table's current rights filter).
bool RowExists(DB::TCDBBasicTable& table, const DB::TCDBFieldSpec& idField, int64_t id) {
    return table.SelectCount("*", idField == Accessories::TCRecordID(id)) != 0;
}

[[noreturn]] void ThrowRecordNotFound(const DB::TCDBBasicTable& table, const KnaJson_CrossID& identity) {
    auto error = std::make_shared<KnaJson_ErrorRecordNotFound>(
        KnaJson_TableCrossRecord(table.get_TableID(), identity, KnaJson_ID()));
    throw KnaJsonErrorException(__FILE__, __LINE__, std::shared_ptr<KnaJson_Error>(std::move(error)));
}

} // namespace

rapidjson::Value KnaJson_BaseType::GetTimeValue(const TCUTCTime& time, JsonAllocator& allocator,
                                                bool withTime) {
    return ToJsonValue(FormatDateTimeText(time, withTime), allocator);
}

rapidjson::Value KnaJson_BaseType::GetTimeValue(const TCUTCTime& time, JsonAllocator& allocator) {
    return GetTimeValue(time, allocator, true);
}

rapidjson::Value KnaJson_BaseType::GetDateValue(const TCDateData& date, JsonAllocator& allocator) {
    return GetTimeValue(TCUTCTime::FromDate(date), allocator, false);
}

TCUTCTime KnaJson_BaseType::ParseDateTimeValue(const std::string& text, bool withTime) {
    return ParseDateTimeText(text, withTime);
}

TCUTCTime KnaJson_BaseType::DeserializeTimeValue(const rapidjson::Value& value) {
    return ParseDateTimeValue(std::string(value.GetString(), value.GetStringLength()), true);
}

TCDateData KnaJson_BaseType::DeserializeDateValue(const rapidjson::Value& value) {
    return ParseDateTimeValue(std::string(value.GetString(), value.GetStringLength()), false).GetDate();
}

void KnaJson_BaseType::CreateRecordObject(DB::TCDBBasicTable& table, DB::TCDBAutoObject& object,
                                          const KnaJson_CrossID& identity) {
    table.CreateObject(object);
    if (identity.IsExternalIDNull()) return;
    // Checked here so the caller gets a clear 400 instead of the database's constraint failure.
    if (table.SelectCount("*", table.CreateWhereExternalIDEqualsTo(identity.GetExternalID())) > 0)
        throw KnaException(__FILE__, __LINE__)
            .FormatOverride("External ID %s is already in use for table %s", identity.GetExternalID().c_str(),
                            TableNameOrUnknown(table));
    object.SetExternalID(identity.GetExternalID());
}

Accessories::TCRecordID KnaJson_BaseType::AssertSelectByID(DB::TCDBBasicTable& table,
                                                           const DB::TCDBFieldSpec& idField,
                                                           const KnaJson_CrossID& identity) {
    if (identity.IsIDNull() && identity.IsExternalIDNull())
        throw KnaException(__FILE__, __LINE__, "identity.IsIDNull() && identity.IsExternalIDNull()")
            .FormatOverride("ID or external ID is required for table %s", TableNameOrUnknown(table));

    if (!identity.IsExternalIDNull()) {
        table.SetEnableSelectExternalID(true);
        DB::TCDBIterator rows =
            table.Select("*", table.CreateWhereExternalIDEqualsTo(identity.GetExternalID()));
        if (rows.IsNotEnd()) return rows.Field(idField).get_AsRecordID();
    } else if (RowExists(table, idField, identity.GetID())) {
        return Accessories::TCRecordID(identity.GetID());
    }
    ThrowRecordNotFound(table, identity);
}

Accessories::TCRecordID KnaJson_BaseType::AssertSelectByID(DB::TCDBBasicTable& table,
                                                           const DB::TCDBFieldSpec& idField,
                                                           const KnaJson_ID& identity) {
    if (identity.IsNull())
        throw KnaException(__FILE__, __LINE__, "!identity.IsNull()")
            .FormatOverride("ID is required for table %s", TableNameOrUnknown(table));
    if (RowExists(table, idField, identity.GetID())) return identity.GetRecordID();
    ThrowRecordNotFound(table, KnaJson_CrossID(identity));
}

void KnaJson_BaseType::InitMainTable(DB::TCDBBasicTable& table) const {
    if (m_UserRecordID.IsNotNull() && m_RightsValue.IsNotNull())
        table.SetFilterByUserRights(m_UserRecordID, m_RightsValue.get_Value());
}

} // namespace KeynodeApi
