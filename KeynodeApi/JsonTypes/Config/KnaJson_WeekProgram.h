#pragma once
#include <string>
#include <vector>

#include "JsonTypes/Config/KnaJson_WeekProgramPeriod.h"
#include "JsonTypes/KnaJson_CrossID.h"

namespace DB {
class TCDBIterator;
}

namespace KeynodeApi {

// A week program of Table_CommonWeekPrograms with its periods. Only the types KnaStatic allows are
// created and deleted here, and programs the system defines are never changed.
class KnaJson_WeekProgram : public KnaJson_BaseType {
public:
    KnaJson_WeekProgram() = default;
    // With `reload`, filled from the row the identity names (cleared when there is none).
    KnaJson_WeekProgram(const KnaJson_CrossID& identity, bool reload);
    explicit KnaJson_WeekProgram(DB::TCDBIterator& row);

    void Clear();

    const KnaJson_CrossID& GetID() const { return m_ID; }
    const Accessories::TCNullTypes<std::string>& GetName() const { return m_Name; }
    const Accessories::TCNullTypes<int>& GetType() const { return m_Type; }
    const Accessories::TCNullTypes<bool>& GetIsSystem() const { return m_IsSystem; }
    const std::vector<KnaJson_WeekProgramPeriod>& GetPeriods() const { return m_Periods; }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    // Under "weekProgram".
    void SerializeToDoc(rapidjson::Document& doc) const override;
    // A request body is the bare program object.
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;

    // False, and cleared, at the end of the iterator.
    bool LoadFromIterator(DB::TCDBIterator& row);
    void ReLoadFromDB();
    Accessories::TCRecordID AssertGetIDFromDB() const;
    static bool IsSystemWp(DB::TCDBIterator& row);

    // Gives every day 0..16 a period at second 0 with the type's default function, unless it has one.
    void NormalizePeriods(int type);

    void Database_Validate(bool insert, bool update);
    void Database_ValidateInsert() { Database_Validate(true, false); }
    void Database_ValidateUpdate() { Database_Validate(false, true); }
    void Database_Insert();
    void Database_Update();
    void Database_InsertPeriods(const Accessories::TCRecordID& weekProgramID) const;
    void Database_Delete();
    void Database_InsertOrUpdate();

private:
    // The checks shared by insert and update once the program's type is known.
    void ValidatePeriodsForType(int type);
    static void AssertHasDefaultFunction(int type);

    KnaJson_CrossID m_ID;
    Accessories::TCNullTypes<std::string> m_Name;
    Accessories::TCNullTypes<int> m_Type;
    Accessories::TCNullTypes<bool> m_IsSystem;
    std::vector<KnaJson_WeekProgramPeriod> m_Periods;
    // Whether the member was in the request (also as null): an update writes only what was given.
    bool m_NameSpecified = false;
    bool m_TypeSpecified = false;
    bool m_IsSystemSpecified = false;
    bool m_PeriodsSpecified = false;
};

} // namespace KeynodeApi
