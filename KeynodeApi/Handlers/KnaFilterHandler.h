#pragma once
#include <cstdint>

#include "DB/TCDBIterator.h"
#include "Handlers/KnaResourceHandler.h"
#include "JsonTypes/KnaJson_BaseFilter.h"

namespace KeynodeApi {

// Base of the filter endpoints: one count, then one page only when something matches. Filters only read;
// they run in one read snapshot, which takes no write lock.
class KnaFilterHandler : public KnaResourceHandler {
protected:
    // Reads the wrapped filter from the body, counts, selects the page and writes the answer. `Result`
    // provides set_Count(int64_t) and AddRow(DB::TCDBIterator&), which adds the current row's record.
    template <class Result>
    static void ServeFilter(const KnaWebRequest& request, KnaWebResponse& response,
                            KnaJson_BaseFilter& filter, Result& result) {
        ReadBody(request, filter);
        AnswerFilter(response, filter, result);
    }

    // The same for a filter read from the body already.
    template <class Result>
    static void AnswerFilter(KnaWebResponse& response, KnaJson_BaseFilter& filter, Result& result) {
        {
            // One read snapshot: the count and the page agree even while others write, and the page's
            // many small reads share one lock instead of taking it each.
            DB::TCDBTransaction snapshot(-1);
            snapshot.Begin(1, true);
            const int64_t count = filter.ApplyFilter_SelectCount();
            result.set_Count(count);
            if (count > 0) {
                DB::TCDBIterator rows;
                if (filter.ApplyFilter_Select(rows))
                    for (; rows.IsNotEnd(); rows.Next())
                        result.AddRow(rows);
            }
            snapshot.Commit();
        }
        WriteDocument(response, result);
    }
};

} // namespace KeynodeApi
