#include "support/LambdaResource.h"
#include "support/QuickConfig.h"
#include "support/TestClient.h"

#include "Web/SelfSignedCertificate.h"
#include "Web/Server.h"

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace WebTest;
namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "web-https-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        m_Path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(m_Path, ignored);
    }
    fs::path operator/(const char* name) const { return m_Path / name; }

private:
    fs::path m_Path;
};

std::string fileText(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct X509Deleter {
    void operator()(X509* certificate) const { X509_free(certificate); }
};

std::unique_ptr<X509, X509Deleter> loadCertificate(const fs::path& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "r"), &std::fclose);
    if (!file) return {nullptr, X509Deleter()};
    return std::unique_ptr<X509, X509Deleter>(PEM_read_X509(file.get(), nullptr, nullptr, nullptr));
}

class HttpsTest : public ::testing::Test {
protected:
    TempDir m_Dir;
    fs::path m_Certificate = m_Dir / "server.crt";
    fs::path m_Key = m_Dir / "server.key";
};

TEST_F(HttpsTest, GeneratesCertificateOnceWithPrivateKeyFile) {
    ASSERT_TRUE(Web::ensureSelfSignedCertificate(m_Certificate, m_Key));

    struct stat keyInfo {};
    ASSERT_EQ(::stat(m_Key.c_str(), &keyInfo), 0);
    EXPECT_EQ(keyInfo.st_mode & 0777, 0600u);

    auto certificate = loadCertificate(m_Certificate);
    ASSERT_TRUE(certificate);
    char commonName[64] = "";
    X509_NAME_get_text_by_NID(X509_get_subject_name(certificate.get()), NID_commonName, commonName,
                              sizeof commonName);
    EXPECT_STREQ(commonName, "keynode");
    int days = 0, seconds = 0;
    ASSERT_EQ(ASN1_TIME_diff(&days, &seconds, X509_get0_notBefore(certificate.get()),
                             X509_get0_notAfter(certificate.get())),
              1);
    EXPECT_GE(days, 3650);
    EXPECT_LE(days, 3653);

    const std::string keyBefore = fileText(m_Key);
    EXPECT_FALSE(Web::ensureSelfSignedCertificate(m_Certificate, m_Key));
    EXPECT_EQ(fileText(m_Key), keyBefore);
}

TEST_F(HttpsTest, RoundTripOverTls) {
    Web::ensureSelfSignedCertificate(m_Certificate, m_Key);
    Web::ServerConfig config = quickConfig();
    config.https = {true, "127.0.0.1", 0};
    config.certificateFile = m_Certificate;
    config.privateKeyFile = m_Key;
    Web::Server server(config);
    server.addResource(
        std::make_shared<LambdaResource>([](const Web::Request& request, Web::Response& response) {
            response.out() << request.urlScheme() << ' ' << request.in().rdbuf();
        }),
        "/");
    server.start();
    ASSERT_NE(server.httpsPort(), 0);
    ASSERT_NE(server.httpsPort(), server.httpPort());

    TestClient tls(server.httpsPort(), true);
    EXPECT_EQ(tls.send(makeRequest(http::verb::post, "/", "secret")).body(), "https secret");
    EXPECT_EQ(tls.send(makeRequest(http::verb::post, "/", "again")).body(), "https again");

    TestClient plain(server.httpPort());
    EXPECT_EQ(plain.send(makeRequest(http::verb::post, "/", "open")).body(), "http open");
}

TEST_F(HttpsTest, MissingCertificateFailsStart) {
    Web::ServerConfig config = quickConfig();
    config.https = {true, "127.0.0.1", 0};
    config.certificateFile = m_Certificate;
    config.privateKeyFile = m_Key;
    Web::Server server(config);
    EXPECT_THROW(server.start(), std::runtime_error);
}

} // namespace
