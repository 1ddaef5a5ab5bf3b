// The extended helper's file download: the display is asked to offer its file, then the file comes over
// a TLS connection of its own on the display's file port.

#include "helpers/ExtendedHelper.h"

#include "Logger.h"
#include "ZOLSystemHelper.h"
#include "transport/TlsFileDownload.h"

#include <stdexcept>

namespace zol::helpers {

bool CCommunicationHelperExtended::DownloadFileOverTls(std::wstring outputPath) {
    if (m_pHandler == nullptr || m_pRecord == nullptr)
        return false;
    std::string path;
    try {
        path = CZOLSystemHelper::WStr2Str(outputPath);
    } catch (const std::range_error&) {
        ZOL_LOG_ERROR << "DownloadFileOverTls: the output path is no text";
        return false;
    }
    if (path.empty() || path.find('\0') != std::string::npos) {
        ZOL_LOG_ERROR << "DownloadFileOverTls: no usable output path";
        return false;
    }
    // The first request prepares the display and may be refused; only the second one counts.
    Exec(0xD0, {0x71, 0x00, 0x00});
    if (Exec(0xD0, {0x71, 0x00, 0x01}) != 1) {
        ZOL_LOG_ERROR << "DownloadFileOverTls: the display did not offer its file";
        return false;
    }
    return zol::tls::DownloadFile(Address(), zol::tls::kFileServerPort, path);
}

} // namespace zol::helpers
