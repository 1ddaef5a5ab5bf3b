#pragma once

// Serial ports through termios: opening one exclusively, its line settings, writing to it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zol::platform {

// The error number of an operation that needs an open port when none is open.
inline constexpr std::uint32_t kErrorPortNotOpen = 6;

// The device for a port name: "COMn" is /dev/ttyS(n-1), a name without a slash lives in /dev/, a path is
// used as given.
std::string SerialDevicePath(const std::string& name);

// Opens the device for reading and writing, non-blocking, not as controlling terminal, and takes it for
// this process alone (flock and TIOCEXCL). Returns the descriptor or -1 with *error set.
int OpenSerialExclusive(const std::string& path, int* error);

// Raw bytes, reads that return at once with what is queued, receiver on, modem status ignored, and no
// flow control of any kind (RTS/CTS, DSR/DTR, XON/XOFF); DTR and RTS are dropped where the device has
// those lines. Returns 0 or an error number.
int PrepareRawLine(int fd);

// Baud rate, byte size (5..8), stop bits (0 one, 1 one and a half, 2 two) and parity (0 none, 1 odd,
// 2 even, 3 mark, 4 space). The settings are read back: a device that does not keep what it was given
// fails with EOPNOTSUPP, unknown codes with EINVAL. Returns 0 or an error number.
int ApplyLineSettings(int fd, std::uint32_t baudRate, std::uint8_t byteSize, std::uint8_t stopBits,
                      std::uint8_t parity);

// Discards what is queued in both directions.
void PurgeLine(int fd);

// Gives the port back (exclusivity, lock) and closes it.
void CloseSerial(int fd);

// Writes all bytes, waiting for room at most timeoutMs in all. Returns the bytes written (may be fewer
// on failure, with *error set).
std::size_t WriteSerial(int fd, const unsigned char* data, std::size_t length, int timeoutMs, int* error);

} // namespace zol::platform
