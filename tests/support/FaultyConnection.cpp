#include "FaultyConnection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace zol::testing {

FaultyConnection::FaultyConnection(Peer peer, FaultPlan plan) : m_peer(std::move(peer)), m_plan(plan) {}

bool FaultyConnection::Fails() {
    ++m_operations;
    return m_operations == m_plan.failOperation;
}

bool FaultyConnection::Connect(int* connectStatus) {
    std::lock_guard guard(m_lock);
    if (connectStatus != nullptr)
        *connectStatus = m_plan.connectStatus;
    m_connected = !Fails();
    return m_connected;
}

bool FaultyConnection::IsConnected() {
    std::lock_guard guard(m_lock);
    return m_connected;
}

int FaultyConnection::Send(const unsigned char* data, int length) {
    std::lock_guard guard(m_lock);
    if (Fails() || !m_connected || data == nullptr || length <= 0)
        return 0;
    const std::size_t written = std::min(static_cast<std::size_t>(length), m_plan.maxWrite);
    ++m_writes;
    const Bytes reply = m_peer ? m_peer(Bytes(data, data + written)) : Bytes{};
    m_toClient.insert(m_toClient.end(), reply.begin(), reply.end());
    return static_cast<int>(written);
}

unsigned char* FaultyConnection::Receive(int* length, int) {
    std::lock_guard guard(m_lock);
    if (length == nullptr)
        return nullptr;
    *length = 0;
    if (Fails() || !m_connected || m_toClient.empty())
        return nullptr;
    const std::size_t count = std::min(m_toClient.size(), m_plan.maxRead);
    // Reply buffers are as large as the connections' own, so a reader may look at any of their bytes.
    auto* reply = static_cast<unsigned char*>(std::calloc(2048 + 1, 1));
    if (reply == nullptr)
        return nullptr;
    std::copy(m_toClient.begin(), m_toClient.begin() + static_cast<long>(count), reply);
    m_toClient.erase(m_toClient.begin(), m_toClient.begin() + static_cast<long>(count));
    *length = static_cast<int>(count);
    return reply;
}

void FaultyConnection::Close() {
    std::lock_guard guard(m_lock);
    m_connected = false;
    m_toClient.clear();
}

std::uint32_t FaultyConnection::SetLinkParameter(std::uint32_t value) {
    std::lock_guard guard(m_lock);
    m_linkParameter = value;
    return 0;
}

int FaultyConnection::Operations() const {
    std::lock_guard guard(m_lock);
    return m_operations;
}

int FaultyConnection::Writes() const {
    std::lock_guard guard(m_lock);
    return m_writes;
}

std::size_t FaultyConnection::Pending() const {
    std::lock_guard guard(m_lock);
    return m_toClient.size();
}

void FaultyCommand::SetCommand(unsigned char code, int length, const unsigned char* data) {
    m_code = code;
    if (data != nullptr && length > 0)
        m_data.assign(data, data + length);
    else if (length <= 0)
        m_data.clear();
}

unsigned char* FaultyCommand::SendAndReceive(int* outLength, int, int* connectStatus) {
    ++m_sends;
    if (!m_connection.IsConnected() && !m_connection.Connect(connectStatus))
        return nullptr;
    Bytes request{0xAA, m_code, m_id, static_cast<unsigned char>(m_data.size())};
    request.insert(request.end(), m_data.begin(), m_data.end());
    unsigned sum = 0;
    for (std::size_t i = 1; i < request.size(); ++i)
        sum += request[i];
    request.push_back(static_cast<unsigned char>(sum));
    // What is left of a partly written request goes out in further writes, as a socket would take it.
    std::size_t at = 0;
    while (at < request.size()) {
        const int written = m_connection.Send(request.data() + at, static_cast<int>(request.size() - at));
        if (written <= 0)
            return nullptr;
        at += static_cast<std::size_t>(written);
    }
    int length = 0;
    unsigned char* reply = m_connection.Receive(&length, m_wait);
    if (outLength != nullptr)
        *outLength = length;
    return reply;
}

} // namespace zol::testing
