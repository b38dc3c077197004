#pragma once
#include <string>
#include <vector>

#include "DB/TCDBIterator.h"

#pragma GCC visibility push(default)

namespace DB {
namespace Core {
struct TableSql;
}

// Static description of a table: its number, SQL name, primary key and columns.
struct TCDBTableSpec {
    int TableID;
    const char* Name;
    const TCDBFieldSpec* IDField;
    std::vector<const TCDBFieldSpec*> Fields;
};

// Access to one table on the calling thread's connection. Table objects are cheap, made per use, and
// belong to one thread. Every call runs in the thread's open transaction when there is one.
class TCDBBasicTable {
public:
    explicit TCDBBasicTable(const TCDBTableSpec& spec);
    virtual ~TCDBBasicTable() = default;

    int get_TableID() const { return m_Spec.TableID; }
    const char* get_TableName() const { return m_Spec.Name; }
    const TCDBTableSpec& get_Spec() const { return m_Spec; }

    // 0 stand-alone unit, 1 master, 2 slave of a master/slave system (stored setting of the database).
    static int get_MasterSlaveMode();
    static void set_MasterSlaveMode(int mode);

    TCDBIterator SelectPrimary(const Accessories::TCRecordID& id);
    TCDBIterator SelectAll();
    // `fields` is "*" or a comma-separated list of column names; every column is read either way.
    TCDBIterator Select(const std::string& fields, const TCDBWhere& where,
                        const TCDBOrder& order = TCDBOrder());
    // At most `count` rows after skipping `skip`.
    TCDBIterator SelectTop(const std::string& fields, int count, const TCDBWhere& where,
                           const TCDBOrder& order, int skip = 0);
    int64_t SelectCount(const std::string& fields, const TCDBWhere& where);
    // A sub-select of one column, for TCDBFieldSpec::In / NotIn.
    TCDBSubSelect GetSelect(const TCDBFieldSpec& column, const TCDBWhere& where,
                            const TCDBOrder& order = TCDBOrder()) const;

    // Prepares a new row in `object`; Save inserts it.
    void CreateObject(TCDBAutoObject& object);
    // Deletes the matching rows and their dependent rows; returns the number of rows of this table deleted.
    int DeleteWhere(const TCDBWhere& where);

    // External IDs: texts an outside system attached to a row when creating it, unique per table.
    void SetEnableSelectExternalID(bool enable) { m_SelectExternalID = enable; }
    TCDBWhere CreateWhereExternalIDEqualsTo(const std::string& externalID) const;

    // Limits later selects and counts of this object to rows on which the user was granted at least
    // `level` (DB::GrantRecordRight); a level of 0 or less removes the limit. Set it only on tables with
    // per-record rights. See docs/database.md.
    void SetFilterByUserRights(const Accessories::TCRecordID& userID, int level);

protected:
    bool DeleteRowByID(const Accessories::TCRecordID& id);

private:
    TCDBWhere EffectiveWhere(const TCDBWhere& where) const;
    // `byKey`: the where selects at most one row by its primary key.
    TCDBIterator Run(const TCDBWhere& where, const TCDBOrder& order, int limit, int skip, bool byKey = false);
    // Rows as read (the table's columns, then the external ID when it is selected).
    TCDBIterator ToIterator(const Core::TableSql& table, std::vector<std::vector<TCDBParam>> rows) const;

    const TCDBTableSpec& m_Spec;
    bool m_SelectExternalID = false;
    Accessories::TCRecordID m_RightsUser;
    int m_RightsLevel = 0;
};

} // namespace DB

#pragma GCC visibility pop
