#include "Property/TCProperties.h"

#include "DB/TCDBTransaction.h"
#include "db/props/PropertyChangeHub.h"
#include "db/props/PropertyTable.h"

using Accessories::TCNullTypes;
using Accessories::TCRecordID;

namespace Property {
namespace {

using namespace Store;

DB::TCDBWhere KeyWhere(const TCPropertyID& id, const TCRecordID& record) {
    return (Table_Properties::PROPERTY_ID == id.get_Number()) && (Table_Properties::RECORD_ID == record);
}

// Writes one value (null unsets) and announces it; writing the stored value again changes nothing.
void WriteValue(const TCPropertyID& id, const TCNullTypes<std::string>& value, const TCRecordID& record) {
    TCDBProperties::EnsureExists();
    PropertyChangeHub& hub = PropertyChangeHub::Instance();
    const TCCommonPropertyObject changed(id, record, value);

    DB::TCDBTransaction transaction(-1);
    transaction.Begin(1, false);
    TCDBProperties table;
    DB::TCDBIterator row = table.Select("*", KeyWhere(id, record));
    const bool unchanged =
        row.IsEnd() ? value.IsNull() : row.Field(Table_Properties::VALUE).get_AsNullString() == value;
    if (unchanged) {
        transaction.Commit();
        return;
    }

    // Taken inside the write transaction, so no other writer can claim the same number.
    const int64_t seq = table.MaxChangeSeq() + 1;
    if (row.IsEnd()) {
        DB::TCDBAutoObject object;
        table.CreateObject(object);
        object.Field(Table_Properties::PROPERTY_ID).set_AsInteger(id.get_Number());
        object.Field(Table_Properties::RECORD_ID).set_AsRecordID(record);
        object.Field(Table_Properties::VALUE).set_AsNullString(value);
        object.Field(Table_Properties::CHANGE_SEQ).set_AsBigInt(seq);
        object.Save();
    } else {
        row.Field(Table_Properties::VALUE).set_AsNullString(value);
        row.Field(Table_Properties::CHANGE_SEQ).set_AsBigInt(seq);
        row.Save();
    }

    hub.ExpectLocal(seq, changed);
    try {
        transaction.Commit();
    } catch (...) {
        hub.ForgetLocal(seq);
        throw;
    }
    hub.Broadcast(value.IsNull() ? TENotificationType::Removed : TENotificationType::Changed, changed);
}

} // namespace

TCCommonPropertyObject GetProperty(const TCPropertyID& id, const TCRecordID& record, const std::string&) {
    TCDBProperties::EnsureExists();
    TCDBProperties table;
    DB::TCDBIterator row = table.Select("*", KeyWhere(id, record));
    if (row.IsEnd()) return TCCommonPropertyObject(id, record, TCNullTypes<std::string>());
    return TCCommonPropertyObject(id, record, row.Field(Table_Properties::VALUE).get_AsNullString());
}

void SetProperty(const TCPropertyID& id, const std::string& value, const TCRecordID& record,
                 const std::string&) {
    WriteValue(id, TCNullTypes<std::string>(value), record);
}

void SetProperty(const TCPropertyID& id, const char* value, const TCRecordID& record,
                 const std::string& session) {
    SetProperty(id, std::string(value ? value : ""), record, session);
}

void SetProperty(const TCPropertyID& id, int value, const TCRecordID& record, const std::string& session) {
    SetProperty(id, std::to_string(value), record, session);
}

void SetProperty(const TCPropertyID& id, long long value, const TCRecordID& record,
                 const std::string& session) {
    SetProperty(id, std::to_string(value), record, session);
}

void SetProperty(const TCPropertyID& id, const TCPropertyChoiceID& value, const TCRecordID& record,
                 const std::string& session) {
    SetProperty(id, std::to_string(value.get_ID()), record, session);
}

void DeleteProperty(const TCPropertyID& id, const TCRecordID& record, const std::string&) {
    WriteValue(id, TCNullTypes<std::string>(), record);
}

} // namespace Property
