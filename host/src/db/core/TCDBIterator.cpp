#include "DB/TCDBIterator.h"

#include "Host/TCException.h"
#include "db/core/RowSet.h"

namespace DB {

TCDBIterator::TCDBIterator() = default;
TCDBIterator::TCDBIterator(TCDBIterator&&) noexcept = default;
TCDBIterator& TCDBIterator::operator=(TCDBIterator&&) noexcept = default;
TCDBIterator::~TCDBIterator() = default;

bool TCDBIterator::IsEnd() const {
    return !m_Rows || m_Pos >= m_Rows->Rows.size();
}

void TCDBIterator::Next() {
    if (!IsEnd()) ++m_Pos;
}

size_t TCDBIterator::get_RowCount() const {
    return m_Rows ? m_Rows->Rows.size() : 0;
}

TCDBField TCDBIterator::Field(const TCDBFieldSpec& field) {
    if (IsEnd())
        throw TCException(__FILE__, __LINE__,
                          std::string("no current row to read ") + field.get_Name() + " from");
    const int index = m_Rows->FindColumn(field);
    if (index < 0)
        throw TCException(__FILE__, __LINE__,
                          std::string("table ") + m_Rows->Spec.Name + " has no column " + field.get_Name());
    TCDBCell& cell = m_Rows->Rows[m_Pos].Cells[size_t(index)];
    return TCDBField(&cell.Value, &cell.Changed);
}

Accessories::TCRecordID TCDBIterator::get_ID() const {
    if (IsEnd()) throw TCException(__FILE__, __LINE__, "no current row");
    return m_Rows->RowID(m_Rows->Rows[m_Pos]);
}

void TCDBIterator::Save(bool /*onlyChanged*/) {
    if (IsEnd()) throw TCException(__FILE__, __LINE__, "no current row to save");
    Core::SaveRow(*m_Rows, m_Rows->Rows[m_Pos]);
}

const std::map<Accessories::TCRecordID, std::string>& TCDBIterator::GetExternalIDMap_TO_ID() const {
    static const std::map<Accessories::TCRecordID, std::string> none;
    return m_Rows ? m_Rows->ExternalIDs : none;
}

Accessories::TCNullTypes<std::string> TCDBIterator::get_ExternalID() const {
    if (IsEnd()) return {};
    return m_Rows->Rows[m_Pos].ExternalID;
}

void TCDBIterator::SetExternalID(const std::string& externalID) {
    if (IsEnd()) throw TCException(__FILE__, __LINE__, "no current row for an external ID");
    m_Rows->Rows[m_Pos].PendingExternalID = externalID;
}

} // namespace DB
