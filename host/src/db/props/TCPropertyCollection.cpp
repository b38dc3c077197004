#include "Property/TCPropertyCollection.h"

#include <map>
#include <mutex>

namespace Property {
namespace {

struct SessionRegistry {
    std::mutex Lock;
    std::map<int64_t, std::string> Sessions;
};

SessionRegistry& Registry() {
    static SessionRegistry registry;
    return registry;
}

} // namespace

void TCPropertyCollection::SetCurrentSession(int64_t number, const std::string& name) {
    SessionRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.Lock);
    r.Sessions[number] = name;
}

void TCPropertyCollection::DeleteSession(int64_t number) {
    SessionRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.Lock);
    r.Sessions.erase(number);
}

bool TCPropertyCollection::HasSession(int64_t number) {
    SessionRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.Lock);
    return r.Sessions.count(number) != 0;
}

std::string TCPropertyCollection::GetSessionName(int64_t number) {
    SessionRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.Lock);
    const auto it = r.Sessions.find(number);
    return it == r.Sessions.end() ? std::string() : it->second;
}

} // namespace Property
