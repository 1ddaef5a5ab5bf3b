#pragma once

// The display's file download: a TLS client of its own on port 2020, separate from the secured session
// of the command port. It takes the highest protocol version both sides allow, from TLS 1.0 up to 1.3,
// and does not check the server's certificate.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zol::tls {

inline constexpr std::uint32_t kFileServerPort = 2020;
// Each read takes at most this many bytes; the file gets each read as a text followed by a line end.
inline constexpr std::size_t kDownloadReadSize = 4095;
// A display that sends nothing for this long is given up (the handshake and every read).
inline constexpr int kDownloadWaitMs = 10000;

// Connects to address:port, runs the handshake and only then opens (truncating) outputPath, writing every
// read to it. True when the display ended the stream after the handshake and every write succeeded.
bool DownloadFile(const std::string& address, std::uint32_t port, const std::string& outputPath);

} // namespace zol::tls
