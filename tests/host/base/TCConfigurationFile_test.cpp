#include "Config/TCConfigurationFile.h"
#include "Config/TCHostPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::string pattern = (fs::temp_directory_path() / "host-base-config-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_Path = pattern;
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        fs::remove_all(m_Path, ignored);
    }
    const fs::path& Path() const { return m_Path; }

private:
    fs::path m_Path;
};

// Every test runs with the host root in its own temporary directory.
class ConfigurationFileTest : public ::testing::Test {
protected:
    void SetUp() override { TCHostPaths::SetRoot(m_Root.Path().string()); }
    void TearDown() override { TCHostPaths::SetRoot(""); }

    void WriteHostFile(const std::string& absolutePath, const std::string& content) {
        const fs::path file = TCHostPaths::Resolve(absolutePath);
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }

    TemporaryDirectory m_Root;
};

const char kSettingsPath[] = "/etc/keynode/settings/server_config.txt";

} // namespace

TEST_F(ConfigurationFileTest, LoadsFileBelowTheRoot) {
    WriteHostFile(kSettingsPath, "port = 8443\n");
    TCConfigurationFile config;
    ASSERT_TRUE(config.Load(kSettingsPath, true));
    EXPECT_EQ(config.Get("port"), "8443");
}

TEST_F(ConfigurationFileTest, ParsesKeysValuesAndComments) {
    WriteHostFile(kSettingsPath, "# leading comment\r\n"
                                 "  name =  front door  \r\n"
                                 "\n"
                                 "url=https://host/path?a=b\n"
                                 "secret = pa#ss\n"
                                 "   # indented comment = ignored\n"
                                 "no separator here\n"
                                 " = no key\n"
                                 "empty =\n"
                                 "dup = first\n"
                                 "dup = second\n");
    TCConfigurationFile config;
    ASSERT_TRUE(config.Load(kSettingsPath, true));
    EXPECT_EQ(config.Get("name"), "front door");
    EXPECT_EQ(config.Get("url"), "https://host/path?a=b");
    EXPECT_EQ(config.Get("secret"), "pa#ss");
    EXPECT_EQ(config.Get("empty", "default"), "");
    EXPECT_TRUE(config.Has("empty"));
    EXPECT_EQ(config.Get("dup"), "second");
    EXPECT_FALSE(config.Has("# indented comment"));
    EXPECT_EQ(config.Get("missing", "fallback"), "fallback");
    EXPECT_EQ(config.GetKeys(), (std::vector<std::string>{"dup", "empty", "name", "secret", "url"}));
}

TEST_F(ConfigurationFileTest, MissingFileFailsOnlyWhenRequired) {
    TCConfigurationFile config;
    config.Parse("stale = yes");
    EXPECT_FALSE(config.Load("/etc/keynode/absent.txt", true));
    EXPECT_TRUE(config.Load("/etc/keynode/absent.txt", false));
    EXPECT_FALSE(config.Has("stale"));
}

TEST_F(ConfigurationFileTest, DirectoryIsNotReadable) {
    fs::create_directories(TCHostPaths::Resolve("/etc/keynode/dir"));
    TCConfigurationFile config;
    EXPECT_FALSE(config.Load("/etc/keynode/dir", false));
}

TEST(HostPaths, ResolvesAbsolutePathsBelowTheRoot) {
    TCHostPaths::SetRoot("/tmp/unit-root/");
    EXPECT_EQ(TCHostPaths::GetRoot(), "/tmp/unit-root");
    EXPECT_EQ(TCHostPaths::Resolve("/etc/keynode/a.txt"), "/tmp/unit-root/etc/keynode/a.txt");
    EXPECT_EQ(TCHostPaths::Resolve("relative/a.txt"), "relative/a.txt");
    EXPECT_EQ(TCHostPaths::Resolve(""), "");

    TCHostPaths::SetRoot("");
    EXPECT_EQ(TCHostPaths::Resolve("/etc/keynode/a.txt"), "/etc/keynode/a.txt");
}
