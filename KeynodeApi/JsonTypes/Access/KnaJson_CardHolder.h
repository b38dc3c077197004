#pragma once
#include <set>
#include <string>

#include "JsonTypes/KnaJson_CrossIDArray.h"

namespace KeynodeApi {

// A card holder, a row of Table_AccessCardHolders, with the cards that belong to it. Changing the card
// list moves cards to this holder and deletes the holder's cards that are not listed.
class KnaJson_CardHolder : public KnaJson_BaseType {
public:
    KnaJson_CardHolder() { Clear(); }
    explicit KnaJson_CardHolder(DB::TCDBIterator& row) { LoadFromIterator(row); }
    // With `reload` the holder is read from the database; one that is not there leaves it cleared.
    KnaJson_CardHolder(const KnaJson_CrossID& id, bool reload);
    KnaJson_CardHolder(const KnaJson_CardHolder&) = default;
    KnaJson_CardHolder& operator=(const KnaJson_CardHolder&) = default;

    void Clear();
    // The request body is the card holder object itself.
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    // {"cardHolder": {...}}
    void SerializeToDoc(rapidjson::Document& doc) const override;

    // False, and cleared, at the end of the iterator.
    bool LoadFromIterator(DB::TCDBIterator& row);
    void ReLoadFromDB();
    // The identities of the holder's cards, hidden types included.
    void LoadCards(const Accessories::TCRecordID& holderID);
    void LoadCards();

    Accessories::TCRecordID AssertGetIDFromDB() const;
    // The IDs of the listed cards; each must exist, repeats collapse.
    std::set<Accessories::TCRecordID> AssertGetDBCardIDsFromIDsArray() const;
    // Moves the cards to this holder.
    void MakeLinksToCards(const std::set<Accessories::TCRecordID>& cardIDs) const;
    // Each ends by reloading the stored holder into this object.
    void Database_Insert();
    void Database_Update();
    void Database_Delete();

    const KnaJson_CrossID& GetID() const { return m_ID; }

private:
    KnaJson_CrossID m_ID;
    Accessories::TCNullTypes<std::string> m_FirstName;
    Accessories::TCNullTypes<std::string> m_MiddleName;
    Accessories::TCNullTypes<std::string> m_LastName;
    Accessories::TCNullTypes<std::string> m_Info;
    KnaJson_CrossIDArray m_Cards;
    bool m_CardsGiven = false;
    Accessories::TCNullTypes<std::string> m_Company;
    Accessories::TCNullTypes<TCUTCTime> m_ValidFrom;
    Accessories::TCNullTypes<TCUTCTime> m_ValidTo;

    bool m_FirstNameSpecified = false;
    bool m_MiddleNameSpecified = false;
    bool m_LastNameSpecified = false;
    bool m_InfoSpecified = false;
    bool m_CompanySpecified = false;
    bool m_ValidFromSpecified = false;
    bool m_ValidToSpecified = false;
};

} // namespace KeynodeApi
