#pragma once

// Certificate stores as folders of PEM files: the store named "ROOT" is <base>/ROOT/, where <base> is
// $ZOL_CERT_STORE_DIR when set, else /etc/zol/certstore. The secured session trusts what the "ROOT"
// store holds (and the system's default CA paths).

#include <cstdint>
#include <filesystem>
#include <string>

typedef struct x509_st X509;
typedef struct x509_store_st X509_STORE;

namespace zol::platform {

inline constexpr const char* kCertStoreEnvironment = "ZOL_CERT_STORE_DIR";
inline constexpr const char* kDefaultCertStoreBase = "/etc/zol/certstore";
inline constexpr const char* kRootStoreName = "ROOT";

// The folder of the named store. Empty for a name that is not a plain folder name ("", "..", "a/b").
std::filesystem::path CertStoreFolder(const std::string& storeName);

// Makes the store's folder when it is missing. 0 when it exists afterwards, else EACCES (a store that
// cannot be opened for writing is an access error, whatever the file system said).
std::uint32_t OpenCertStore(const std::string& storeName, std::filesystem::path* folder);

// Adds one certificate to an opened store folder, unless an identical one is already there. The file
// appears whole or not at all (written beside, then renamed). 0 or EACCES.
std::uint32_t AddCertificateToStore(const std::filesystem::path& folder, X509* certificate);

// Loads every certificate of the named store into an OpenSSL store; returns how many were loaded.
int LoadStoreCertificates(const std::string& storeName, X509_STORE* store);

} // namespace zol::platform
