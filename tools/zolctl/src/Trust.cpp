#include "Trust.h"

#include "ZOLNetworkHelper.h"
#include "platform/CertStore.h"
#include "util/CertificateTrust.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zolctl {

namespace {

constexpr const char* kBegin = "-----BEGIN CERTIFICATE-----";
constexpr const char* kEnd = "-----END CERTIFICATE-----";

// The certificate blocks of a PEM text, each with its BEGIN and END lines.
std::vector<std::string> CertificateBlocks(const std::string& text) {
    std::vector<std::string> blocks;
    const std::string end = kEnd;
    for (std::size_t at = text.find(kBegin); at != std::string::npos; at = text.find(kBegin, at)) {
        const std::size_t stop = text.find(end, at);
        if (stop == std::string::npos) {
            break;
        }
        blocks.push_back(text.substr(at, stop + end.size() - at));
        at = stop + end.size();
    }
    return blocks;
}

Outcome Failure(const std::string& message) {
    Outcome outcome;
    outcome.exitCode = kExitFailure;
    outcome.json["result"] = false;
    outcome.message = message;
    return outcome;
}

} // namespace

Outcome RunTrust(const Request& request) {
    const std::string store = zol::platform::kRootStoreName;
    const std::string folder = zol::platform::CertStoreFolder(store).string();
    if (request.trustAction == "install") {
        CZOLNetworkHelper::AddCertificateToTrustList();
        // The helper reports nothing; the store tells whether it could be written.
        if (zol::platform::OpenCertStore(store, nullptr) != 0) {
            return Failure("the trusted-root store " + folder + " can not be written");
        }
        Outcome outcome;
        outcome.json["result"] = true;
        outcome.json["store"] = folder;
        return outcome;
    }

    std::ifstream in(request.pemFile, std::ios::binary);
    if (!in) {
        return Failure("can not read " + request.pemFile);
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::vector<std::string> blocks = CertificateBlocks(text.str());
    if (blocks.empty()) {
        return Failure(request.pemFile + " holds no PEM certificate");
    }
    std::uint32_t error = 0;
    for (const std::string& block : blocks) {
        error = zol::TrustCertificate(store, block);
        if (error != 0) {
            break;
        }
    }
    Outcome outcome;
    outcome.exitCode = error == 0 ? kExitSuccess : kExitFailure;
    outcome.json["result"] = error == 0;
    outcome.json["store"] = folder;
    outcome.json["added"] = error == 0 ? blocks.size() : 0;
    outcome.json["error"] = error;
    if (error != 0) {
        outcome.message = "the trusted-root store " + folder + " can not be written";
    }
    return outcome;
}

} // namespace zolctl
