#include "DB/TCDBReadScope.h"

#include "db/core/DatabaseInstance.h"

namespace DB {

TCDBReadScope::TCDBReadScope() {
    Core::EnterReadScope();
}

TCDBReadScope::~TCDBReadScope() {
    try {
        Core::LeaveReadScope();
    } catch (...) {
        // Ending a read cannot lose data, and a destructor cannot report.
    }
}

} // namespace DB
