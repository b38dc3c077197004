#pragma once
#include <list>

#include "DB/Tables/AccessColumns.h"

#pragma GCC visibility push(default)

namespace Access {

class TCDBAccessCardTypes : public DB::TCDBBasicTable {
public:
    TCDBAccessCardTypes() : TCDBBasicTable(Table_AccessCardTypes::SPEC) {}
};

class TCDBAccessCards : public DB::TCDBBasicTable {
public:
    TCDBAccessCards() : TCDBBasicTable(Table_AccessCards::SPEC) {}

    // Cards without a type or of a type that is not hidden.
    static DB::TCDBWhere WhereIsNotHiddenType();
    // Deletes the card with its access-group links; false when there was no such card.
    bool DeleteByID(const Accessories::TCRecordID& cardID);
};

class TCDBAccessCardHolders : public DB::TCDBBasicTable {
public:
    TCDBAccessCardHolders() : TCDBBasicTable(Table_AccessCardHolders::SPEC) {}

    // Deletes the holder with all its cards and their links; false when there was no such holder.
    bool DeleteByID(const Accessories::TCRecordID& holderID);
};

class TCDBAccessGroups : public DB::TCDBBasicTable {
public:
    TCDBAccessGroups() : TCDBBasicTable(Table_AccessGroups::SPEC) {}

    // Deletes the group with its door rights and card links; false when there was no such group.
    // With `failWhenLinked` a group that cards still link to is kept and TCException thrown.
    bool DeleteByID(const Accessories::TCRecordID& groupID, bool failWhenLinked = false);
};

class TCDBAccessGroupRights : public DB::TCDBBasicTable {
public:
    TCDBAccessGroupRights() : TCDBBasicTable(Table_AccessGroupRights::SPEC) {}
};

class TCDBAccessCardAccessGroupLinks : public DB::TCDBBasicTable {
public:
    // One link of a card to an access group, valid in the given period (null: unbounded).
    struct TCAccGroupLinkDetail {
        Accessories::TCRecordID GroupID;
        Accessories::TCNullTypes<TCUTCTime> ValidFrom;
        Accessories::TCNullTypes<TCUTCTime> ValidTo;
    };

    TCDBAccessCardAccessGroupLinks() : TCDBBasicTable(Table_AccessCardAccessGroupLinks::SPEC) {}

    // Makes the card's link rows match `links`, atomically: rows of listed groups are updated in place
    // (keeping their IDs), missing ones inserted in list order, and with `removeOthers` the rows of groups
    // not listed are deleted. A null group or a group listed twice throws TCException.
    void SetByCard(const Accessories::TCRecordID& cardID, const std::list<TCAccGroupLinkDetail>& links,
                   bool removeOthers);
};

class TCDBDoors : public DB::TCDBBasicTable {
public:
    TCDBDoors() : TCDBBasicTable(Table_AccessDoors::SPEC) {}
};

class TCDBReaders : public DB::TCDBBasicTable {
public:
    TCDBReaders() : TCDBBasicTable(Table_AccessReaders::SPEC) {}
};

class TCDBAccessMultiDoorLinks : public DB::TCDBBasicTable {
public:
    TCDBAccessMultiDoorLinks() : TCDBBasicTable(Table_AccessMultiDoorsLink::SPEC) {}
};

} // namespace Access

#pragma GCC visibility pop
