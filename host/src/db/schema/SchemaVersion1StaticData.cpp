#include "SchemaVersion1.h"

// Week-program types: 10 is the card-holder program that access rights name; its periods switch between
// no access and access (with or without the PIN). A day a program leaves open starts with the type's
// default function, so for type 10 that must deny access. Type 20 schedules when doors stand released.
// Card types: 0 is what the card resource stores; type 1 marks cards the controller keeps for itself,
// hidden from the card resource.
const char* const DB::SchemaVersion1::StaticData = R"SQL(
INSERT INTO StaticWeekProgramTypes (ID, NAME, DEFAULTFUNCTION) VALUES
    (10, 'Card holder', 100),
    (20, 'Door release', 200);
INSERT INTO StaticWeekProgramFunctions (ID, WEEKTYPE, NAME) VALUES
    (100, 10, 'No access'),
    (101, 10, 'Access'),
    (102, 10, 'Access with PIN'),
    (200, 20, 'Normal'),
    (201, 20, 'Released');
INSERT INTO AccessCardTypes (ID, NAME, HIDDEN) VALUES
    (0, 'Standard', 0),
    (1, 'System', 1);
)SQL";
