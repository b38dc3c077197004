#pragma once
#include <string>
#include <vector>

#include "JsonTypes/Config/KnaJson_HolidayPeriod.h"
#include "JsonTypes/KnaJson_CrossID.h"

namespace DB {
class TCDBIterator;
}

namespace KeynodeApi {

// A holiday of Table_CommonHolidays with its date periods.
class KnaJson_Holiday : public KnaJson_BaseType {
public:
    KnaJson_Holiday() = default;
    // With `reload`, filled from the row the identity names (cleared when there is none).
    KnaJson_Holiday(const KnaJson_CrossID& identity, bool reload);
    explicit KnaJson_Holiday(DB::TCDBIterator& row);

    void Clear();

    const KnaJson_CrossID& GetID() const { return m_ID; }
    const Accessories::TCNullTypes<std::string>& GetName() const { return m_Name; }
    const Accessories::TCNullTypes<bool>& GetIsRepeated() const { return m_IsRepeated; }
    const std::vector<KnaJson_HolidayPeriod>& GetPeriods() const { return m_Periods; }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    // Under "holiday".
    void SerializeToDoc(rapidjson::Document& doc) const override;
    // A request body is the bare holiday object.
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;

    // False, and cleared, at the end of the iterator.
    bool LoadFromIterator(DB::TCDBIterator& row);
    void ReLoadFromDB();
    Accessories::TCRecordID AssertGetIDFromDB() const;

    void Database_Validate(bool insert, bool update) const;
    void Database_ValidateInsert() const { Database_Validate(true, false); }
    void Database_ValidateUpdate() const { Database_Validate(false, true); }
    void Database_Insert();
    void Database_Update();
    void Database_InsertPeriods(const Accessories::TCRecordID& holidayID) const;
    void Database_Delete();
    void Database_InsertOrUpdate();

private:
    KnaJson_CrossID m_ID;
    Accessories::TCNullTypes<std::string> m_Name;
    Accessories::TCNullTypes<bool> m_IsRepeated;
    std::vector<KnaJson_HolidayPeriod> m_Periods;
    // Whether the member was in the request (also as null): an update writes only what was given.
    bool m_NameSpecified = false;
    bool m_IsRepeatedSpecified = false;
    bool m_PeriodsSpecified = false;
};

} // namespace KeynodeApi
