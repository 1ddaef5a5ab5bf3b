// A simulated display (or several behind one address) that tests, benchmarks and people can talk to
// over TCP or a pseudo-terminal. Thread-safe; the destructor stops every front door and joins its threads.
#pragma once

#include "zolsim/DisplayModel.h"
#include "zolsim/Fault.h"
#include "zolsim/Tls.h"
#include "zolsim/Wire.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zolsim {

// Greetings a display sends when a client connects: the second asks for a secured session.
inline constexpr const char* kPlainGreeting = "ZOLSTART<<NORMAL>>";
inline constexpr const char* kTlsGreeting = "ZOLSTART<<TLS>>";

class Core;
class RequestLog;
class TcpFrontDoor;
class PtyFrontDoor;

class Simulator {
public:
    Simulator();
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // A display reached directly under this ID. Adding an ID twice returns the existing display.
    DisplayModel& AddDisplay(unsigned char id);
    // A display reached through a relay: requests behind a relay header whose target is relayTarget.
    DisplayModel& AddRelayedDisplay(unsigned char id, unsigned char relayTarget);
    // Null when there is no such display; relayTarget -1 means reached directly.
    DisplayModel* FindDisplay(unsigned char id, int relayTarget = -1);

    // Listens on exactly this address ("127.0.5.1", "::1"). Port 0 picks a free port (see TcpPort).
    // May be called for several addresses. False (and a message on stderr) when the address cannot be bound.
    bool StartTcp(const std::string& address, std::uint16_t port = 1515);
    std::uint16_t TcpPort() const; // the port of the last successful StartTcp
    // Text sent to every new TCP connection before anything else; empty (the default): nothing is sent.
    // A greeting that contains "TLS" is followed by a TLS 1.2 server handshake on the same connection.
    void SetGreeting(std::string text);
    // Holds the greeting back this long after the connection is accepted (a slow display).
    void SetGreetingDelay(int ms);

    // Secured sessions with these credentials (empty: a fresh root and server certificate), and the
    // TLS greeting. False when the credentials are not usable.
    bool EnableTls(const TlsCredentials& credentials = {});
    // The credentials in use (generated on first need); their root is what a client must trust.
    TlsCredentials Credentials() const;
    // The PIN a secured client's "ZOLAUTH<<pin>>" is checked against; empty: any PIN is accepted.
    void SetPin(std::string pin);

    // The display's file server: TLS on this address (any protocol version), sends the served text, closes.
    bool StartFileServer(const std::string& address, std::uint16_t port = 2020);
    std::uint16_t FileServerPort() const;
    void SetServedFile(std::string text);
    int FileDownloads() const; // files sent completely

    // Opens a pseudo-terminal and serves its master side; returns the device path a client opens
    // (empty on failure). With baudPacing, replies leave at the line speed the client set.
    std::string StartPty(bool baudPacing = false);
    // Closes the master side, as if the cable were pulled. StartPty may be called again afterwards.
    void HangUpPty();
    // The device path of the line now served: a CloseMidReply fault drops the line and opens a new
    // one under a new path. Empty when no line is served.
    std::string PtyPath() const;

    // Faults apply, in the order injected, to the next answered requests (see Fault::times, onlyCode).
    void InjectFault(const Fault& fault);
    void ClearFaults();
    int PendingFaults() const;

    // -1 (default): answer every framing variant; 0, 1 or 2: answer only requests in that variant.
    void SetAnswerOnlyFraming(int variant);

    // Every chunk of bytes a client wrote, as read, in arrival order (TCP and pty together).
    std::vector<Bytes> Writes() const;
    // Every request parsed, relay headers included, in arrival order.
    std::vector<Request> Requests() const;
    // Every write the display made (greetings excluded), after faults were applied.
    std::vector<Bytes> Replies() const;
    void ClearLog();
    // Whether the log above is kept (it is by default). A simulator that serves for hours with nobody
    // reading its log turns it off, so that it does not grow without end.
    void SetKeepLog(bool keep);
    // Writes a line per request received, on any front door, to log (see RequestLog.h); null stops it.
    void SetRequestLog(std::shared_ptr<RequestLog> log);
    // Waits until at least count requests have been acted on since the last ClearLog (their replies
    // may still be on their way).
    bool WaitForRequests(std::size_t count, int timeoutMs) const;

    int ActiveConnections() const;
    int AcceptedConnections() const;
    // Closes every open TCP connection from the display's side; listening goes on.
    void DropConnections();

private:
    std::shared_ptr<Core> m_core;
    std::vector<std::unique_ptr<TcpFrontDoor>> m_tcp;
    std::unique_ptr<PtyFrontDoor> m_pty;
    std::unique_ptr<TcpFrontDoor> m_fileServer;
    std::uint16_t m_lastPort = 0;
};

} // namespace zolsim
