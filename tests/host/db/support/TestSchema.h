#pragma once
#include <string>
#include <vector>

#include "DB/TCDBBasicTable.h"

// A schema of the tests' own, independent of the host's tables: Widgets, and Parts that belong to a
// widget and go with it (ON DELETE CASCADE).
namespace TestSchema {

constexpr int WIDGETS_TABLE_ID = 901;
constexpr int PARTS_TABLE_ID = 902;

namespace Widgets {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec NAME;   // text, default ''
extern const DB::TCDBFieldSpec SIZE;   // integer, nullable
extern const DB::TCDBFieldSpec WEIGHT; // real
extern const DB::TCDBFieldSpec ACTIVE; // bool, default 1
extern const DB::TCDBFieldSpec OWNER;  // record ID, nullable
extern const DB::TCDBFieldSpec MADE;   // date-time
extern const DB::TCDBFieldSpec COLOR;  // text, default 'grey'
extern const DB::TCDBTableSpec SPEC;
} // namespace Widgets

namespace Parts {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec WIDGET; // the owning widget
extern const DB::TCDBFieldSpec LABEL;
extern const DB::TCDBTableSpec SPEC;
} // namespace Parts

// Views of the infrastructure tables, to look at what the database layer stored.
namespace ExternalIDs {
extern const DB::TCDBFieldSpec RECORD_ID;
extern const DB::TCDBFieldSpec TABLE_ID;
extern const DB::TCDBFieldSpec EXTERNAL_ID;
extern const DB::TCDBTableSpec SPEC;
} // namespace ExternalIDs
namespace UserRecordRights {
extern const DB::TCDBFieldSpec RECORD_ID;
extern const DB::TCDBFieldSpec TABLE_ID;
extern const DB::TCDBTableSpec SPEC;
} // namespace UserRecordRights

// Migration 1 creates Widgets, migration 2 Parts.
const std::vector<std::string>& Migrations();
const std::vector<const DB::TCDBTableSpec*>& Tables();

} // namespace TestSchema
