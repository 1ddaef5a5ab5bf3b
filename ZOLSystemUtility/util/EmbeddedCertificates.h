#pragma once

// The two roots that the displays' TLS servers chain to, as PEM texts with the base64 body on one line.
// They are installed into the trusted-root store by CZOLNetworkHelper::AddCertificateToTrustList.

namespace zol {

extern const char* const kEmbeddedRootCertificate1;
extern const char* const kEmbeddedRootCertificate2;

} // namespace zol
