#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DB/Tables/SystemTables.h"
#include "JsonTypes/KnaJson_BaseFilter.h"
#include "KnaException.h"
#include "KnaUtil.h"
#include "Json/TCJsonParsingException.h"

using namespace KeynodeApi;

namespace {

// The smallest concrete filter: paging only, under "testFilter".
class PagingOnlyFilter : public KnaJson_BaseFilter {
public:
    using KnaJson_BaseFilter::Deserialize;
    void Deserialize(const rapidjson::Value& value) override {
        Clear();
        KnaJson_BaseFilter::Deserialize(value);
    }
    void SerializeToDoc(rapidjson::Document& doc) const override {
        SerializeToValue(doc.GetAllocator(), doc);
    }
    DB::TCDBWhere GetSelectWhere() const override { return DB::TCDBWhere(); }

protected:
    const char* GetWrappingMemberName() const override { return "testFilter"; }
    std::unique_ptr<DB::TCDBBasicTable> CreateMainTable() const override {
        return std::make_unique<System::TCDBHolidays>();
    }
};

// What the caller is told: the library's message, or the JSON library's failed check.
std::string Failure(const std::string& body) {
    PagingOnlyFilter filter;
    try {
        filter.DeserializeString(body);
    } catch (const KnaParsingException& e) {
        return e.GetMessage();
    } catch (const TCJson::TCJsonParsingException& e) {
        return e.GetExpression().empty() ? e.GetMessage() : e.GetExpression();
    }
    return "accepted: " + KnaUtil::SerializeToCompactString(filter);
}

struct PagingCase {
    const char* body;
    const char* outcome;
};

class FilterPaging : public testing::TestWithParam<PagingCase> {};

TEST_P(FilterPaging, ReadsOrRefusesThePagingMembers) {
    EXPECT_EQ(Failure(GetParam().body), GetParam().outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Members, FilterPaging,
    testing::Values(
        PagingCase{R"({})", "Expected testFilter member"},
        PagingCase{R"({"testFilter":[]})", "Expected JSON object"},
        PagingCase{R"({"testFilter":{}})", R"(accepted: {"skipCount":0,"limitCount":1000})"},
        PagingCase{R"({"testFilter":{"skipCount":null,"limitCount":null,"doNotFetchData":null}})",
                   R"(accepted: {"skipCount":0,"limitCount":1000})"},
        PagingCase{
            R"({"testFilter":{"skipCount":18446744073709551615,"limitCount":1,"doNotFetchData":true}})",
            R"(accepted: {"skipCount":18446744073709551615,"limitCount":1,"doNotFetchData":true})"},
        PagingCase{R"({"testFilter":{"limitCount":1000}})", R"(accepted: {"skipCount":0,"limitCount":1000})"},
        PagingCase{R"({"testFilter":{"limitCount":0}})", "limitCount must be between 1 and 1000"},
        PagingCase{R"({"testFilter":{"limitCount":1001}})", "limitCount must be between 1 and 1000"},
        PagingCase{R"({"testFilter":{"limitCount":-1}})", "flags_ & kUintFlag"},
        PagingCase{R"({"testFilter":{"limitCount":4294967296}})", "flags_ & kUintFlag"},
        PagingCase{R"({"testFilter":{"skipCount":-1}})", "flags_ & kUint64Flag"},
        PagingCase{R"({"testFilter":{"skipCount":1.5}})", "flags_ & kUint64Flag"},
        PagingCase{R"({"testFilter":{"doNotFetchData":1}})", "IsBool()"}));

} // namespace
