#include "zolsim/Simulator.h"

#include "Core.h"
#include "PtyFrontDoor.h"
#include "TcpFrontDoor.h"

#include <iostream>

namespace zolsim {

Simulator::Simulator() : m_core(std::make_shared<Core>()) {}

Simulator::~Simulator() {
    m_pty.reset();
    m_fileServer.reset();
    m_tcp.clear();
}

DisplayModel& Simulator::AddDisplay(unsigned char id) {
    return m_core->AddDisplay(id, -1);
}

DisplayModel& Simulator::AddRelayedDisplay(unsigned char id, unsigned char relayTarget) {
    return m_core->AddDisplay(id, relayTarget);
}

DisplayModel* Simulator::FindDisplay(unsigned char id, int relayTarget) {
    return m_core->FindDisplay(id, relayTarget);
}

bool Simulator::StartTcp(const std::string& address, std::uint16_t port) {
    auto door = std::make_unique<TcpFrontDoor>(*m_core, TcpFrontDoor::Role::Commands);
    std::string error;
    if (!door->Start(address, port, error)) {
        std::cerr << "zolsim: " << error << '\n';
        return false;
    }
    m_lastPort = door->Port();
    m_tcp.push_back(std::move(door));
    return true;
}

std::uint16_t Simulator::TcpPort() const {
    return m_lastPort;
}

void Simulator::SetGreeting(std::string text) {
    m_core->SetGreeting(std::move(text));
}

void Simulator::SetGreetingDelay(int ms) {
    m_core->SetGreetingDelay(ms);
}

bool Simulator::EnableTls(const TlsCredentials& credentials) {
    std::string error;
    if (!m_core->SetTlsCredentials(credentials, error)) {
        std::cerr << "zolsim: " << error << '\n';
        return false;
    }
    if (m_core->Greeting().find("TLS") == std::string::npos) {
        m_core->SetGreeting(kTlsGreeting);
    }
    return true;
}

TlsCredentials Simulator::Credentials() const {
    return m_core->Credentials();
}

void Simulator::SetPin(std::string pin) {
    m_core->SetPin(std::move(pin));
}

bool Simulator::StartFileServer(const std::string& address, std::uint16_t port) {
    auto door = std::make_unique<TcpFrontDoor>(*m_core, TcpFrontDoor::Role::FileServer);
    std::string error;
    if (!door->Start(address, port, error)) {
        std::cerr << "zolsim: " << error << '\n';
        return false;
    }
    m_fileServer = std::move(door);
    return true;
}

std::uint16_t Simulator::FileServerPort() const {
    return m_fileServer ? m_fileServer->Port() : 0;
}

void Simulator::SetServedFile(std::string text) {
    m_core->SetServedFile(std::move(text));
}

int Simulator::FileDownloads() const {
    return m_core->Downloads();
}

std::string Simulator::StartPty(bool baudPacing) {
    m_pty.reset();
    auto door = std::make_unique<PtyFrontDoor>(*m_core, baudPacing);
    std::string error;
    std::string path = door->Start(error);
    if (path.empty()) {
        std::cerr << "zolsim: " << error << '\n';
        return {};
    }
    m_pty = std::move(door);
    return path;
}

std::string Simulator::PtyPath() const {
    return m_pty ? m_pty->Path() : std::string();
}

void Simulator::HangUpPty() {
    if (m_pty) {
        m_pty->HangUp();
    }
}

void Simulator::InjectFault(const Fault& fault) {
    m_core->InjectFault(fault);
}
void Simulator::ClearFaults() {
    m_core->ClearFaults();
}
int Simulator::PendingFaults() const {
    return m_core->PendingFaults();
}
void Simulator::SetAnswerOnlyFraming(int variant) {
    m_core->SetAnswerOnlyFraming(variant);
}
std::vector<Bytes> Simulator::Writes() const {
    return m_core->Writes();
}
std::vector<Request> Simulator::Requests() const {
    return m_core->Requests();
}
std::vector<Bytes> Simulator::Replies() const {
    return m_core->Replies();
}
void Simulator::SetKeepLog(bool keep) {
    m_core->SetKeepLog(keep);
}

void Simulator::SetRequestLog(std::shared_ptr<RequestLog> log) {
    m_core->SetRequestLog(std::move(log));
}

void Simulator::ClearLog() {
    m_core->ClearLog();
}

bool Simulator::WaitForRequests(std::size_t count, int timeoutMs) const {
    return m_core->WaitForRequests(count, timeoutMs);
}

int Simulator::ActiveConnections() const {
    int active = 0;
    for (const auto& door : m_tcp) {
        active += door->Active();
    }
    return active;
}

int Simulator::AcceptedConnections() const {
    int accepted = 0;
    for (const auto& door : m_tcp) {
        accepted += door->Accepted();
    }
    return accepted;
}

void Simulator::DropConnections() {
    for (const auto& door : m_tcp) {
        door->DropConnections();
    }
}

} // namespace zolsim
