#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Debug/TCDebug.h"
#include "JsonTypes/KnaJson_Error.h"
#include "JsonTypes/KnaJson_ErrorRecordNotFound.h"
#include "JsonTypes/KnaJson_ErrorResult.h"
#include "JsonTypes/KnaJson_ErrorResultRecordsNotFound.h"
#include "KnaException.h"
#include "KnaUtil.h"

using namespace KeynodeApi;

namespace {

std::string ErrorText(const KnaJson_Error& error) {
    rapidjson::Document doc;
    error.SerializeToValue(doc.GetAllocator(), doc);
    return KnaUtil::WriteCompact(doc);
}

KnaJson_TableCrossRecord Record(int table, const KnaJson_CrossID& id) {
    return KnaJson_TableCrossRecord(table, id, KnaJson_ID());
}

} // namespace

TEST(ErrorBody, DefaultErrorIsUnspecifiedGeneralError) {
    EXPECT_EQ(ErrorText(KnaJson_Error()), R"({"code":1,"msg":"Unspecified","msgDetails":""})");
    EXPECT_EQ(ErrorText(KnaJson_Error(7, "Bad \"door\"", "line\n2")),
              R"({"code":7,"msg":"Bad \"door\"","msgDetails":"line\n2"})");
}

TEST(ErrorBody, EmptyResults) {
    EXPECT_EQ(KnaUtil::SerializeToCompactString(KnaJson_ErrorResult()), R"({"errors":[]})");
    EXPECT_EQ(KnaUtil::SerializeToCompactString(KnaJson_ErrorResultRecordsNotFound()), R"({"errors":[]})");
    EXPECT_EQ(ErrorText(KnaJson_ErrorRecordNotFound()),
              R"({"code":3,"msg":"Records not found","msgDetails":"","records":[]})");
}

TEST(ErrorBody, RecordNotFoundInsideAResultKeepsItsRecords) {
    KnaJson_ErrorRecordNotFound notFound(Record(12, KnaJson_CrossID(std::string("ext-1"))));
    notFound.AddNotFoundRecord(Record(12, KnaJson_CrossID(40)));

    KnaJson_ErrorResult result(std::make_shared<KnaJson_Error>(2, "Parsing error:x", ""));
    // Added by reference: the copy must stay a records-not-found error.
    result.AddError(notFound);
    EXPECT_EQ(KnaUtil::SerializeToCompactString(result),
              R"({"errors":[{"code":2,"msg":"Parsing error:x","msgDetails":""},)"
              R"({"code":3,"msg":"Records not found","msgDetails":"","records":[)"
              R"({"tableId":12,"id":{"id":null,"extId":"ext-1"},"keynodeId":{"id":null}},)"
              R"({"tableId":12,"id":{"id":40},"keynodeId":{"id":null}}]}]})");

    // The copy is independent of the original.
    notFound.ClearNotFoundRecords();
    EXPECT_EQ(ErrorText(notFound), R"({"code":3,"msg":"Records not found","msgDetails":"","records":[]})");
    EXPECT_NE(KnaUtil::SerializeToCompactString(result).find("ext-1"), std::string::npos);

    result.ClearErrors();
    EXPECT_EQ(KnaUtil::SerializeToCompactString(result), R"({"errors":[]})");
}

TEST(ErrorBody, RecordsNotFoundResultHoldsCopies) {
    KnaJson_ErrorResultRecordsNotFound result;
    result.AddError(KnaJson_ErrorRecordNotFound(Record(3, KnaJson_CrossID(1))));
    result.AddError(KnaJson_ErrorRecordNotFound());
    EXPECT_EQ(KnaUtil::SerializeToCompactString(result),
              R"({"errors":[{"code":3,"msg":"Records not found","msgDetails":"","records":)"
              R"([{"tableId":3,"id":{"id":1},"keynodeId":{"id":null}}]},)"
              R"({"code":3,"msg":"Records not found","msgDetails":"","records":[]}]})");
    result.ClearErrors();
    EXPECT_EQ(KnaUtil::SerializeToCompactString(result), R"({"errors":[]})");
}

TEST(ErrorBody, LongMessagesAreWrittenWhole) {
    const std::string message(3000, 'm');
    const std::string body =
        KnaUtil::SerializeToCompactString(KnaJson_ErrorResult(KnaJson_Error(1, message, "")));
    EXPECT_NE(body.find("\"msg\":\"" + message + "\""), std::string::npos);
}

TEST(ErrorHttpCode, OnlyParsingAndNotFoundAreClientErrors) {
    EXPECT_EQ(KnaJson_Error(2, "", "").GetHTTPCode(), 400);
    EXPECT_EQ(KnaJson_Error(3, "", "").GetHTTPCode(), 400);
    EXPECT_EQ(KnaJson_ErrorRecordNotFound().GetHTTPCode(), 400);
    for (int code : {1, 0, -1, 4, 400, 500})
        EXPECT_EQ(KnaJson_Error(code, "", "").GetHTTPCode(), 500) << code;
    EXPECT_EQ(KnaJson_Error().GetHTTPCode(), 500);
}

