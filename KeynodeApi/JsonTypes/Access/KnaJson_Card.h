#pragma once
#include <string>
#include <vector>

#include "JsonTypes/Access/KnaJson_CardAccessGroupLink.h"

namespace KeynodeApi {

// A card, a row of Table_AccessCards with its access-group links. Every member but the identity keeps
// whether it was given, so that an update writes only what the request names.
class KnaJson_Card : public KnaJson_BaseType {
public:
    KnaJson_Card() { Clear(); }
    explicit KnaJson_Card(DB::TCDBIterator& row) { LoadFromIterator(row); }
    // With `reload` the card is read from the database; a card that is not there, or of a hidden type,
    // leaves it cleared.
    KnaJson_Card(const KnaJson_CrossID& id, bool reload);
    KnaJson_Card(const KnaJson_Card&) = default;
    KnaJson_Card& operator=(const KnaJson_Card&) = default;

    void Clear();
    // The request body is the card object itself.
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    // {"card": {...}}
    void SerializeToDoc(rapidjson::Document& doc) const override;

    // False, and cleared, at the end of the iterator.
    bool LoadFromIterator(DB::TCDBIterator& row);
    void ReLoadFromDB();

    Accessories::TCRecordID AssertGetIDFromDB() const;
    Accessories::TCRecordID AssertGetDBCardHolderID() const;
    // "Specified card number is already in use" when another card, of any type, has this number.
    void Database_AssertCardFields(const Accessories::TCRecordID& excludedID) const;
    // Each ends by reloading the stored card into this object.
    void Database_Insert();
    void Database_Update();
    void Database_Delete();
    // Makes the card's link rows exactly this object's list.
    void MakeLinksToAccessGroups();
    // The option-bit text of the card's options.
    Accessories::TCNullTypes<std::string> GetOptionsString() const;

    const KnaJson_CrossID& GetID() const { return m_ID; }
    const KnaJson_CrossID& GetCardHolderID() const { return m_CardHolderID; }
    const Accessories::TCNullTypes<std::string>& GetNumber() const { return m_Number; }

private:
    void DeserializeOptions(const rapidjson::Value& options);

    KnaJson_CrossID m_ID;
    KnaJson_CrossID m_CardHolderID;
    Accessories::TCNullTypes<std::string> m_Number;
    std::vector<KnaJson_CardAccessGroupLink> m_Links;
    Accessories::TCNullTypes<bool> m_IsBlocked;
    Accessories::TCNullTypes<std::string> m_PinCode;
    std::vector<int> m_Options;
    Accessories::TCNullTypes<std::string> m_Info;

    bool m_CardHolderSpecified = false;
    bool m_NumberSpecified = false;
    bool m_IsBlockedSpecified = false;
    bool m_PinCodeSpecified = false;
    bool m_OptionsSpecified = false;
    bool m_LinksSpecified = false;
    bool m_InfoSpecified = false;
};

} // namespace KeynodeApi
