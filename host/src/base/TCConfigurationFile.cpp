#include "Config/TCConfigurationFile.h"

#include "Config/TCHostPaths.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

namespace {

std::string Trim(const std::string& text) {
    const char* space = " \t\r\n";
    const size_t first = text.find_first_not_of(space);
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

enum class FileKind { Missing, Regular, Other };

FileKind Kind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return FileKind::Missing;
    return S_ISREG(info.st_mode) ? FileKind::Regular : FileKind::Other;
}

} // namespace

bool TCConfigurationFile::Load(const std::string& path, bool mustExist) {
    m_Values.clear();
    const std::string resolved = TCHostPaths::Resolve(path);
    switch (Kind(resolved)) {
    case FileKind::Missing:
        return !mustExist;
    case FileKind::Other: // a directory would open but not read
        return false;
    case FileKind::Regular:
        break;
    }
    std::ifstream file(resolved, std::ios::binary);
    if (!file) return false;
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return false;
    Parse(text);
    return true;
}

void TCConfigurationFile::Parse(const std::string& text) {
    m_Values.clear();
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        const size_t equals = trimmed.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = Trim(trimmed.substr(0, equals));
        if (key.empty()) continue;
        m_Values[key] = Trim(trimmed.substr(equals + 1));
    }
}

std::string TCConfigurationFile::Get(const std::string& key, const std::string& def) const {
    const auto found = m_Values.find(key);
    return found != m_Values.end() ? found->second : def;
}

bool TCConfigurationFile::Has(const std::string& key) const {
    return m_Values.count(key) != 0;
}

std::vector<std::string> TCConfigurationFile::GetKeys() const {
    std::vector<std::string> keys;
    keys.reserve(m_Values.size());
    for (const auto& entry : m_Values)
        keys.push_back(entry.first);
    return keys;
}
