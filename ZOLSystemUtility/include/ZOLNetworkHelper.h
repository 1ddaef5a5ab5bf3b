#pragma once

/// \file
/// IP address texts, the socket interface's start and end, and trusting the certificates that the
/// displays' TLS servers chain to. Static members only.

#include "ZOLExport.h"

#include <cstdint>
#include <string>
#include <vector>

/// What GetIPType finds in an address text.
enum ZOLIPType { ZOL_IP_NONE = 0, ZOL_IP_V4 = 1, ZOL_IP_V6 = 2 };

/// Address texts, the socket interface and certificate trust; see the file description.
class CZOLNetworkHelper {
public:
    CZOLNetworkHelper() = default;
    /// Nothing to copy: the class has no data.
    CZOLNetworkHelper(const CZOLNetworkHelper&) = default;
    /// Nothing to assign: the class has no data.
    ZOL_API CZOLNetworkHelper& operator=(const CZOLNetworkHelper& other);
    /// Nothing to assign: the class has no data.
    ZOL_API CZOLNetworkHelper& operator=(CZOLNetworkHelper&& other) noexcept;

    /// IPv4 for a dotted address of four decimal parts, IPv6 for any IPv6 text form; host names are not
    /// addresses.
    static ZOL_API ZOLIPType GetIPType(std::string text);
    /// Four bytes as dotted decimal; sixteen bytes as eight four-digit lower-case hexadecimal groups joined
    /// by ':' without zero compression; any other count (or a null pointer) gives an empty text.
    static ZOL_API std::wstring GetIPStringFromOctets(const unsigned char* octets, int count);
    /// The 4 or 16 bytes of an address text ("::" compression expanded); empty when it is no address.
    static ZOL_API std::vector<unsigned char> GetOctetsFromIPString(std::wstring text);

    /// 0 success, 1 failure. Nothing needs starting on this platform.
    static ZOL_API int SocketInterfaceStartup();
    /// The end of SocketInterfaceStartup; nothing to end on this platform.
    static ZOL_API void SocketInterfaceCleanup();

    /// Adds the two embedded root certificates to the trusted-root store "ROOT".
    static ZOL_API void AddCertificateToTrustList();

private:
    /// Adds one PEM certificate to the named store; 0 on success (or when the text does not decode),
    /// otherwise the store's error code.
    static ZOL_API std::uint32_t TrustSrvrCertificate(std::wstring storeName, std::wstring pem);
};
