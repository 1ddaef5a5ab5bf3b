#include "zolsim/FleetSimulator.h"

#include "FleetFrontDoor.h"
#include "FleetRoster.h"
#include "Ipv4.h"
#include "OpenFiles.h"

#include <iostream>

namespace zolsim {

namespace {

// Descriptors kept free beyond the listeners: the epoll set, the stop signal, a spare, the standard
// streams and whatever the host process holds besides.
constexpr std::size_t kDescriptorHeadroom = 16;

} // namespace

FleetSimulator::FleetSimulator()
    : m_roster(std::make_unique<FleetRoster>()), m_door(std::make_unique<FleetFrontDoor>(*m_roster)) {}

FleetSimulator::~FleetSimulator() {
    m_door.reset();
}

bool FleetSimulator::StartTcpRange(const std::string& first, const std::string& last, std::uint16_t port,
                                   const FleetOptions& options) {
    std::string error;
    const auto range = ParseAddressRange(first + "-" + last, port, error);
    if (!range) {
        std::cerr << "zolsim: " << error << '\n';
        std::lock_guard guard(m_lock);
        m_error = error;
        return false;
    }
    return StartTcpRange(*range, options);
}

bool FleetSimulator::StartTcpRange(const AddressRange& range, const FleetOptions& options) {
    std::lock_guard guard(m_lock);
    std::string error;
    std::vector<std::pair<std::size_t, io::UniqueFd>> listeners;
    const std::size_t size = range.last >= range.first ? range.Size() : 0;
    std::size_t wanted = 0;
    for (std::size_t i = 0; i < size; ++i) {
        wanted += RoleAt(options, i) == AddressRole::Absent ? 0 : 1;
    }
    const std::size_t limit = RaiseOpenFileLimit();
    const std::size_t open = OpenDescriptorCount();
    if (size == 0 || size > kMaxRangeAddresses) {
        error = "an address range holds 1 to " + std::to_string(kMaxRangeAddresses) + " addresses";
    } else if (range.port == 0) {
        error = "an address range needs a port of its own (not 0)";
    } else if (options.greeting.find("TLS") != std::string::npos) {
        error = "an address range serves plain sessions only; a TLS display needs an address of its own";
    } else if (open + wanted + kDescriptorHeadroom > limit) {
        error = std::to_string(wanted) + " listening addresses do not fit under this process's limit of " +
                std::to_string(limit) + " open descriptors (RLIMIT_NOFILE, hard limit " +
                std::to_string(CurrentOpenFileLimit().hard) + "; " + std::to_string(open) + " already open)";
    }
    // Every address is bound before any is served, so that a range is served whole or not at all.
    for (std::size_t i = 0; error.empty() && i < size; ++i) {
        if (RoleAt(options, i) == AddressRole::Absent) {
            continue;
        }
        io::UniqueFd fd = io::Listen(range.AddressAt(i), range.port, error);
        if (fd.Valid()) {
            listeners.emplace_back(i, std::move(fd));
        }
    }
    if (error.empty() && !m_started) {
        m_started = m_door->Start(error);
    }
    if (error.empty()) {
        const std::size_t firstIndex = m_roster->AddRange(range, options);
        for (auto& entry : listeners) {
            entry.first += firstIndex;
        }
        if (!m_door->Add(std::move(listeners), error)) {
            m_roster->Withdraw(firstIndex);
        }
    }
    m_error = error;
    if (!error.empty()) {
        std::cerr << "zolsim: " << error << '\n';
    }
    return error.empty();
}

std::string FleetSimulator::LastError() const {
    std::lock_guard guard(m_lock);
    return m_error;
}

std::size_t FleetSimulator::ListeningAddresses() const {
    return m_door->Listening();
}

int FleetSimulator::AcceptedConnections() const {
    return m_door->Accepted();
}

int FleetSimulator::ActiveConnections() const {
    return m_door->Active();
}

DisplayModel* FleetSimulator::FindDisplay(const std::string& address, unsigned char id, int relayTarget) {
    std::uint32_t value = 0;
    Core* core = ParseIpv4(address, value) ? m_roster->Find(value) : nullptr;
    return core != nullptr ? core->FindDisplay(id, relayTarget) : nullptr;
}

void FleetSimulator::SetRequestLog(std::shared_ptr<RequestLog> log) {
    m_roster->SetRequestLog(std::move(log));
}

bool FleetSimulator::InjectFault(const std::string& address, const Fault& fault) {
    std::uint32_t value = 0;
    Core* core = ParseIpv4(address, value) ? m_roster->Find(value) : nullptr;
    if (core == nullptr) {
        return false;
    }
    core->InjectFault(fault);
    return true;
}

} // namespace zolsim
