// Certificates for the simulated display's secured front doors, made fresh in memory: a root that a
// test can place in a trust store, and a server certificate issued by it.
#pragma once

#include <string>

namespace zolsim {

struct CertificateOptions {
    std::string commonName = "zolsim display"; // of the server certificate; clients ignore it
    int validFromDays = -1;                    // relative to now
    int validToDays = 365;                     // relative to now; negative: already expired
    bool selfSigned = false;                   // the server certificate signs itself; no root issues it
};

struct TlsCredentials {
    std::string rootCertPem; // empty for a self-signed server certificate
    std::string rootKeyPem;
    std::string certPem; // the server's certificate and key
    std::string keyPem;

    // A new root and a server certificate issued by it. Empty texts when generation fails.
    static TlsCredentials Generate(const CertificateOptions& options = {});
    // A server certificate issued by a root the caller already has (its certificate and key as PEM).
    static TlsCredentials IssuedBy(const std::string& rootCertPem, const std::string& rootKeyPem,
                                   const CertificateOptions& options = {});

    bool Valid() const { return !certPem.empty() && !keyPem.empty(); }
    // Writes the root certificate to <baseDir>/ROOT/<fileName>, creating the folders. False on failure
    // or when there is no root.
    bool WriteRootToStore(const std::string& baseDir, const std::string& fileName = "zolsim-root.pem") const;
};

} // namespace zolsim
