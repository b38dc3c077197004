#include "JsonTypes/KnaJsonMembers.h"

#include "JsonTypes/KnaJson_BaseType.h"
#include "KnaException.h"

namespace KeynodeApi {

namespace {

std::string HasMemberCondition(const char* name) {
    return std::string("value.HasMember(\"") + name + "\")";
}

// Present and null counts as specified; present with a value is read by `read`.
template <class T, class Read>
bool ReadNullable(const rapidjson::Value& object, const char* name, Accessories::TCNullTypes<T>& out,
                  Read read) {
    out.SetNull();
    const rapidjson::Value* member = FindOptionalMember(object, name);
    if (member == nullptr) return false;
    if (!member->IsNull()) out.set_Value(read(*member));
    return true;
}

template <class T, class Make>
rapidjson::Value NullableToValue(const Accessories::TCNullTypes<T>& value, Make make) {
    return value.IsNull() ? rapidjson::Value(rapidjson::kNullType) : make(value.get_Value());
}

} // namespace

void AssertJsonObject(const rapidjson::Value& value) {
    if (!value.IsObject())
        throw KnaParsingException(__FILE__, __LINE__, "value.IsObject()")
            .FormatOverride("Expected JSON object");
}

void AssertJsonArray(const rapidjson::Value& value) {
    if (!value.IsArray())
        throw KnaParsingException(__FILE__, __LINE__, "el.IsArray()").FormatOverride("Expected JSON array");
}

const rapidjson::Value& GetRequiredMember(const rapidjson::Value& object, const char* name) {
    const rapidjson::Value* member = FindOptionalMember(object, name);
    if (member == nullptr)
        throw KnaParsingException(__FILE__, __LINE__, HasMemberCondition(name))
            .FormatOverride("Expected %s member", name);
    return *member;
}

const rapidjson::Value& GetRequiredNotNullMember(const rapidjson::Value& object, const char* name) {
    const rapidjson::Value& member = GetRequiredMember(object, name);
    if (member.IsNull())
        throw KnaParsingException(__FILE__, __LINE__, std::string("!value[\"") + name + "\"].IsNull()")
            .FormatOverride("%s member can't be null", name);
    return member;
}

const rapidjson::Value* FindOptionalMember(const rapidjson::Value& object, const char* name) {
    const auto it = object.FindMember(name);
    return it == object.MemberEnd() ? nullptr : &it->value;
}

bool ReadOptionalMember(const rapidjson::Value& object, const char* name,
                        Accessories::TCNullTypes<std::string>& out) {
    return ReadNullable(object, name, out, [](const rapidjson::Value& v) {
        return std::string(v.GetString(), v.GetStringLength());
    });
}

bool ReadOptionalMember(const rapidjson::Value& object, const char* name,
                        Accessories::TCNullTypes<bool>& out) {
    return ReadNullable(object, name, out, [](const rapidjson::Value& v) { return v.GetBool(); });
}

bool ReadOptionalMember(const rapidjson::Value& object, const char* name,
                        Accessories::TCNullTypes<int>& out) {
    return ReadNullable(object, name, out, [](const rapidjson::Value& v) { return v.GetInt(); });
}

bool ReadOptionalMember(const rapidjson::Value& object, const char* name,
                        Accessories::TCNullTypes<long long>& out) {
    return ReadNullable(object, name, out,
                        [](const rapidjson::Value& v) { return static_cast<long long>(v.GetInt64()); });
}

bool ReadOptionalMember(const rapidjson::Value& object, const char* name,
                        Accessories::TCNullTypes<TCUTCTime>& out) {
    return ReadNullable(object, name, out, KnaJson_BaseType::DeserializeTimeValue);
}

bool ReadOptionalMember(const rapidjson::Value& object, const char* name,
                        Accessories::TCNullTypes<TCDateData>& out) {
    return ReadNullable(object, name, out, KnaJson_BaseType::DeserializeDateValue);
}

bool ReadOptionalObject(const rapidjson::Value& object, const char* name, TCJson::TCJsonBase& out) {
    const rapidjson::Value* member = FindOptionalMember(object, name);
    if (member == nullptr || member->IsNull()) return false;
    out.Deserialize(*member);
    return true;
}

rapidjson::Value ToJsonValue(const std::string& value, JsonAllocator& allocator) {
    return rapidjson::Value(value.c_str(), static_cast<rapidjson::SizeType>(value.size()), allocator);
}

rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<std::string>& value, JsonAllocator& allocator) {
    return NullableToValue(value, [&](const std::string& v) { return ToJsonValue(v, allocator); });
}

rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<bool>& value, JsonAllocator&) {
    return NullableToValue(value, [](bool v) { return rapidjson::Value(v); });
}

rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<int>& value, JsonAllocator&) {
    return NullableToValue(value, [](int v) { return rapidjson::Value(v); });
}

rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<long long>& value, JsonAllocator&) {
    return NullableToValue(value, [](long long v) { return rapidjson::Value(static_cast<int64_t>(v)); });
}

rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<TCUTCTime>& value, JsonAllocator& allocator) {
    return NullableToValue(value,
                           [&](const TCUTCTime& v) { return KnaJson_BaseType::GetTimeValue(v, allocator); });
}

rapidjson::Value ToJsonValue(const Accessories::TCNullTypes<TCDateData>& value, JsonAllocator& allocator) {
    return NullableToValue(value,
                           [&](const TCDateData& v) { return KnaJson_BaseType::GetDateValue(v, allocator); });
}

} // namespace KeynodeApi
