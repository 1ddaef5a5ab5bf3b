#pragma once

// An in-memory connection to a simulated display for tests that must reach every failure point of a
// send/receive path: it can write or read only part of what is asked, and make exactly the Nth
// operation (connect, send or receive, counted together from 1) fail. Looping a test over N walks every
// place where the path can break.
//
// The display behind it is a function the test supplies: it gets every chunk of bytes written, in order,
// and returns the bytes the display sends back (tests put the simulated display's request parser and
// display model behind it). FaultyCommand is a command object that sends over one such
// connection instead of the pool, so the command handler's send, match and retry loop runs against it;
// CZOLConnectionPool::SetConnectionMaker puts one behind the pool itself, for the roads that go through it.

#include "ZOLCommand.h"
#include "ZOLConnection.h"
#include <cstddef>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zol::testing {

using Bytes = std::vector<unsigned char>;
using Peer = std::function<Bytes(const Bytes& written)>;

struct FaultPlan {
    int failOperation = 0;                                          // 1-based; 0: nothing fails
    std::size_t maxWrite = std::numeric_limits<std::size_t>::max(); // bytes one Send accepts
    std::size_t maxRead = std::numeric_limits<std::size_t>::max();  // bytes one Receive hands over
    int connectStatus = ZOL_CONNECT_OPENED; // what Connect reports (the link opens whatever it says)
};

class FaultyConnection : public IZOLConnection {
public:
    explicit FaultyConnection(Peer peer, FaultPlan plan = {});

    bool Initialize() override { return true; }
    void SetAddress(std::string address) override { m_address = std::move(address); }
    std::string GetAddress() override { return m_address; }
    void SetCredential(std::string credential) override { m_credential = std::move(credential); }
    std::string GetCredential() override { return m_credential; }
    std::string GetConnectionType() override { return ZOL_CONN_TYPE_ETHERNET; }
    bool Connect(int* connectStatus) override;
    void SetEventSink(IConnectionEventSink*) override {}
    void SetEventNotification(bool) override {}
    bool IsConnected() override;
    int Send(const unsigned char* data, int length) override;
    unsigned char* Receive(int* length, int timeoutMs) override;
    void Close() override;
    void ReleaseResources() override { Close(); }
    void Destroy() override { delete this; }
    bool IsBusy() override { return false; }
    void SetBusy(bool) override {}
    std::string GetLocalAddress() override { return "127.0.0.1"; }
    std::uint32_t SetLinkParameter(std::uint32_t value) override;
    std::uint32_t GetLinkParameter() override { return m_linkParameter; }

    // Operations counted so far, the failed one included.
    int Operations() const;
    // Chunks written that reached the display.
    int Writes() const;
    // Reply bytes the display sent that no Receive has taken yet.
    std::size_t Pending() const;

private:
    bool Fails(); // counts one operation; true when it is the one planned to fail

    mutable std::mutex m_lock;
    Peer m_peer;
    FaultPlan m_plan;
    std::deque<unsigned char> m_toClient; // reply bytes not yet received
    std::string m_address = "in-memory";
    std::string m_credential;
    std::uint32_t m_linkParameter = 1515;
    bool m_connected = false;
    int m_operations = 0;
    int m_writes = 0;
};

// A command object that writes its request as a standard frame (AA code id n data checksum) to one
// FaultyConnection, finishing a partial write with further writes, and receives the reply from it.
class FaultyCommand : public IZOLCommand {
public:
    explicit FaultyCommand(FaultyConnection& connection, int replyWaitMs = 50)
        : m_connection(connection), m_wait(replyWaitMs) {}

    void Release() override {}
    bool Initialize() override { return true; }
    void SetConnectionInfo(std::string address, std::string) override { m_address = std::move(address); }
    void SetAddress(std::string address) override { m_address = std::move(address); }
    std::string GetAddress() override { return m_address; }
    void SetRelayByte(unsigned char) override {}
    void SetDisplayId(unsigned char displayId) override { m_id = displayId; }
    void SetRelayTarget(int) override {}
    void SetCommandEx(unsigned char code, unsigned char, int length, int, int,
                      const unsigned char* data) override {
        SetCommand(code, length, data);
    }
    void SetCommand(unsigned char code, int length, const unsigned char* data) override;
    void SetDeviceClass(int) override {}
    unsigned char* SendAndReceive(int* outLength, int framingVariant, int* connectStatus) override;
    void ClearData() override { m_data.clear(); }
    void SetCommandText(std::string) override {}
    void SetCredential(std::string credential) override { m_credential = std::move(credential); }
    std::string GetCredential() override { return m_credential; }
    int GetModelCode() override { return 0; }
    void SetModelCode(int) override {}

    int Sends() const { return m_sends; }

private:
    FaultyConnection& m_connection;
    int m_wait;
    std::string m_address;
    std::string m_credential;
    unsigned char m_id = 0;
    unsigned char m_code = 0;
    Bytes m_data;
    int m_sends = 0;
};

} // namespace zol::testing
