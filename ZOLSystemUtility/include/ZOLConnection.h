#pragma once

/// \file
/// Connections to displays (TCP and serial), their events, and the process-wide pool that owns them.
///
/// The order of the virtual operations in every interface below is the binary interface with hosts:
/// never reorder, insert or remove one.

#include <cstdint>
#include <ctime>
#include <string>

#include "ZOLExport.h"
#include "ZOLPlatformTypes.h"

// clang-format off
/// Values written to the optional connect-status out-parameter of IZOLConnection::Connect.
enum ZOLConnectStatus : int {
    ZOL_CONNECT_OPENED = 1,            ///< written at the start of every attempt; left when nothing else applies
    ZOL_CONNECT_SECURE_FAILED = 2,     ///< the secured session could not be started (wrong PIN, handshake)
    ZOL_CONNECT_PIN_REQUIRED = 3,      ///< the display uses the secured protocol and no PIN was given
    ZOL_CONNECT_PIN_NOT_REQUIRED = 4,  ///< a PIN was given but the display does not use the secured protocol
    ZOL_CONNECT_PORT_FAILED = 100,     ///< the serial port could not be opened
    ZOL_CONNECT_INVALID_ADDRESS = 201, ///< the address is empty or not an IPv4/IPv6 literal
};
// clang-format on

/// ConnectionEvent::eventType
enum ZOLConnectionEventType : std::uint32_t {
    ZOL_EVENT_CONNECTED = 0,
    ZOL_EVENT_DISCONNECTED = 1,
    ZOL_EVENT_DATA_SENT = 2,
    ZOL_EVENT_PACKET_RECEIVED = 3,
    ZOL_EVENT_FAILURE = 4,
};

/// ConnectionEvent::linkKind
enum ZOLLinkKind : std::uint32_t {
    ZOL_LINK_SERIAL = 0,
    ZOL_LINK_ETHERNET = 1,
};

/// Kind texts handed to the pool (matched by prefix, "SERIAL" first) and the connections' type texts.
inline constexpr const char* ZOL_KIND_ETHERNET = "ETHERNET";
/// Kind text of a serial connection.
inline constexpr const char* ZOL_KIND_SERIAL = "SERIAL";
/// Type text of an Ethernet connection (GetConnectionType).
inline constexpr const char* ZOL_CONN_TYPE_ETHERNET = "ZOL_CONN_ETHERNET";
/// Type text of a serial connection (GetConnectionType).
inline constexpr const char* ZOL_CONN_TYPE_SERIAL = "ZOL_CONN_SERIAL";

/// One event, filled on the caller's thread and destroyed right after the sink returns. `data` (events 2
/// and 3 only) is a malloc'ed copy that belongs to the sink from then on: release it with free().
struct ConnectionEvent {
    std::string source;       ///< the connection's address or port name
    std::uint32_t linkKind;   ///< ZOLLinkKind
    std::uint32_t eventType;  ///< ZOLConnectionEventType
    std::string message;      ///< fixed text of the connection
    std::tm localTime;        ///< local time of creation
    std::uint64_t tickCount;  ///< steady milliseconds at creation
    unsigned char* data;      ///< copy of the bytes sent or received, or null
    std::uint64_t dataLength; ///< bytes in `data`, or 0
};

/// Supplied by the host. The library calls only OnConnectionEvent (the third operation); the first two
/// belong to the host and are never called by the library.
class IConnectionEventSink {
public:
    /// The host's; never called by the library.
    virtual void HostReserved1() {}
    /// The host's; never called by the library.
    virtual void HostReserved2() {}
    /// One event of a connection whose sink this is (see ConnectionEvent).
    virtual void OnConnectionEvent(const ConnectionEvent* event) = 0;
    /// Deleted by the host.
    virtual ~IConnectionEventSink() = default;
};

