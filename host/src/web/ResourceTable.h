#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Web {
class Resource;
}

namespace Web::Detail {

// Mount points and their resources. Filled before the server starts and read-only afterwards, so lookups
// need no lock.
class ResourceTable {
public:
    struct Match {
        std::shared_ptr<Resource> resource;
        std::string mountPath;
    };

    // Throws std::invalid_argument for a null resource or a mount path already taken.
    void add(std::shared_ptr<Resource> resource, const std::string& mountPath);
    // The resource with the longest mount path that `path` begins with; resource is null when none.
    Match find(std::string_view path) const;

private:
    std::vector<Match> m_Entries;
};

} // namespace Web::Detail
