// A fleet of simulated displays served from one process: every IPv4 address of a range is a display of
// its own, and one event-driven thread serves all of them, whatever their number. For benchmarks and
// tests that need hundreds or thousands of displays; a single display, TLS and the serial line stay
// with zolsim::Simulator.
//
//     zolsim::FleetSimulator fleet;               // stops serving when destroyed
//     zolsim::FleetOptions options;               // display 1 behind every address by default
//     options.silentEvery = 10;                   // every tenth address greets, reads, never answers
//     ASSERT_TRUE(fleet.StartTcpRange("127.0.48.1", "127.0.49.244", 1515, options));
//     fleet.FindDisplay("127.0.48.7")->SetPower(false);
//
// Thread-safe. Plain sessions only: a greeting that asks for TLS is refused at start.
#pragma once

#include "zolsim/DisplayModel.h"
#include "zolsim/Fault.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zolsim {

// The most addresses one range may hold.
inline constexpr std::size_t kMaxRangeAddresses = 65536;

// An inclusive range of IPv4 addresses (host byte order) on one port.
struct AddressRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::uint16_t port = 1515;

    std::size_t Size() const { return static_cast<std::size_t>(last - first) + 1; }
    // The dotted form of the address at index (0-based) within the range.
    std::string AddressAt(std::size_t index) const;
};

// "FIRST-LAST" or "FIRST-LAST:PORT", both ends IPv4 literals, FIRST not after LAST, at most
// kMaxRangeAddresses addresses, PORT 1-65535 (defaultPort when absent). Nothing, with a reason in error,
// for anything else.
std::optional<AddressRange> ParseAddressRange(const std::string& text, std::uint16_t defaultPort,
                                              std::string& error);

// What the displays behind every address of a range are and how they behave.
struct FleetOptions {
    std::vector<unsigned char> ids = {1};                         // reached directly
    std::vector<std::pair<unsigned char, unsigned char>> relayed; // (ID, relay target) pairs
    std::string greeting;                                         // sent on every new connection
    int greetingDelayMs = 0;                                      // held back this long after accept
    // 0: none. Otherwise the address at index i (0-based within the range) with i % N == N - 1 is
    // silent (accepts, greets, reads requests, never answers) or absent (not listened on, so
    // connections to it are refused). An address chosen by both rules is absent.
    std::size_t silentEvery = 0;
    std::size_t absentEvery = 0;
};

enum class AddressRole { Answering, Silent, Absent };
AddressRole RoleAt(const FleetOptions& options, std::size_t index);

// Raises this process's soft limit on open descriptors to its hard limit (a fleet holds one descriptor
// per listening address and per connection). Returns the soft limit now in force.
std::size_t RaiseOpenFileLimit();

class FleetRoster;
class FleetFrontDoor;
class RequestLog;

class FleetSimulator {
public:
    FleetSimulator();
    ~FleetSimulator();
    FleetSimulator(const FleetSimulator&) = delete;
    FleetSimulator& operator=(const FleetSimulator&) = delete;

    // Listens on every address from first to last (inclusive) on this port, except the absent ones.
    // May be called for several ranges; one thread serves them all. Raises the open-descriptor limit
    // (RaiseOpenFileLimit). False, with a reason on stderr and in LastError, when the range is not a
    // valid one, port is 0, the greeting asks for TLS, the listeners would not fit under the
    // open-descriptor limit, or an address cannot be bound; nothing of that range is served then.
    bool StartTcpRange(const std::string& first, const std::string& last, std::uint16_t port = 1515,
                       const FleetOptions& options = {});
    bool StartTcpRange(const AddressRange& range, const FleetOptions& options = {});
    // Why the last StartTcpRange failed; empty after a success.
    std::string LastError() const;

    std::size_t ListeningAddresses() const; // over every range started
    int AcceptedConnections() const;
    int ActiveConnections() const;

    // The display with this ID behind an answering address of the fleet, or null. A display is made
    // when first needed (its address's first connection, or this call), so an idle address costs only
    // its listener. Displays keep no request log in memory (SetRequestLog writes one to a file).
    DisplayModel* FindDisplay(const std::string& address, unsigned char id = 1, int relayTarget = -1);
    // Faults for the display(s) behind one answering address; false when the fleet has no such address.
    bool InjectFault(const std::string& address, const Fault& fault);
    // Every display of the fleet, silent ones included, writes a line per request it receives to log
    // (see RequestLog.h), from now on; null stops it.
    void SetRequestLog(std::shared_ptr<RequestLog> log);

private:
    std::unique_ptr<FleetRoster> m_roster;
    std::unique_ptr<FleetFrontDoor> m_door; // declared after the roster: it stops before the displays go
    mutable std::mutex m_lock;              // one start at a time; the error
    bool m_started = false;
    std::string m_error;
};

} // namespace zolsim
