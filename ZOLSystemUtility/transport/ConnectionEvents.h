#pragma once

// Building and delivering connection events, and the texts they carry.

#include <cstddef>
#include <cstdint>
#include <string>

#include "ZOLConnection.h"

namespace zol::events {

// Ethernet
inline constexpr const char* kSocketConnected = "Socket connected.";
inline constexpr const char* kSecureSocketConnected = "Secure Socket connected.";
inline constexpr const char* kSocketConnectFailed = "Failed to connect Socket. ";
inline constexpr const char* kSecureSocketConnectFailed = "Failed to connect secure Socket. ";
inline constexpr const char* kSocketDataSent = "Data sent (Socket).";
inline constexpr const char* kSocketPacketReceived = "Packet Received (Socket).";
inline constexpr const char* kSocketDisconnected = "Socket disconnected.";

// Serial
inline constexpr const char* kSerialConnected = "Connected (Serial port opened).";
inline constexpr const char* kSerialOpenFailed = "Fails to open (Serial port).";
inline constexpr const char* kSerialDataSent = "Data sent (Serial port).";
inline constexpr const char* kSerialDisconnected = "Disconnected (Serial port closed).";

// Fills an event (local time and steady clock now; a malloc'ed copy of `data` when given) and hands it
// to `sink` on the calling thread. Nothing happens without a sink.
void Notify(IConnectionEventSink* sink, const std::string& source, ZOLLinkKind link,
            ZOLConnectionEventType type, const std::string& message, const unsigned char* data = nullptr,
            std::size_t length = 0);

} // namespace zol::events

namespace zol {

// "AA 11 01 00 12": frames in the debug log.
std::string HexText(const unsigned char* data, std::size_t length);

} // namespace zol