TEST(EventLogText, CutToItsFirst1024Bytes) {
    EXPECT_EQ(KnaUtil::GetEvenlogFriendlyErrorString(""), "");
    const std::string exact(1024, 'a');
    EXPECT_EQ(KnaUtil::GetEvenlogFriendlyErrorString(exact), exact);
    const std::string longer = exact + "bcd";
    EXPECT_EQ(KnaUtil::GetEvenlogFriendlyErrorString(longer), exact);
    // A cut by bytes, not characters: a multi-byte sequence at the boundary is split.
    const std::string utf8 = std::string(1023, 'a') + "\xC3\xA4";
    EXPECT_EQ(KnaUtil::GetEvenlogFriendlyErrorString(utf8), std::string(1023, 'a') + "\xC3");
}

TEST(Exceptions, FormatOverrideKeepsTheConditionInTheTextOnly) {
    KnaException e(__FILE__, 20, "count > 0");
    const std::string before = e.GetText();
    const KnaException& same = e.FormatOverride("Value %d for %s is not valid", -3, "count");
    EXPECT_EQ(&same, &e);
    EXPECT_EQ(e.GetMessage(), "Value -3 for count is not valid");
    EXPECT_EQ(e.GetText(), before + ". Value -3 for count is not valid");
    EXPECT_NE(e.GetText().find("count > 0"), std::string::npos);
}

TEST(Exceptions, FormatOverrideReportsTheTextWhenCommonDebugIsOn) {
    const bool wasOn = IsDebugLevel(DEBUG_COMMON);
    std::vector<std::string> lines;
    SetDebugSink([&lines](const std::string& line) { lines.push_back(line); });

    SetDebugLevel(DEBUG_COMMON, false);
    KnaException(__FILE__, 1, "quiet").FormatOverride("not shown");
    SetDebugLevel(DEBUG_COMMON, true);
    KnaException e(__FILE__, 2, "a < b");
    e.FormatOverride("shown %d", 5);

    SetDebugSink(nullptr);
    SetDebugLevel(DEBUG_COMMON, wasOn);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Exception occured " + e.GetText()), std::string::npos) << lines[0];
}

TEST(Exceptions, ParsingExceptionStaysAParsingExceptionWhenOverridden) {
    try {
        throw KnaParsingException(__FILE__, 30, "value.IsObject()")
            .FormatOverride("Expected %s", "JSON object");
    } catch (const KnaParsingException& e) {
        EXPECT_EQ(e.GetMessage(), "Expected JSON object");
        EXPECT_NE(e.GetText().find("value.IsObject()"), std::string::npos);
        return;
    } catch (...) {
    }
    FAIL() << "not caught as KnaParsingException";
}

TEST(Exceptions, ParsingAssertMacroNamesTheCondition) {
    const int limitCount = 0;
    try {
        KNA_PARSING_ASSERT(limitCount > 0, "%s must be between 1 and %d", "limitCount", 1000);
        FAIL() << "no exception";
    } catch (const KnaParsingException& e) {
        EXPECT_EQ(e.GetMessage(), "limitCount must be between 1 and 1000");
        EXPECT_NE(e.GetText().find("limitCount > 0"), std::string::npos) << e.GetText();
    }
    EXPECT_NO_THROW(KNA_PARSING_ASSERT(limitCount == 0, "unused"));
}

TEST(Exceptions, JsonErrorExceptionSharesItsError) {
    auto error = std::make_shared<KnaJson_ErrorRecordNotFound>(Record(4, KnaJson_CrossID(9)));
    try {
        throw KnaJsonErrorException(__FILE__, 40, error);
    } catch (const KnaException& e) {
        const auto* carrier = dynamic_cast<const KnaJsonErrorException*>(&e);
        ASSERT_NE(carrier, nullptr);
        EXPECT_EQ(carrier->GetError().get(), error.get());
        EXPECT_EQ(carrier->GetError()->GetHTTPCode(), 400);
        EXPECT_EQ(e.GetMessage(), "");
    }

    std::weak_ptr<KnaJson_Error> watcher;
    {
        auto owned = std::make_unique<KnaJson_Error>(1, "owned", "");
        KnaJsonErrorException e(__FILE__, 41, std::move(owned));
        watcher = e.GetError();
        EXPECT_EQ(e.GetError()->GetMsg(), "owned");
        const KnaJsonErrorException copy = e;
        EXPECT_EQ(copy.GetError(), e.GetError());
    }
    EXPECT_TRUE(watcher.expired());
}
