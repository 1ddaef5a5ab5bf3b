#include "ZOLNetworkHelper.h"

#include "Logger.h"
#include "ZOLSystemHelper.h"
#include "platform/CertStore.h"
#include "util/CertificateTrust.h"
#include "util/EmbeddedCertificates.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <array>
#include <memory>
#include <stdexcept>

namespace {

// A decoded certificate never needs more room than this; a longer text does not decode.
constexpr std::size_t kDecodedCapacity = 4096;

struct CertFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// The base64 body of a PEM text (with or without its BEGIN and END lines, line breaks or not) decoded
// into out. False when the text is no base64 or decodes to more than out can hold.
bool DecodePem(const std::string& text, std::array<unsigned char, kDecodedCapacity>& out, std::size_t& size) {
    std::string body = text;
    const std::string dashes = "-----";
    // Drop every "-----...-----" marker: BEGIN and END lines.
    for (std::size_t open = body.find(dashes); open != std::string::npos; open = body.find(dashes)) {
        const std::size_t close = body.find(dashes, open + dashes.size());
        if (close == std::string::npos)
            return false;
        body.erase(open, close + dashes.size() - open);
    }
    size = 0;
    unsigned accumulator = 0;
    int bits = 0;
    bool padding = false;
    for (char c : body) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (c == '=') {
            padding = true;
            continue;
        }
        const int value = Base64Value(c);
        if (value < 0 || padding)
            return false;
        accumulator = (accumulator << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            if (size == out.size())
                return false;
            out[size++] = static_cast<unsigned char>((accumulator >> bits) & 0xFF);
        }
    }
    return size > 0;
}

} // namespace

void CZOLNetworkHelper::AddCertificateToTrustList() {
    ZOL_LOG_INFO << "Add certificate to Trust list";
    TrustSrvrCertificate(L"ROOT", CZOLSystemHelper::StrToWStr(zol::kEmbeddedRootCertificate1));
    TrustSrvrCertificate(L"ROOT", CZOLSystemHelper::StrToWStr(zol::kEmbeddedRootCertificate2));
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): hosts call the exported signature by value
std::uint32_t CZOLNetworkHelper::TrustSrvrCertificate(std::wstring storeName, std::wstring pem) {
    std::string narrowStore;
    std::string narrowPem;
    try {
        narrowStore = CZOLSystemHelper::WStr2Str(storeName);
        narrowPem = CZOLSystemHelper::WStr2Str(pem);
    } catch (const std::range_error&) {
        narrowPem.clear(); // not even Unicode: it does not decode
    }
    return zol::TrustCertificate(narrowStore, narrowPem);
}

std::uint32_t zol::TrustCertificate(const std::string& storeName, const std::string& pem) {
    ZOL_LOG_INFO << "BEGIN adding Ceritificate";
    std::uint32_t result = 0;
    std::array<unsigned char, kDecodedCapacity> decoded{};
    std::size_t size = 0;
    const bool decodedOk = DecodePem(pem, decoded, size);
    ZOL_LOG_INFO << "Crypt String to binary form Result: " << (decodedOk ? 1 : 0);
    if (decodedOk) {
        const unsigned char* cursor = decoded.data();
        std::unique_ptr<X509, CertFree> certificate(d2i_X509(nullptr, &cursor, static_cast<long>(size)));
        ZOL_LOG_INFO << "Create certificate context, Result: " << (certificate ? 1 : 0);
        if (certificate) {
            std::filesystem::path folder;
            result = zol::platform::OpenCertStore(storeName, &folder);
            const bool opened = result == 0;
            ZOL_LOG_INFO << "Open store, result: " << (opened ? 1 : 0) << ", Last Error: " << result;
            if (opened) {
                result = zol::platform::AddCertificateToStore(folder, certificate.get());
                ZOL_LOG_INFO << "Add cerfiticate context to store, result: " << (result == 0 ? 1 : 0);
                ZOL_LOG_INFO << "Close store, result: " << 1;
            }
        }
        ZOL_LOG_INFO << "Free certificate context, result: " << 1;
    }
    ZOL_LOG_INFO << "END adding Ceritificate--result: " << result;
    return result;
}
