#pragma once
#include <string>

#include "Accessories/TCNullTypes.h"
#include "Accessories/TCRecordID.h"
#include "Accessories/TCUTCTime.h"
#include "JsonTypes/TCJsonBase.h"

namespace DB {
class TCDBAutoObject;
class TCDBBasicTable;
class TCDBFieldSpec;
} // namespace DB

namespace KeynodeApi {

class KnaJson_CrossID;
class KnaJson_ID;

// Base of the library's JSON types: date and time texts, row lookup by identity and row creation.
class KnaJson_BaseType : public TCJson::TCJsonBase {
public:
    // How a handler prepares the document root before SerializeToDoc.
    virtual bool IsRootSerializedAsObject() const { return true; }
    virtual bool IsRootSerializedAsArray() const { return false; }

    // Times as "yyyy-MM-ddTHH:mm:ssZ" (UTC), or only "yyyy-MM-dd" when withTime is false.
    static rapidjson::Value GetTimeValue(const TCUTCTime& time, JsonAllocator& allocator, bool withTime);
    static rapidjson::Value GetTimeValue(const TCUTCTime& time, JsonAllocator& allocator);
    static rapidjson::Value GetDateValue(const TCDateData& date, JsonAllocator& allocator);
    // Never fails: a text of the wrong form gives the epoch.
    static TCUTCTime ParseDateTimeValue(const std::string& text, bool withTime);
    // The value must be a string ("IsString()").
    static TCUTCTime DeserializeTimeValue(const rapidjson::Value& value);
    static TCDateData DeserializeDateValue(const rapidjson::Value& value);

    // Prepares a new row in `object`; the identity's external ID, if any, is attached to it. Its numeric ID
    // is ignored: the database assigns the new row's ID.
    static void CreateRecordObject(DB::TCDBBasicTable& table, DB::TCDBAutoObject& object,
                                   const KnaJson_CrossID& identity);
    // The ID of the row the identity names (the external ID wins when both are set). Throws KnaException
    // for an empty identity and KnaJsonErrorException (records not found) when no row matches.
    static Accessories::TCRecordID AssertSelectByID(DB::TCDBBasicTable& table,
                                                    const DB::TCDBFieldSpec& idField,
                                                    const KnaJson_CrossID& identity);
    static Accessories::TCRecordID
    AssertSelectByID(DB::TCDBBasicTable& table, const DB::TCDBFieldSpec& idField, const KnaJson_ID& identity);

    // Limits the table's later selects to the rows the user set by SetUserRights may see.
    void InitMainTable(DB::TCDBBasicTable& table) const;
    void SetUserRights(const Accessories::TCRecordID& userID, const Accessories::TCNullTypes<int>& rights) {
        m_UserRecordID = userID, m_RightsValue = rights;
    }

private:
    Accessories::TCRecordID m_UserRecordID;
    Accessories::TCNullTypes<int> m_RightsValue;
};

} // namespace KeynodeApi
