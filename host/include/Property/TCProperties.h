#pragma once
#include <string>

#include "Accessories/TCRecordID.h"
#include "Property/TCCommonPropertyObject.h"

#pragma GCC visibility push(default)

// The settings store: one text value per property and record (a null record ID is the unit-wide value),
// kept in the database of DB::TCDatabase. Writes run in a transaction on the calling thread's connection
// (nesting into an open one) and notify the change notifiers of this process once committed; other
// processes see them through their notifiers' polling. The session text names who reads or writes and is
// not part of the key.
namespace Property {

TCCommonPropertyObject GetProperty(const TCPropertyID& id, const Accessories::TCRecordID& record,
                                   const std::string& session);

void SetProperty(const TCPropertyID& id, const std::string& value, const Accessories::TCRecordID& record,
                 const std::string& session);
void SetProperty(const TCPropertyID& id, const char* value, const Accessories::TCRecordID& record,
                 const std::string& session);
void SetProperty(const TCPropertyID& id, int value, const Accessories::TCRecordID& record,
                 const std::string& session);
void SetProperty(const TCPropertyID& id, long long value, const Accessories::TCRecordID& record,
                 const std::string& session);
void SetProperty(const TCPropertyID& id, const TCPropertyChoiceID& value,
                 const Accessories::TCRecordID& record, const std::string& session);

// Makes the property unset again: readers get their defaults. Unsetting an unset property does nothing.
void DeleteProperty(const TCPropertyID& id, const Accessories::TCRecordID& record,
                    const std::string& session);

} // namespace Property

#pragma GCC visibility pop
