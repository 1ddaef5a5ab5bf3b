// The trusted-root store: the embedded roots, adding certificates once, and a store that cannot be
// written.
#include "Logger.h"
#include "ZOLNetworkHelper.h"
#include "platform/CertStore.h"
#include "util/CertificateTrust.h"
#include "util/EmbeddedCertificates.h"

#include <gtest/gtest.h>

#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        files.push_back(entry.path());
    return files;
}

// The embedded texts keep their base64 on one line; OpenSSL's reader wants it in lines.
X509* Parse(const std::string& oneLine) {
    const std::string begin = "-----BEGIN CERTIFICATE-----";
    const std::string body = oneLine.substr(begin.size(), oneLine.rfind("-----END") - begin.size());
    std::string pem = begin + "\n";
    for (std::size_t at = 0; at < body.size(); at += 64)
        pem += body.substr(at, 64) + "\n";
    pem += "-----END CERTIFICATE-----\n";
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    return certificate;
}

class CertStore : public testing::Test {
protected:
    void SetUp() override {
        base = fs::temp_directory_path() / ("zol-certstore-" + std::to_string(::getpid()));
        fs::remove_all(base);
        ::setenv("ZOL_CERT_STORE_DIR", base.c_str(), 1);
        __logger.SetLevel(LogLevel::Info);
        __logger.SetSink([this](const LogRecord& record) { lines.push_back(record.message); });
    }
    void TearDown() override {
        __logger.SetSink({});
        __logger.SetLevel(LogLevel::Off);
        ::unsetenv("ZOL_CERT_STORE_DIR");
        fs::remove_all(base);
    }

    fs::path base;
    std::vector<std::string> lines;
};

TEST_F(CertStore, EmbeddedRootsAreLongLivedSelfSignedAuthorities) {
    for (const char* pem : {zol::kEmbeddedRootCertificate1, zol::kEmbeddedRootCertificate2}) {
        X509* certificate = Parse(pem);
        ASSERT_NE(certificate, nullptr);
        EXPECT_EQ(X509_check_issued(certificate, certificate), X509_V_OK);
        EXPECT_EQ(X509_check_ca(certificate), 1);
        EXPECT_EQ(X509_get_signature_nid(certificate), NID_sha256WithRSAEncryption);
        EXPECT_EQ(EVP_PKEY_get_bits(X509_get0_pubkey(certificate)), 2048);
        // Valid for decades: still valid thirty years from now.
        std::time_t later = std::time(nullptr) + 30L * 365 * 24 * 3600;
        EXPECT_GT(X509_cmp_time(X509_get0_notAfter(certificate), &later), 0);
        X509_free(certificate);
    }
    EXPECT_NE(std::string(zol::kEmbeddedRootCertificate1), zol::kEmbeddedRootCertificate2);
}

TEST_F(CertStore, AddingTheEmbeddedRootsTwiceKeepsOneCopyEach) {
    CZOLNetworkHelper::AddCertificateToTrustList();
    CZOLNetworkHelper::AddCertificateToTrustList();
    const std::vector<fs::path> files = FilesIn(base / "ROOT");
    ASSERT_EQ(files.size(), 2u);
    // What the store holds is trusted by a verifier that loads it.
    X509_STORE* store = X509_STORE_new();
    EXPECT_EQ(zol::platform::LoadStoreCertificates("ROOT", store), 2);
    X509_STORE_free(store);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "END adding Ceritificate--result: 0"), 4);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Add certificate to Trust list"), 2);
}

TEST_F(CertStore, AnUnwritableStoreReportsTheAccessErrorAndWritesNothing) {
    // The base is a file, so no store folder can be made under it.
    { std::ofstream(base.string()) << "not a folder"; }
    EXPECT_EQ(zol::TrustCertificate("ROOT", zol::kEmbeddedRootCertificate1),
              static_cast<std::uint32_t>(EACCES));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Open store, result: 0, Last Error: 13"), 1);
    EXPECT_EQ(lines.back(), "END adding Ceritificate--result: 13");
    EXPECT_TRUE(fs::is_regular_file(base));
    fs::remove(base);
}

struct PemRow {
    const char* name;
    std::string pem;
    std::uint32_t result;
    std::size_t filesAfter;
};

TEST_F(CertStore, WhatDecodesIsStoredAndWhatDoesNotLeavesTheStoreAlone) {
    const std::string body = std::string(zol::kEmbeddedRootCertificate2).substr(27);
    std::string wrapped = "-----BEGIN CERTIFICATE-----\n";
    const std::string bare = body.substr(0, body.find("-----"));
    for (std::size_t at = 0; at < bare.size(); at += 64)
        wrapped += bare.substr(at, 64) + "\n";
    wrapped += "-----END CERTIFICATE-----\n";
    const std::vector<PemRow> rows = {
        {"one-line PEM", zol::kEmbeddedRootCertificate1, 0, 1},
        {"PEM with line breaks", wrapped, 0, 2},
        {"the same certificate again", bare, 0, 2},
        {"more than 4096 decoded bytes", std::string(5500, 'A'), 0, 2},
        {"not base64", "-----BEGIN CERTIFICATE-----%%%%-----END CERTIFICATE-----", 0, 2},
        {"empty", "", 0, 2},
    };
    for (const PemRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(zol::TrustCertificate("ROOT", row.pem), row.result);
        EXPECT_EQ(FilesIn(base / "ROOT").size(), row.filesAfter);
    }
}

TEST_F(CertStore, StoreNamesAreFolderNamesOnly) {
    for (const char* name : {"", "..", "a/b"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(zol::TrustCertificate(name, zol::kEmbeddedRootCertificate1),
                  static_cast<std::uint32_t>(EACCES));
    }
    EXPECT_FALSE(fs::exists(base));
}

} // namespace
