#include "platform/CertStore.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace zol::platform {

namespace {

namespace fs = std::filesystem;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct CertFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
using Certificate = std::unique_ptr<X509, CertFree>;

fs::path StoreBase() {
    const char* configured = std::getenv(kCertStoreEnvironment);
    return configured != nullptr && *configured != '\0' ? fs::path(configured)
                                                        : fs::path(kDefaultCertStoreBase);
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// Every certificate in one PEM file.
std::vector<Certificate> ReadCertificates(const fs::path& file) {
    std::vector<Certificate> found;
    File in(std::fopen(file.c_str(), "r"));
    if (!in)
        return found;
    while (X509* certificate = PEM_read_X509(in.get(), nullptr, nullptr, nullptr))
        found.emplace_back(certificate);
    // The read that found no further certificate leaves its complaint behind; it is no failure.
    ERR_clear_error();
    return found;
}

std::vector<fs::path> StoreFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        // Files still being written by an adder are not part of the store yet.
        if (it->is_regular_file(error) && it->path().extension() != ".tmp")
            files.push_back(it->path());
    }
    return files;
}

bool StoreHolds(const fs::path& folder, X509* certificate) {
    for (const fs::path& file : StoreFiles(folder)) {
        for (const Certificate& held : ReadCertificates(file)) {
            if (X509_cmp(held.get(), certificate) == 0)
                return true;
        }
    }
    return false;
}

std::string Fingerprint(X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &size) != 1)
        return {};
    static const char* hex = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0xF];
    }
    return text;
}

} // namespace

fs::path CertStoreFolder(const std::string& storeName) {
    if (!IsPlainName(storeName))
        return {};
    return StoreBase() / storeName;
}

std::uint32_t OpenCertStore(const std::string& storeName, fs::path* folder) {
    const fs::path path = CertStoreFolder(storeName);
    if (path.empty())
        return EACCES;
    std::error_code error;
    fs::create_directories(path, error);
    if (error || !fs::is_directory(path, error) || ::access(path.c_str(), W_OK | X_OK) != 0)
        return EACCES;
    if (folder != nullptr)
        *folder = path;
    return 0;
}

std::uint32_t AddCertificateToStore(const fs::path& folder, X509* certificate) {
    if (certificate == nullptr)
        return EACCES;
    if (StoreHolds(folder, certificate))
        return 0;
    const std::string name = Fingerprint(certificate);
    if (name.empty())
        return EACCES;
    const fs::path target = folder / (name + ".pem");
    const fs::path partial = folder / (name + "." + std::to_string(::getpid()) + ".tmp");
    bool written = false;
    {
        File out(std::fopen(partial.c_str(), "w"));
        written = out && PEM_write_X509(out.get(), certificate) == 1 && std::fflush(out.get()) == 0 &&
                  ::fsync(::fileno(out.get())) == 0;
        if (out && std::fclose(out.release()) != 0)
            written = false;
    }
    std::error_code error;
    if (written) {
        fs::rename(partial, target, error);
        written = !error;
    }
    if (!written) {
        fs::remove(partial, error);
        return EACCES;
    }
    return 0;
}

int LoadStoreCertificates(const std::string& storeName, X509_STORE* store) {
    const fs::path folder = CertStoreFolder(storeName);
    if (folder.empty() || store == nullptr)
        return 0;
    int loaded = 0;
    for (const fs::path& file : StoreFiles(folder)) {
        for (const Certificate& certificate : ReadCertificates(file)) {
            // A certificate that is already in the store is not an error worth reporting.
            if (X509_STORE_add_cert(store, certificate.get()) == 1)
                ++loaded;
        }
    }
    return loaded;
}

} // namespace zol::platform
