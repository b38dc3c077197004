// Feeds one request body to every JSON type a handler parses a body into. Each type must either accept
// the text or refuse it with a TCException (the library's documented way to reject input); anything else
// that escapes is a bug and ends the run. An accepted object is written back, and what is written must
// read back to the same text: the response shows the caller exactly what was understood.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Host/TCException.h"
#include "JsonTypes/Access/KnaJson_AccessGroup.h"
#include "JsonTypes/Access/KnaJson_Card.h"
#include "JsonTypes/Access/KnaJson_CardFilter.h"
#include "JsonTypes/Access/KnaJson_CardHolder.h"
#include "JsonTypes/Access/KnaJson_CardHolderFilter.h"
#include "JsonTypes/Config/KnaJson_DoorFilter.h"
#include "JsonTypes/Config/KnaJson_Holiday.h"
#include "JsonTypes/Config/KnaJson_WeekProgram.h"
#include "JsonTypes/Events/KnaJson_EventFilter.h"
#include "JsonTypes/Events/KnaJson_EventWebHook.h"
#include "JsonTypes/Events/KnaJson_EventWebHookTest.h"
#include "JsonTypes/KnaJson_CrossID.h"
#include "JsonTypes/KnaJson_CrossIDArray.h"
#include "JsonTypes/KnaJson_ID.h"
#include "JsonTypes/KnaJson_IDArray.h"
#include "JsonTypes/KnaJson_TableCrossRecord.h"
#include "JsonTypes/Management/KnaJson_DoorCommand.h"
#include "JsonTypes/Management/KnaJson_SimulateCardRead.h"

namespace {

using namespace KeynodeApi;

std::string ToText(const rapidjson::Value& value) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

// The object as a bare value, the form a request body has.
template <class T> std::string WriteValue(const T& object) {
    rapidjson::Document doc;
    rapidjson::Value value;
    if (!object.SerializeToValue(doc.GetAllocator(), value)) return std::string();
    return ToText(value);
}

// The resource types also answer with a document whose root names the resource.
template <class T> void WriteDocument(const T& object) {
    rapidjson::Document doc;
    doc.SetObject();
    object.SerializeToDoc(doc);
    if (!doc.IsObject() || doc.MemberCount() != 1) {
        std::fprintf(stderr, "SerializeToDoc did not add exactly one member\n");
        std::abort();
    }
    (void)ToText(doc);
}

template <class T> void Exercise(const char* typeName, const std::string& body, bool resource) {
    T object;
    try {
        object.DeserializeString(body);
    } catch (const TCException&) {
        return; // refused as documented
    }
    if (resource) WriteDocument(object);
    const std::string written = WriteValue(object);
    if (written.empty()) return;

    T again;
    try {
        again.DeserializeString(written);
    } catch (const TCException& e) {
        std::fprintf(stderr, "%s: own output refused: %s\n  output: %s\n", typeName, e.what(),
                     written.c_str());
        std::abort();
    }
    const std::string rewritten = WriteValue(again);
    if (rewritten != written) {
        std::fprintf(stderr, "%s: output does not read back the same\n  first:  %s\n  second: %s\n", typeName,
                     written.c_str(), rewritten.c_str());
        std::abort();
    }
}

// Only SerializeToDoc of the resource types is implemented; the others are written as values.
template <class T> void ExerciseResource(const char* typeName, const std::string& body) {
    Exercise<T>(typeName, body, true);
}
template <class T> void ExerciseValue(const char* typeName, const std::string& body) {
    Exercise<T>(typeName, body, false);
}

// Types whose answer is not their own request form (filters that write only their paging, settings that
// never show a password, commands): they must accept the text or refuse it with a TCException. No database
// is open, so a type that looks rows up refuses there, after its structural checks have run.
template <class T, class... Args> void ExerciseReadOnly(const std::string& body, Args... constructorArgs) {
    T object(constructorArgs...);
    try {
        object.DeserializeString(body);
    } catch (const TCException&) {
    }
}

// A wrapped type ({"doorFilter": {...}}) whose document reads back to the same document.
template <class T> void ExerciseWrapped(const char* typeName, const std::string& body) {
    T object;
    try {
        object.DeserializeString(body);
    } catch (const TCException&) {
        return;
    }
    auto write = [](const T& from) {
        rapidjson::Document doc;
        doc.SetObject();
        from.SerializeToDoc(doc);
        return ToText(doc);
    };
    const std::string written = write(object);
    T again;
    try {
        again.DeserializeString(written);
    } catch (const TCException& e) {
        std::fprintf(stderr, "%s: own document refused: %s\n  document: %s\n", typeName, e.what(),
                     written.c_str());
        std::abort();
    }
    if (write(again) != written) {
        std::fprintf(stderr, "%s: document does not read back the same: %s\n", typeName, written.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    ExerciseValue<KnaJson_ID>("KnaJson_ID", body);
    ExerciseValue<KnaJson_CrossID>("KnaJson_CrossID", body);
    ExerciseValue<KnaJson_IDArray>("KnaJson_IDArray", body);
    ExerciseValue<KnaJson_CrossIDArray>("KnaJson_CrossIDArray", body);
    ExerciseValue<KnaJson_TableCrossRecord>("KnaJson_TableCrossRecord", body);
    ExerciseResource<KnaJson_WeekProgram>("KnaJson_WeekProgram", body);
    ExerciseResource<KnaJson_Holiday>("KnaJson_Holiday", body);
    ExerciseResource<KnaJson_AccessGroup>("KnaJson_AccessGroup", body);
    ExerciseWrapped<KnaJson_DoorFilter>("KnaJson_DoorFilter", body);
    ExerciseReadOnly<KnaJson_Card>(body);
    ExerciseReadOnly<KnaJson_CardHolder>(body);
    ExerciseReadOnly<KnaJson_CardFilter>(body);
    ExerciseReadOnly<KnaJson_CardHolderFilter>(body);
    ExerciseReadOnly<KnaJson_EventFilter>(body);
    ExerciseReadOnly<KnaJson_EventWebHook>(body, false);
    ExerciseReadOnly<KnaJson_EventWebHookTest>(body);
    ExerciseReadOnly<KnaJson_DoorCommand>(body);
    ExerciseReadOnly<KnaJson_SimulateCardRead>(body);
    return 0;
}
