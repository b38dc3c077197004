#include "ResourceTable.h"

#include <stdexcept>

namespace Web::Detail {

void ResourceTable::add(std::shared_ptr<Resource> resource, const std::string& mountPath) {
    if (!resource) throw std::invalid_argument("null resource for mount path '" + mountPath + "'");
    for (const auto& entry : m_Entries)
        if (entry.mountPath == mountPath)
            throw std::invalid_argument("mount path '" + mountPath + "' is already in use");
    m_Entries.push_back(Match{std::move(resource), mountPath});
}

ResourceTable::Match ResourceTable::find(std::string_view path) const {
    const Match* best = nullptr;
    for (const auto& entry : m_Entries) {
        bool isPrefix = path.substr(0, entry.mountPath.size()) == entry.mountPath;
        if (isPrefix && (!best || entry.mountPath.size() > best->mountPath.size())) best = &entry;
    }
    return best ? *best : Match{};
}

} // namespace Web::Detail
