#pragma once

// The trusted-root store of a test process: a folder of its own (named after the test and the process)
// holding one fresh root, pointed to by ZOL_CERT_STORE_DIR, so that a simulated display whose chain ends
// in that root is trusted. Register it once per test file:
//
//     zoltest::TrustStore* g_store = zoltest::TrustStore::Register("zol-my-test");

#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include <unistd.h>

namespace zoltest {

class TrustStore : public testing::Environment {
public:
    explicit TrustStore(std::string prefix) : m_prefix(std::move(prefix)) {}

    static TrustStore* Register(std::string prefix) {
        return static_cast<TrustStore*>(testing::AddGlobalTestEnvironment(new TrustStore(std::move(prefix))));
    }

    void SetUp() override {
        base = std::filesystem::temp_directory_path() / (m_prefix + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(base);
        ::setenv("ZOL_CERT_STORE_DIR", base.c_str(), 1);
        root = zolsim::TlsCredentials::Generate();
        ASSERT_TRUE(root.WriteRootToStore(base.string()));
    }
    void TearDown() override { std::filesystem::remove_all(base); }

    // Server credentials issued by the trusted root.
    zolsim::TlsCredentials Issued(const zolsim::CertificateOptions& options = {}) const {
        return zolsim::TlsCredentials::IssuedBy(root.rootCertPem, root.rootKeyPem, options);
    }

    std::filesystem::path base;
    zolsim::TlsCredentials root;

private:
    std::string m_prefix;
};

} // namespace zoltest
