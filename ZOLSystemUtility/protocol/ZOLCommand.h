#pragma once

// The command object: one request and the link that carries it. SendAndReceive is a lookup (the pooled
// connection), a build (the payload table over the packet builder), a framing step and a wait.

// Angle brackets: the exported header of the same name, not this file.
#include <ZOLCommand.h>

#include "protocol/PayloadTable.h"

#include <cstdlib>
#include <memory>
#include <string>

class IZOLConnection;
class CZOLCommandBuilder;

class CZOLCommand : public IZOLCommand {
public:
    static constexpr int kDefaultReplyTimeoutMs = 2000;

    CZOLCommand() = default;
    CZOLCommand(const CZOLCommand&) = delete;
    CZOLCommand& operator=(const CZOLCommand&) = delete;

    void Release() override;
    bool Initialize() override;
    void SetConnectionInfo(std::string address, std::string kind) override;
    void SetAddress(std::string address) override;
    std::string GetAddress() override;
    void SetRelayByte(unsigned char relayByte) override;
    void SetDisplayId(unsigned char displayId) override;
    void SetRelayTarget(int relayTarget) override;
    void SetCommandEx(unsigned char code, unsigned char subCode, int length, int chunkIndex, int chunkCount,
                      const unsigned char* data) override;
    void SetCommand(unsigned char code, int length, const unsigned char* data) override;
    void SetDeviceClass(int deviceClass) override;
    unsigned char* SendAndReceive(int* outLength, int framingVariant, int* connectStatus) override;
    void ClearData() override;
    void SetCommandText(std::string text) override;
    void SetCredential(std::string credential) override;
    std::string GetCredential() override;
    int GetModelCode() override;
    void SetModelCode(int modelCode) override;
    ~CZOLCommand() override;

    // Finds out which framing a display on a serial line answers: outVariant becomes 1 when it answers
    // the compact status query, 2 when it answers only the fixed-ID one, and stays as it was otherwise.
    // Returns the last reply (free() it) or null. The probed port's pooled connection is closed and
    // removed afterwards; a port already pooled with this object's credential is in use and not probed.
    unsigned char* ProbeFraming(const std::string& portName, int* connectStatus, int* outVariant);

    // Wakes the display with this hardware address (twelve hexadecimal digits, no separators). True when
    // at least one of the two magic packets went out; a failure leaves its errno in GetLastSocketError.
    bool SendWakeOnLan(const std::string& macText);

    int GetLastSocketError() const { return m_nLastSocketError; }
    unsigned char GetDisplayId() const { return m_byDisplayId; }
    unsigned char GetCommandCode() const { return m_byCommandCode; }
    int GetDataLength() const { return m_nDataLength; }
    const unsigned char* GetData() const { return m_pData.get(); }

    // What the payload table sees of this object.
    zol::payload::Request MakeRequest() const;

private:
    struct FreeBytes {
        void operator()(unsigned char* bytes) const { std::free(bytes); }
    };

    void CopyData(int length, const unsigned char* data);
    // The pooled connection for this object's address, opened; null when it cannot be had.
    IZOLConnection* ObtainConnection(int framingVariant, int* connectStatus);
    // Writes the plan's packet; false when it could not be built.
    bool WritePlan(IZOLConnection& connection, const zol::payload::Plan& plan, int framingVariant);

    std::string m_strAddress = "localhost";
    std::string m_strConnectionKind = "ETHERNET";
    std::string m_strCommandText;
    std::string m_strCredential;
    unsigned char m_byRelay = 0;
    unsigned char m_byDisplayId = 0;
    int m_nRelayTarget = -1;
    unsigned char m_byCommandCode = 0;
    unsigned char m_bySubCode = 0;
    int m_nReplyTimeout = kDefaultReplyTimeoutMs;
    std::unique_ptr<unsigned char, FreeBytes> m_pData;
    int m_nDataLength = 0;
    int m_nDeviceClass = -1;
    int m_nChunkIndex = 0;
    int m_nChunkCount = 0;
    int m_nModelCode = 0;
    int m_nLastSocketError = 0;
    int m_nDataHeld = 0; // bytes behind m_pData, which may differ from m_nDataLength
};
