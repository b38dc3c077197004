#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DB/TCDBFieldSpec.h"

#pragma GCC visibility push(default)

namespace DB {

class TCDBBasicTable;
struct TCDBRowSet;

// One column value of the current row. Setters mark the column changed; the row's Save writes it.
class TCDBField {
public:
    TCDBField(TCDBParam* value, bool* changed) : m_Value(value), m_Changed(changed) {}

    bool IsNull() const;
    int get_AsInteger() const;          // null gives 0
    int64_t get_AsBigInt() const;       // null gives 0
    bool get_AsBool() const;            // null gives false
    std::string get_AsString() const;   // null gives ""
    double get_AsReal() const;          // null gives 0
    Accessories::TCRecordID get_AsRecordID() const;
    TCUTCTime get_AsDateTime() const;   // null gives 0
    Accessories::TCNullTypes<int> get_AsNullInt() const;
    Accessories::TCNullTypes<long long> get_AsNullBigInt() const;
    Accessories::TCNullTypes<bool> get_AsNullBool() const;
    Accessories::TCNullTypes<std::string> get_AsNullString() const;
    Accessories::TCNullTypes<TCUTCTime> get_AsNullDateTime() const;

    void SetNull();
    void set_AsInteger(int v);
    void set_AsBigInt(int64_t v);
    void set_AsBool(bool v);
    void set_AsString(const std::string& v);
    void set_AsReal(double v);
    void set_AsRecordID(const Accessories::TCRecordID& v);
    void set_AsDateTime(const TCUTCTime& v);
    void set_AsNullInt(const Accessories::TCNullTypes<int>& v);
    void set_AsNullBigInt(const Accessories::TCNullTypes<long long>& v);
    void set_AsNullBool(const Accessories::TCNullTypes<bool>& v);
    void set_AsNullString(const Accessories::TCNullTypes<std::string>& v);
    void set_AsNullDateTime(const Accessories::TCNullTypes<TCUTCTime>& v);

private:
    TCDBParam* m_Value;
    bool* m_Changed;
};

// Rows of a select, read whole when the select runs (the statement is finished before the iterator is
// returned, so iterators never hold database locks). Fields of the current row can be changed and
// written back with Save.
class TCDBIterator {
public:
    TCDBIterator();
    TCDBIterator(TCDBIterator&&) noexcept;
    TCDBIterator& operator=(TCDBIterator&&) noexcept;
    ~TCDBIterator();

    bool IsEnd() const;
    bool IsNotEnd() const { return !IsEnd(); }
    void Next();
    size_t get_RowCount() const;

    // The column of the current row. Throws TCException when at the end or the column is not in the table.
    TCDBField Field(const TCDBFieldSpec& field);
    Accessories::TCRecordID get_ID() const; // the current row's primary key

    // Writes the changed columns of the current row (UPDATE), or inserts it when it is a new row made by
    // CreateObject. `onlyChanged` false is accepted for compatibility and behaves the same.
    void Save(bool onlyChanged = false);

    // External IDs of the selected rows (record ID -> external ID); filled only when the table had
    // SetEnableSelectExternalID(true) at select time.
    const std::map<Accessories::TCRecordID, std::string>& GetExternalIDMap_TO_ID() const;
    // The current row's external ID, null when it has none (or external IDs were not selected).
    Accessories::TCNullTypes<std::string> get_ExternalID() const;

    // A new row's external ID, written by Save together with the row.
    void SetExternalID(const std::string& externalID);

protected:
    friend class TCDBBasicTable;
    std::unique_ptr<TCDBRowSet> m_Rows;
    size_t m_Pos = 0;
};

// A new row: CreateObject prepares it, fields are set, Save inserts it and Field(ID) then gives its ID.
class TCDBAutoObject : public TCDBIterator {};

} // namespace DB

#pragma GCC visibility pop
