#include "KnaHandlerInfo.h"

#include <deque>
#include <new>

namespace KeynodeApi {

namespace {

// The per-path sets live beside the map so that the map's pointers stay valid (deque growth never moves
// elements).
struct Registry {
    KnaHandlerInfo::InfoMap Map;
    std::deque<KnaHandlerInfo::InfoSet> Sets;
};

// Holds a T that is built on first use and whose destructor never runs: descriptors and lookups during
// process exit must not meet a destroyed registry.
template <class T> class NeverDestroyed {
public:
    NeverDestroyed() { ::new (static_cast<void*>(m_Storage)) T(); }
    T& Get() { return *std::launder(reinterpret_cast<T*>(m_Storage)); }

private:
    alignas(T) unsigned char m_Storage[sizeof(T)];
};

Registry& GetRegistry() {
    static NeverDestroyed<Registry> registry;
    return registry.Get();
}

} // namespace

const std::set<int> KnaHandlerInfo::CLAIMS_FOR_REMOTE_PHONE_APP = {11001, 11002, 11049, 11050, 11051};

// Registration runs only during library load, on one thread; afterwards the registry is read-only.
KnaHandlerInfo::KnaHandlerInfo(int endpointNumber, const std::string& path, KnaWebMethod method)
    : m_EndpointNumber(endpointNumber), m_Path(path), m_Method(method) {
    Registry& registry = GetRegistry();
    auto found = registry.Map.find(m_Path);
    if (found == registry.Map.end()) {
        registry.Sets.emplace_back();
        found = registry.Map.emplace(m_Path, &registry.Sets.back()).first;
    }
    found->second->insert(this);
}

const KnaHandlerInfo::InfoMap& KnaHandlerInfo::GetInfoMapProtected() {
    return GetRegistry().Map;
}

std::string KnaHandlerInfo::GetWebMethodName(KnaWebMethod method) {
    switch (method) {
    case KnaWebMethod::GET:
        return "GET";
    case KnaWebMethod::POST:
        return "POST";
    case KnaWebMethod::PUT:
        return "PUT";
    case KnaWebMethod::DELETE:
        return "DELETE";
    }
    return std::string();
}

} // namespace KeynodeApi
