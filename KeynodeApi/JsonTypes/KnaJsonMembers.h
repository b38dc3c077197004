#pragma once
#include <string>

#include "Accessories/TCNullTypes.h"
#include "Accessories/TCUTCTime.h"
#include "JsonTypes/KnaRapidJson.h"
#include "JsonTypes/TCJsonBase.h"

// Reading and writing members by the shared rules: structural faults raise KnaParsingException with the
// failed condition; a value of the wrong JSON type fails inside RapidJSON (TCJson::TCJsonParsingException).
namespace KeynodeApi {

// "Expected JSON object" / "Expected JSON array".
void AssertJsonObject(const rapidjson::Value& value);
void AssertJsonArray(const rapidjson::Value& value);

// The member of an object; "Expected %s member" when absent.
const rapidjson::Value& GetRequiredMember(const rapidjson::Value& object, const char* name);
// The same, and "%s member can't be null" when it is null.
const rapidjson::Value& GetRequiredNotNullMember(const rapidjson::Value& object, const char* name);
// The member, or nullptr when absent.
const rapidjson::Value* FindOptionalMember(const rapidjson::Value& object, const char* name);

// Optional nullable members. Each returns whether the member was present (the specified mark): absent
// leaves `out` null, null makes it null, a value is read with the member's type.
bool ReadOptionalMember(const rapidjson::Value& object, const char* name,
                        Accessories::TCNullTypes<std::string>& out);
bool ReadOptionalMember(const rapidjson::Value& object, const char* name,
                        Accessories::TCNullTypes<bool>& out);
bool ReadOptionalMember(const rapidjson::Value& object, const char* name, Accessories::TCNullTypes<int>& out);
bool ReadOptionalMember(const rapidjson::Value& object, const char* name,
                        Accessories::TCNullTypes<long long>& out);
// Time texts with time of day ("2024-05-01T13:45:00Z").
bool ReadOptionalMember(const rapidjson::Value& object, const char* name,
                        Accessories::TCNullTypes<TCUTCTime>& out);
// Date texts ("2024-05-01").
bool ReadOptionalMember(const rapidjson::Value& object, const char* name,
                        Accessories::TCNullTypes<TCDateData>& out);

// An optional member read by the rules of its own type; absent or null leaves `out` as it is. Returns
// whether a value was read.
bool ReadOptionalObject(const rapidjson::Value& object, const char* name, TCJson::TCJsonBase& out);

// Values for output; a null value becomes JSON null.
rapidjson::Value ToJsonValue(const std::string& value, JsonAllocator& allocator);
rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<std::string>& value, JsonAllocator& allocator);
rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<bool>& value, JsonAllocator& allocator);
rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<int>& value, JsonAllocator& allocator);
rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<long long>& value, JsonAllocator& allocator);
rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<TCUTCTime>& value, JsonAllocator& allocator);
rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<TCDateData>& value, JsonAllocator& allocator);

// A JSON array of the items' own forms, in list order; items that produce no value are left out.
template <class Items> rapidjson::Value ToJsonArray(const Items& items, JsonAllocator& allocator) {
    rapidjson::Value array(rapidjson::kArrayType);
    for (const auto& item : items) {
        rapidjson::Value element;
        if (item.SerializeToValue(allocator, element)) array.PushBack(element, allocator);
    }
    return array;
}

// Adds the member's own form under `name` to an object value (JSON null when it produces none).
template <class Member>
void AddMemberValue(rapidjson::Value& object, const char* name, const Member& member,
                    JsonAllocator& allocator) {
    rapidjson::Value value;
    member.SerializeToValue(allocator, value);
    object.AddMember(rapidjson::StringRef(name), value, allocator);
}

// Adds the object's own form under `name`: the wrapping member of a single resource or a result list.
template <class Object>
void AddWrappedMember(rapidjson::Document& doc, const char* name, const Object& object) {
    rapidjson::Value value;
    if (object.SerializeToValue(doc.GetAllocator(), value))
        doc.AddMember(rapidjson::StringRef(name), value, doc.GetAllocator());
}

} // namespace KeynodeApi
