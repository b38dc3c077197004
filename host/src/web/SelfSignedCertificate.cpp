#include "Web/SelfSignedCertificate.h"

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace Web {
namespace {

constexpr long tenYearsInSeconds = 10L * 365 * 24 * 60 * 60;
constexpr const char* commonName = "keynode";

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateDeleter {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct ExtensionDeleter {
    void operator()(X509_EXTENSION* extension) const { X509_EXTENSION_free(extension); }
};
struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using CertificatePtr = std::unique_ptr<X509, CertificateDeleter>;
using ExtensionPtr = std::unique_ptr<X509_EXTENSION, ExtensionDeleter>;
using FilePtr = std::unique_ptr<FILE, FileCloser>;

[[noreturn]] void fail(const std::string& what) {
    char detail[256] = "";
    if (unsigned long code = ERR_get_error()) ERR_error_string_n(code, detail, sizeof detail);
    ERR_clear_error();
    throw std::runtime_error("self-signed certificate: " + what +
                             (detail[0] ? std::string(": ") + detail : ""));
}

void check(int result, const char* what) {
    if (result <= 0) fail(what);
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Opens for writing with the given mode; the mode is forced even when the file existed.
FilePtr openForWriting(const std::string& path, mode_t mode) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0 || ::fchmod(fd, mode) != 0) {
        if (fd >= 0) ::close(fd);
        throw std::runtime_error("self-signed certificate: cannot write '" + path + "'");
    }
    FILE* file = ::fdopen(fd, "w");
    if (!file) {
        ::close(fd);
        throw std::runtime_error("self-signed certificate: cannot write '" + path + "'");
    }
    return FilePtr(file);
}

void addExtension(X509* certificate, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    ExtensionPtr extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value));
    if (!extension) fail("cannot create certificate extension");
    check(X509_add_ext(certificate, extension.get(), -1), "cannot add certificate extension");
}

CertificatePtr makeCertificate(EVP_PKEY* key) {
    CertificatePtr certificate(X509_new());
    if (!certificate) fail("cannot allocate certificate");
    check(X509_set_version(certificate.get(), 2), "cannot set version"); // X.509 v3
    // A random serial, so that clients that cached an earlier certificate do not confuse the two.
    BIGNUM* serial = BN_new();
    bool serialOk = serial && BN_rand(serial, 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) &&
                    BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(certificate.get()));
    BN_free(serial);
    if (!serialOk) fail("cannot set serial number");
    if (!X509_gmtime_adj(X509_getm_notBefore(certificate.get()), 0) ||
        !X509_gmtime_adj(X509_getm_notAfter(certificate.get()), tenYearsInSeconds))
        fail("cannot set validity");
    check(X509_set_pubkey(certificate.get(), key), "cannot set public key");

    X509_NAME* name = X509_get_subject_name(certificate.get());
    check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0),
          "cannot set common name");
    check(X509_set_issuer_name(certificate.get(), name), "cannot set issuer");
    addExtension(certificate.get(), NID_basic_constraints, "critical,CA:FALSE");
    addExtension(certificate.get(), NID_subject_alt_name, "DNS:keynode");
    check(X509_sign(certificate.get(), key, EVP_sha256()), "cannot sign certificate");
    return certificate;
}

} // namespace

bool ensureSelfSignedCertificate(const std::string& certificateFile, const std::string& privateKeyFile) {
    if (fileExists(certificateFile) && fileExists(privateKeyFile)) return false;

    KeyPtr key(EVP_EC_gen("P-256"));
    if (!key) fail("cannot generate EC P-256 key");
    CertificatePtr certificate = makeCertificate(key.get());

    {
        FilePtr keyOut = openForWriting(privateKeyFile, S_IRUSR | S_IWUSR);
        check(PEM_write_PrivateKey(keyOut.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr),
              "cannot write private key");
        if (std::fflush(keyOut.get()) != 0) fail("cannot write private key");
    }
    FilePtr certificateOut = openForWriting(certificateFile, S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH);
    check(PEM_write_X509(certificateOut.get(), certificate.get()), "cannot write certificate");
    if (std::fflush(certificateOut.get()) != 0) fail("cannot write certificate");
    return true;
}

} // namespace Web
