#include "Debug/TCDebug.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <date/date.h>
#include <mutex>
#include <sstream>
#include <vector>

const TCDebugCategory DEBUG_DB{3, "DB"};
const TCDebugCategory DEBUG_HTTP{4, "HTTP"};
const TCDebugCategory DEBUG_COMMON{7, "COMMON"};
const TCDebugCategory DEBUG_WEBAPI{35, "WEBAPI"};

namespace {

constexpr int kCategoryCount = 256;
constexpr int kWordBits = 64;

// The process-wide switches and output target; debug output is by nature global.
struct DebugState {
    std::array<std::atomic<uint64_t>, kCategoryCount / kWordBits> Levels{};
    std::mutex OutputMutex;
    std::function<void(const std::string&)> Sink;
};

DebugState& State() {
    static DebugState state;
    return state;
}

const std::array<const TCDebugCategory*, 4>& KnownCategories() {
    static const std::array<const TCDebugCategory*, 4> known{&DEBUG_DB, &DEBUG_HTTP, &DEBUG_COMMON,
                                                             &DEBUG_WEBAPI};
    return known;
}

bool InRange(int number) {
    return number >= 0 && number < kCategoryCount;
}

std::string ToUpperTrimmed(const std::string& text) {
    std::string result;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            result.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    return result;
}

std::string Timestamp() {
    const auto now = date::floor<std::chrono::milliseconds>(std::chrono::system_clock::now());
    return date::format("%FT%TZ", now);
}

} // namespace

bool IsDebugLevel(const TCDebugCategory& category) {
    if (!InRange(category.Number)) return false;
    const uint64_t word = State().Levels[category.Number / kWordBits].load(std::memory_order_relaxed);
    return (word >> (category.Number % kWordBits)) & 1U;
}

void SetDebugLevel(const TCDebugCategory& category, bool on) {
    if (!InRange(category.Number)) return;
    const uint64_t bit = uint64_t{1} << (category.Number % kWordBits);
    std::atomic<uint64_t>& word = State().Levels[category.Number / kWordBits];
    if (on)
        word.fetch_or(bit);
    else
        word.fetch_and(~bit);
}

void SetDebugLevelsFromText(const std::string& text) {
    DebugState& state = State();
    std::vector<std::string> names;
    std::istringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        item = ToUpperTrimmed(item);
        if (!item.empty()) names.push_back(item);
    }
    const bool all = std::find(names.begin(), names.end(), "ALL") != names.end();
    for (auto& word : state.Levels)
        word.store(all ? ~uint64_t{0} : 0);
    if (all) return;
    for (const TCDebugCategory* category : KnownCategories()) {
        if (std::find(names.begin(), names.end(), category->Name) != names.end())
            SetDebugLevel(*category, true);
    }
}

void SendDebugOutput(const TCDebugCategory& category, const char* format, ...) {
    if (!IsDebugLevel(category)) return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string message;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        message.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    while (!message.empty() && message.back() == '\n')
        message.pop_back();

    const std::string line = Timestamp() + " [" + category.Name + "] " + message;
    DebugState& state = State();
    std::lock_guard<std::mutex> lock(state.OutputMutex);
    if (state.Sink) {
        state.Sink(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
    }
}

void SetDebugSink(std::function<void(const std::string&)> sink) {
    DebugState& state = State();
    std::lock_guard<std::mutex> lock(state.OutputMutex);
    state.Sink = std::move(sink);
}
