#include "ZOLNetworkHelper.h"

#include "Logger.h"

#include <cerrno>

// The trusted-root store and the two embedded certificates arrive with the secured-session work. Until
// then nothing can be trusted: every attempt reports the access error, as a store that cannot be written.

void CZOLNetworkHelper::AddCertificateToTrustList() {
    ZOL_LOG_INFO << "Add certificate to Trust list";
    TrustSrvrCertificate(L"ROOT", L"");
    TrustSrvrCertificate(L"ROOT", L"");
}

std::uint32_t CZOLNetworkHelper::TrustSrvrCertificate(std::wstring storeName, std::wstring pem) {
    (void)storeName;
    (void)pem;
    ZOL_LOG_INFO << "BEGIN adding Ceritificate";
    const auto result = static_cast<std::uint32_t>(EACCES);
    ZOL_LOG_INFO << "END adding Ceritificate--result: " << result;
    return result;
}
