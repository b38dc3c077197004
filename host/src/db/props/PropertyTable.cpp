#include "db/props/PropertyTable.h"

#include <memory>
#include <mutex>

#include "DB/TCDBRawSql.h"
#include "db/core/DatabaseInstance.h"

namespace Property::Store {

namespace Table_Properties {
const DB::TCDBFieldSpec ID("Properties", "ID", DB::TEDBFieldType::RecordID);
const DB::TCDBFieldSpec PROPERTY_ID("Properties", "PROPERTY_ID", DB::TEDBFieldType::Integer);
const DB::TCDBFieldSpec RECORD_ID("Properties", "RECORD_ID", DB::TEDBFieldType::RecordID);
const DB::TCDBFieldSpec VALUE("Properties", "VALUE", DB::TEDBFieldType::Text);
const DB::TCDBFieldSpec CHANGE_SEQ("Properties", "CHANGE_SEQ", DB::TEDBFieldType::BigInt);
} // namespace Table_Properties

namespace {

const DB::TCDBTableSpec& PropertiesSpec() {
    using namespace Table_Properties;
    static const DB::TCDBTableSpec spec{
        PropertiesTableNumber, "Properties", &ID, {&ID, &PROPERTY_ID, &RECORD_ID, &VALUE, &CHANGE_SEQ}};
    return spec;
}

// The unique index treats a null record as -1: SQLite would let any number of null keys coexist.
const char* const kCreateSql = "CREATE TABLE IF NOT EXISTS Properties ("
                               " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
                               " PROPERTY_ID INTEGER NOT NULL,"
                               " RECORD_ID INTEGER NULL,"
                               " VALUE TEXT NULL,"
                               " CHANGE_SEQ INTEGER NOT NULL);"
                               "CREATE UNIQUE INDEX IF NOT EXISTS Properties_Key"
                               " ON Properties (PROPERTY_ID, IFNULL(RECORD_ID, -1));"
                               "CREATE INDEX IF NOT EXISTS Properties_ChangeSeq ON Properties (CHANGE_SEQ);";

} // namespace

TCDBProperties::TCDBProperties() : DB::TCDBBasicTable(PropertiesSpec()) {}

void TCDBProperties::EnsureExists() {
    // Remembers the database it last created the table in; weak, so a closed database is never mistaken
    // for a newly opened one at the same address.
    static std::mutex lock;
    static std::weak_ptr<const DB::Core::DatabaseInstance> ensuredFor;

    const auto current = DB::Core::CurrentInstance();
    std::lock_guard<std::mutex> guard(lock);
    if (current && ensuredFor.lock() == current) return;
    DB::ExecuteSql(kCreateSql);
    ensuredFor = current;
}

int64_t TCDBProperties::MaxChangeSeq() {
    auto it = SelectTop("*", 1, DB::TCDBWhere(), DB::TCDBOrder(Table_Properties::CHANGE_SEQ, true));
    return it.IsEnd() ? 0 : it.Field(Table_Properties::CHANGE_SEQ).get_AsBigInt();
}

TCCommonPropertyObject PropertyFromRow(DB::TCDBIterator& row) {
    const int number = row.Field(Table_Properties::PROPERTY_ID).get_AsInteger();
    const TCPropertyID* known = TCPropertyID::FindByNumber(number);
    const TCPropertyID id = known ? *known : TCPropertyID(number, "", TEPropertyType::Text);
    return TCCommonPropertyObject(id, row.Field(Table_Properties::RECORD_ID).get_AsRecordID(),
                                  row.Field(Table_Properties::VALUE).get_AsNullString());
}

} // namespace Property::Store
