#include "JsonTypes/Events/KnaJson_EventFilter.h"

#include <limits>

#include "DB/Tables/EventTables.h"
#include "JsonTypes/KnaJsonMembers.h"

namespace KeynodeApi {

namespace {

void ReadIntList(const rapidjson::Value& object, const char* name, std::vector<int>& out) {
    const rapidjson::Value* member = FindOptionalMember(object, name);
    if (member == nullptr || member->IsNull()) return;
    AssertJsonArray(*member);
    for (const rapidjson::Value& element : member->GetArray())
        out.push_back(element.GetInt());
}

void ReadOptionalID(const rapidjson::Value& object, const char* name, KnaJson_ID& out) {
    const rapidjson::Value* member = FindOptionalMember(object, name);
    if (member != nullptr && !member->IsNull()) out.Deserialize(*member);
}

rapidjson::Value IntArray(const std::vector<int>& values, JsonAllocator& allocator) {
    rapidjson::Value array(rapidjson::kArrayType);
    for (int value : values)
        array.PushBack(value, allocator);
    return array;
}

std::set<Accessories::TCRecordID> AsRecordIDs(const std::vector<int>& values) {
    std::set<Accessories::TCRecordID> ids;
    for (int value : values)
        ids.insert(Accessories::TCRecordID(value));
    return ids;
}

} // namespace

void KnaJson_EventFilter::Clear() {
    KnaJson_BaseFilter::Clear();
    m_EventTypes.clear();
    m_GreaterThenEventID.Clear();
    m_LowerThenEventID.Clear();
    m_GreaterThenEventTime.SetNull();
    m_LowerThenEventTime.SetNull();
    m_ID.Clear();
    m_EventTypeTags.clear();
    m_Keynodes.Clear();
}

void KnaJson_EventFilter::SerializeToDoc(rapidjson::Document& doc) const {
    if (!doc.IsObject()) doc.SetObject();
    AddWrappedMember(doc, GetWrappingMemberName(), *this);
}

bool KnaJson_EventFilter::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    KnaJson_BaseFilter::SerializeToValue(allocator, value);
    auto addID = [&](const char* name, const KnaJson_ID& id) {
        if (id.IsNull()) return;
        rapidjson::Value idValue;
        id.SerializeToValue(allocator, idValue);
        value.AddMember(rapidjson::StringRef(name), idValue, allocator);
    };
    if (!m_EventTypes.empty()) value.AddMember("eventTypes", IntArray(m_EventTypes, allocator), allocator);
    addID("greaterThenEventID", m_GreaterThenEventID);
    addID("lowerThenEventID", m_LowerThenEventID);
    if (m_GreaterThenEventTime.IsNotNull())
        value.AddMember("greaterThenEventTime", ToJsonValue(m_GreaterThenEventTime, allocator), allocator);
    if (m_LowerThenEventTime.IsNotNull())
        value.AddMember("lowerThenEventTime", ToJsonValue(m_LowerThenEventTime, allocator), allocator);
    addID("id", m_ID);
    if (!m_EventTypeTags.empty())
        value.AddMember("eventTypeTags", IntArray(m_EventTypeTags, allocator), allocator);
    if (!m_Keynodes.GetIDs().empty()) {
        rapidjson::Value keynodes;
        m_Keynodes.SerializeToValue(allocator, keynodes);
        value.AddMember("keynodes", keynodes, allocator);
    }
    return true;
}

void KnaJson_EventFilter::Deserialize(const rapidjson::Value& value) {
    Clear();
    KnaJson_BaseFilter::Deserialize(value);
    AssertJsonObject(value);
    ReadIntList(value, "eventTypes", m_EventTypes);
    ReadOptionalID(value, "greaterThenEventID", m_GreaterThenEventID);
    ReadOptionalID(value, "lowerThenEventID", m_LowerThenEventID);
    ReadOptionalMember(value, "greaterThenEventTime", m_GreaterThenEventTime);
    ReadOptionalMember(value, "lowerThenEventTime", m_LowerThenEventTime);
    ReadOptionalID(value, "id", m_ID);
    ReadIntList(value, "eventTypeTags", m_EventTypeTags);
    const rapidjson::Value* keynodes = FindOptionalMember(value, "keynodes");
    if (keynodes != nullptr && !keynodes->IsNull()) m_Keynodes.Deserialize(*keynodes);
}

