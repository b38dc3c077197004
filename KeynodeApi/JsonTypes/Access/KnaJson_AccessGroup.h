#pragma once
#include <string>
#include <vector>

#include "JsonTypes/Access/KnaJson_AccessGroupRight.h"

namespace KeynodeApi {

// An access group with its door rights, a row of Table_AccessGroups and its rows of
// Table_AccessGroupRights. "name", "info" and "accessRights" keep whether they were given, so that an
// update writes only those and a response shows only what was given or loaded.
class KnaJson_AccessGroup : public KnaJson_BaseType {
public:
    static constexpr int MIN_PRIORITY = 10;
    static constexpr int MAX_PRIORITY = 50;
    static constexpr int DEFAULT_PRIORITY = 50;

    KnaJson_AccessGroup() { Clear(); }
    KnaJson_AccessGroup(const KnaJson_CrossID& id, const Accessories::TCNullTypes<std::string>& name,
                        const Accessories::TCNullTypes<std::string>& info);
    // With `reload` the group is read from the database; a group that is not there leaves it cleared.
    KnaJson_AccessGroup(const KnaJson_CrossID& id, bool reload);
    explicit KnaJson_AccessGroup(DB::TCDBIterator& row) { LoadFromIterator(row); }

    void Clear();
    // The request body is the group object itself.
    void Deserialize(const rapidjson::Document& doc) override;
    void Deserialize(const rapidjson::Value& value) override;
    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    // {"accessGroup": {...}}
    void SerializeToDoc(rapidjson::Document& doc) const override;

    // False, and cleared, at the end of the iterator.
    bool LoadFromIterator(DB::TCDBIterator& row);
    void ReLoadFromDB();
    Accessories::TCRecordID AssertGetIDFromDB() const;

    // Each ends by reloading the stored group into this object.
    void Database_Insert();
    void Database_Update();
    void Database_InsertOrUpdate();
    void Database_Delete();
    // Replaces the rights of the group `groupID` with this object's list; a group just inserted has none
    // to remove.
    void Database_InsertAccessRights(const Accessories::TCRecordID& groupID, bool groupIsNew);

    const KnaJson_CrossID& GetID() const { return m_ID; }
    const Accessories::TCNullTypes<std::string>& GetName() const { return m_Name; }
    const Accessories::TCNullTypes<std::string>& GetInfo() const { return m_Info; }
    int GetPriority() const { return m_Priority; }
    bool IsReusable() const { return m_IsReusable; }
    const std::vector<KnaJson_AccessGroupRight>& GetRights() const { return m_Rights; }
    bool IsNameSpecified() const { return m_NameSpecified; }
    bool IsInfoSpecified() const { return m_InfoSpecified; }
    bool AreRightsSpecified() const { return m_RightsSpecified; }

private:
    void DeserializeRights(const rapidjson::Value& rights);

    KnaJson_CrossID m_ID;
    Accessories::TCNullTypes<std::string> m_Name;
    Accessories::TCNullTypes<std::string> m_Info;
    int m_Priority = DEFAULT_PRIORITY;
    bool m_IsReusable = true;
    std::vector<KnaJson_AccessGroupRight> m_Rights;
    bool m_NameSpecified = false;
    bool m_InfoSpecified = false;
    bool m_RightsSpecified = false;
};

} // namespace KeynodeApi
