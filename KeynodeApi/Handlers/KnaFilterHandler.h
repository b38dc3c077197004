#pragma once
#include <cstdint>

#include "DB/TCDBIterator.h"
#include "Handlers/KnaResourceHandler.h"
#include "JsonTypes/KnaJson_BaseFilter.h"

namespace KeynodeApi {

// Base of the filter endpoints: one count, then one page only when something matches. Filters only read,
// so no transaction is opened.
class KnaFilterHandler : public KnaResourceHandler {
protected:
    // Reads the wrapped filter from the body, counts, selects the page and writes the answer. `Result`
    // provides set_Count(int64_t) and AddRow(DB::TCDBIterator&), which adds the current row's record.
    template <class Result>
    static void ServeFilter(const KnaWebRequest& request, KnaWebResponse& response,
                            KnaJson_BaseFilter& filter, Result& result) {
        ReadBody(request, filter);
        const int64_t count = filter.ApplyFilter_SelectCount();
        result.set_Count(count);
        if (count > 0) {
            DB::TCDBIterator rows;
            if (filter.ApplyFilter_Select(rows))
                for (; rows.IsNotEnd(); rows.Next())
                    result.AddRow(rows);
        }
        WriteDocument(response, result);
    }
};

} // namespace KeynodeApi
