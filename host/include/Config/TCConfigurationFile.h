#pragma once
#include <map>
#include <string>
#include <vector>

#pragma GCC visibility push(default)

// A settings file of "key = value" lines. Blank lines and lines starting with '#' are skipped, as are
// lines without '='. Key and value are trimmed of surrounding whitespace; a '#' inside a value is kept.
// A key given twice keeps the last value.
class TCConfigurationFile {
public:
    // Replaces the current content with the file at path (resolved through TCHostPaths). A missing file
    // gives true and no entries unless mustExist; a file that exists but cannot be read gives false.
    bool Load(const std::string& path, bool mustExist);
    // Parses text in the same format, replacing the current content.
    void Parse(const std::string& text);

    std::string Get(const std::string& key, const std::string& def = "") const;
    bool Has(const std::string& key) const;
    std::vector<std::string> GetKeys() const;

private:
    std::map<std::string, std::string> m_Values;
};

#pragma GCC visibility pop
