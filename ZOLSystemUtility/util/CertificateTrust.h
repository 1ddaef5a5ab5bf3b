#pragma once

// Adding a certificate to a trusted store, for the network helper and for tools that add a file of their
// own ("zolctl trust add").

#include <cstdint>
#include <string>

namespace zol {

// The PEM text (base64 body with or without its BEGIN and END lines) decoded into a 4096-byte buffer and
// added to the named store unless an identical certificate is there already. 0 on success and when the
// text does not decode; EACCES when the store cannot be opened or written.
std::uint32_t TrustCertificate(const std::string& storeName, const std::string& pem);

} // namespace zol