DB::TCDBWhere KnaJson_EventFilter::GetSelectWhere(const Accessories::TCRecordID& lowerBound) const {
    DB::TCDBWhere where = Table_EventLog::ID.IsNotNull();
    if (!m_ID.IsNull()) return where && Table_EventLog::ID == m_ID.GetRecordID();

    // A client bounding the IDs itself, or reading back in time, means to read what it asked for.
    if (m_GreaterThenEventID.IsNull() && m_LowerThenEventTime.IsNull() && lowerBound.IsNotNull())
        where = where && Table_EventLog::ID > lowerBound;
    if (!m_EventTypes.empty())
        where = where && Brackets(Table_EventLog::TYPE_LINK.In(AsRecordIDs(m_EventTypes)));
    if (!m_GreaterThenEventID.IsNull())
        where = where && Table_EventLog::ID > m_GreaterThenEventID.GetRecordID();
    if (!m_LowerThenEventID.IsNull()) where = where && Table_EventLog::ID < m_LowerThenEventID.GetRecordID();
    if (m_GreaterThenEventTime.IsNotNull())
        where = where && Table_EventLog::EVENT_TIME > m_GreaterThenEventTime.get_Value();
    if (m_LowerThenEventTime.IsNotNull())
        where = where && Table_EventLog::EVENT_TIME < m_LowerThenEventTime.get_Value();
    if (!m_EventTypeTags.empty()) {
        std::set<Accessories::TCRecordID> types;
        GetEvenTypesFromTags(types);
        if (!types.empty()) where = where && Brackets(Table_EventLog::TYPE_LINK.In(types));
    }
    if (!m_Keynodes.GetIDs().empty()) {
        std::set<Accessories::TCRecordID> keynodes;
        m_Keynodes.GetRecordIDs(keynodes);
        where = where && Brackets(Table_EventLog::KEYNODE.In(keynodes));
    }
    return where;
}

int64_t KnaJson_EventFilter::ApplyFilter_SelectCount(const Accessories::TCRecordID& lowerBound) {
    Event::TCDBEventLog events;
    return events.SelectCount("*", GetSelectWhere(lowerBound));
}

bool KnaJson_EventFilter::ApplyFilter_Select(DB::TCDBIterator& iterator,
                                             const Accessories::TCRecordID& lowerBound) {
    if (IsDoNotFetchData()) return false;
    // The host pages with a signed 32-bit skip; the log never holds that many rows.
    if (get_SkipCount() > static_cast<uint64_t>(std::numeric_limits<int>::max())) return false;
    Event::TCDBEventLog events;
    iterator = events.SelectTop("*", static_cast<int>(get_LimitCount()), GetSelectWhere(lowerBound),
                                DB::TCDBOrder(Table_EventLog::ID), static_cast<int>(get_SkipCount()));
    return iterator.IsNotEnd();
}

void KnaJson_EventFilter::GetEvenTypesFromTags(std::set<Accessories::TCRecordID>& types) const {
    types.clear();
    Event::TCDBEventTypeTagLinks links;
    for (int tag : m_EventTypeTags)
        for (DB::TCDBIterator row = links.Select("*", Table_EventTypeTagLinks::TAG == tag); row.IsNotEnd();
             row.Next())
            types.insert(row.Field(Table_EventTypeTagLinks::EVENT_TYPE).get_AsRecordID());
}

std::unique_ptr<DB::TCDBBasicTable> KnaJson_EventFilter::CreateMainTable() const {
    return std::make_unique<Event::TCDBEventLog>();
}

} // namespace KeynodeApi
