#include "zolsim/Tls.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace zolsim {

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree {
    void operator()(X509* cert) const { X509_free(cert); }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;
using CertPtr = std::unique_ptr<X509, CertFree>;
using BioPtr = std::unique_ptr<BIO, BioFree>;

constexpr long kDay = 24L * 60 * 60;

std::string BioText(BIO* bio) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return length > 0 ? std::string(data, static_cast<std::size_t>(length)) : std::string();
}

std::string CertToPem(X509* cert) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    return bio && PEM_write_bio_X509(bio.get(), cert) == 1 ? BioText(bio.get()) : std::string();
}

std::string KeyToPem(EVP_PKEY* key) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    return bio && PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1
               ? BioText(bio.get())
               : std::string();
}

CertPtr CertFromPem(const std::string& pem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    return CertPtr(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

KeyPtr KeyFromPem(const std::string& pem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    return KeyPtr(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

bool AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (ext == nullptr) {
        return false;
    }
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

// issuer null: self-signed with the certificate's own key.
CertPtr MakeCertificate(EVP_PKEY* key, const std::string& commonName, X509* issuer, EVP_PKEY* issuerKey,
                        bool isRoot, int fromDays, int toDays) {
    CertPtr cert(X509_new());
    if (!cert) {
        return nullptr;
    }
    unsigned char serial[8];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_set_version(cert.get(), 2);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), fromDays * kDay);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), toDays * kDay);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    X509* signer = issuer != nullptr ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
    const bool extensionsOk =
        isRoot ? AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE") &&
                     AddExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign") &&
                     AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash")
               : AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE") &&
                     AddExtension(cert.get(), signer, NID_key_usage,
                                  "critical,digitalSignature,keyEncipherment") &&
                     AddExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
    if (!extensionsOk || X509_sign(cert.get(), issuerKey != nullptr ? issuerKey : key, EVP_sha256()) <= 0) {
        return nullptr;
    }
    return cert;
}

// A fresh P-256 key. (The library's own shorthand for this casts the curve name's const away.)
EVP_PKEY* NewP256Key() {
    return EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
}

std::string RandomSuffix() {
    unsigned char bytes[4];
    RAND_bytes(bytes, sizeof bytes);
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (unsigned char b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

} // namespace

TlsCredentials TlsCredentials::Generate(const CertificateOptions& options) {
    if (options.selfSigned) {
        KeyPtr key(NewP256Key());
        if (!key) {
            return {};
        }
        CertPtr cert = MakeCertificate(key.get(), options.commonName, nullptr, nullptr, false,
                                       options.validFromDays, options.validToDays);
        if (!cert) {
            return {};
        }
        TlsCredentials credentials;
        credentials.certPem = CertToPem(cert.get());
        credentials.keyPem = KeyToPem(key.get());
        return credentials;
    }
    KeyPtr rootKey(NewP256Key());
    if (!rootKey) {
        return {};
    }
    // A distinct name per root, so several test roots can sit in one trust folder.
    CertPtr root =
        MakeCertificate(rootKey.get(), "zolsim root " + RandomSuffix(), nullptr, nullptr, true, -1, 3650);
    if (!root) {
        return {};
    }
    return IssuedBy(CertToPem(root.get()), KeyToPem(rootKey.get()), options);
}

TlsCredentials TlsCredentials::IssuedBy(const std::string& rootCertPem, const std::string& rootKeyPem,
                                        const CertificateOptions& options) {
    CertPtr root = CertFromPem(rootCertPem);
    KeyPtr rootKey = KeyFromPem(rootKeyPem);
    KeyPtr key(NewP256Key());
    if (!root || !rootKey || !key) {
        return {};
    }
    CertPtr cert = MakeCertificate(key.get(), options.commonName, root.get(), rootKey.get(), false,
                                   options.validFromDays, options.validToDays);
    if (!cert) {
        return {};
    }
    TlsCredentials credentials;
    credentials.rootCertPem = rootCertPem;
    credentials.rootKeyPem = rootKeyPem;
    credentials.certPem = CertToPem(cert.get());
    credentials.keyPem = KeyToPem(key.get());
    return credentials;
}

bool TlsCredentials::WriteRootToStore(const std::string& baseDir, const std::string& fileName) const {
    if (rootCertPem.empty()) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(baseDir) / "ROOT";
    std::filesystem::create_directories(folder, error);
    if (error) {
        return false;
    }
    std::ofstream out(folder / fileName, std::ios::binary | std::ios::trunc);
    out << rootCertPem;
    return static_cast<bool>(out);
}

} // namespace zolsim