/// One connection to one display address (TCP) or port (serial), owned by the pool.
class IZOLConnection {
public:
    /// Returns true; nothing to prepare.
    virtual bool Initialize() = 0;
    /// The display's address (Ethernet) or port name (serial).
    virtual void SetAddress(std::string address) = 0;
    /// The address or port name set last.
    virtual std::string GetAddress() = 0;
    /// The PIN of the secured protocol; empty for none.
    virtual void SetCredential(std::string credential) = 0;
    /// The PIN set last.
    virtual std::string GetCredential() = 0;
    /// ZOL_CONN_TYPE_ETHERNET or ZOL_CONN_TYPE_SERIAL.
    virtual std::string GetConnectionType() = 0;
    /// connectStatus may be null; see ZOLConnectStatus.
    virtual bool Connect(int* connectStatus) = 0;
    /// The sink of the connection's events (not owned); null for none.
    virtual void SetEventSink(IConnectionEventSink* sink) = 0;
    /// Whether events go to the sink.
    virtual void SetEventNotification(bool notify) = 0;
    /// Whether the connection is open.
    virtual bool IsConnected() = 0;
    /// Returns the bytes written (0 or -1 on failure).
    virtual int Send(const unsigned char* data, int length) = 0;
    /// Returns a malloc'ed reply (the caller frees it with free()) and its length, or null when no complete
    /// reply came within timeoutMs.
    virtual unsigned char* Receive(int* length, int timeoutMs) = 0;
    /// Closes the connection; it can be connected again.
    virtual void Close() = 0;
    /// Frees what the connection holds open (a serial connection closes its port).
    virtual void ReleaseResources() = 0;
    /// Deletes the object. Only the pool calls it.
    virtual void Destroy() = 0;
    /// The busy mark set with SetBusy (Ethernet; a serial connection is never busy).
    virtual bool IsBusy() = 0;
    /// Marks the connection busy or free (Ethernet; ignored by a serial connection).
    virtual void SetBusy(bool busy) = 0;
    /// The local address of the last TCP connection; empty before one (and for serial).
    virtual std::string GetLocalAddress() = 0;
    /// TCP port (Ethernet) or baud rate (serial). Returns 0 or an error code (serial: 6 when the port is
    /// not open; the value is stored anyway).
    virtual std::uint32_t SetLinkParameter(std::uint32_t value) = 0;
    /// The TCP port or baud rate set last.
    virtual std::uint32_t GetLinkParameter() = 0;
    /// Connections end through Destroy, called by the pool.
    virtual ~IZOLConnection() = default;
};

/// A TCP connection to a display.
class IZOLEthernetConnection : public IZOLConnection {
public:
    /// Connections end through Destroy, called by the pool.
    ~IZOLEthernetConnection() override = default;
};

/// A serial-port connection to a display.
class IZOLSerialConnection : public IZOLConnection {
public:
    /// byteSize 5..8; stopBits 0 one, 1 one and a half, 2 two; parity 0 none, 1 odd, 2 even, 3 mark,
    /// 4 space. Returns 0 on success, 6 when the port is not open, otherwise an error number.
    virtual std::uint32_t SetPortSettings(std::uint32_t baudRate, std::uint8_t byteSize,
                                          std::uint8_t stopBits, std::uint8_t parity) = 0;
    /// Connections end through Destroy, called by the pool.
    ~IZOLSerialConnection() override = default;
};

/// One connection per address; the pool owns every connection it hands out. Pointers stay valid until
/// the entry is removed.
class IZOLConnectionPool {
public:
    /// Returns true; nothing to prepare.
    virtual bool Initialize() = 0;
    /// Creates (or finds) the connection, sets its sink (also when null) and, when `connect` is set and the
    /// connection is not open, calls Connect up to `attempts` times. Returns the connection, open or not;
    /// null only for an unknown kind text.
    virtual IZOLConnection* GetConnection(std::string address, std::string kind, IConnectionEventSink* sink,
                                          std::string credential, bool connect, std::uint32_t attempts) = 0;
    /// Finds the connection for `address` (and gives it `credential`) or makes a new, unopened one.
    virtual IZOLConnection* CreateConnection(std::string address, std::string kind,
                                             std::string credential) = 0;
    /// Closes and destroys the connection for `address`, if there is one.
    virtual void RemoveConnection(std::string address) = 0;
    /// The connection for `address`, or null.
    virtual IZOLConnection* FindConnection(std::string address) = 0;
    /// Closes and destroys every connection of the pool.
    virtual void RemoveAllConnections() = 0;
    /// The pool ends through IZOLConnectionPoolFactory::DeleteInstance.
    virtual ~IZOLConnectionPool() = default;
};

/// The process-wide connection pool.
class IZOLConnectionPoolFactory {
public:
    /// The pool, made on the first call; the same pool afterwards.
    ZOL_API static IZOLConnectionPool* CreateInstance();
    /// Closes and destroys every pooled connection and the pool. Hosts must not rely on a CreateInstance
    /// after it; this library allows it (a fresh, empty pool).
    ZOL_API static void DeleteInstance();

    /// Assignment; the factory holds no state.
    ZOL_API IZOLConnectionPoolFactory& operator=(const IZOLConnectionPoolFactory&);
    /// Assignment; the factory holds no state.
    ZOL_API IZOLConnectionPoolFactory& operator=(IZOLConnectionPoolFactory&&) noexcept;

    /// Guards creation of the pool instance; initialised when the library is loaded.
    ZOL_API static ZOLCriticalSection m_CONNPOOLFACTORY_CRITICAL_SECTION;

private:
    static ZOLCriticalSection InitCriticalSection();
};
