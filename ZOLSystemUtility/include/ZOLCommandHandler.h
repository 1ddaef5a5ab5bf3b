#pragma once

/// \file
/// The command handler: the one road every client operation takes to a display. It fills a command
/// object from the display's record, has the request sent over the pooled connection, matches the reply
/// to the display and the command, retries when it does not match, and decodes accepted replies into the
/// record.
///
/// Threads. Every operation runs on the caller's thread and blocks until it is done. The handler keeps no
/// per-command state in the instance: the relay target announced by a reply lives only for the decoding
/// of that one reply, so several threads may drive different displays through the one handler at once.
/// Commands to one address (one display, the IDs behind its relay, the displays on one serial line) take
/// turns: a command holds the address from its send to the end of its reply waits and retries, so each
/// caller gets the reply its own request drew, and two threads may run commands on the same record (the
/// handler's writes into the record happen inside those turns). A host that reads a record while a
/// command writes it must still guard the record itself.
/// Not safe to call concurrently:
///   - the configuration setters (SetRetryCount, SetFlag, SetProgressObserver, SetContext) while
///     commands run; set them up front. Reading them during commands is fine.
///   - IZOLCommandHandlerFactory::DeleteInstance while any operation runs.
/// A command object handed in is used by the calling thread only; give each thread its own.
///
/// Cancellation: when a progress observer is set and its cancel query answers true right after a send,
/// Execute leaves by throwing the int 1. ExecuteForDisplays catches it; direct callers of Execute catch
/// (int) themselves. It is the only exception that leaves the handler.

#include "ZOLExport.h"

#include <string>

class ILFDData;
class IZOLCommand;

/// Supplied by the client to follow and cancel long runs.
class ProgressObserver {
public:
    /// One display of ExecuteForDisplays is done (also when it was skipped): called with (0, 0, true).
    virtual void OnProgressStep(int current, int total, bool advance) = 0;
    /// Asked right after each send of Execute; true stops the run.
    virtual bool IsCancelRequested() = 0;

protected:
    /// Owned by the client.
    virtual ~ProgressObserver() = default;
};

/// The process-wide command handler; see the file description. Made by IZOLCommandHandlerFactory.
class IZOLCommandHandler {
public:
    /// Returns true; nothing to prepare.
    virtual bool Initialize() = 0;
    /// The flag byte set last.
    virtual unsigned char GetFlag() = 0;
    /// Stores a flag byte for the host to read back.
    virtual void SetFlag(unsigned char flag) = 0;
    /// The retry count set last.
    virtual unsigned int GetRetryCount() = 0;
    /// How often a request is sent again when its reply does not match.
    virtual void SetRetryCount(unsigned int count) = 0;

    /// Execute for every display of the host's collection (only the selected ones unless allDisplays).
    virtual unsigned int ExecuteForDisplays(bool allDisplays, unsigned char code, unsigned char length,
                                            const unsigned char* data, int* connectStatus) = 0;
    /// The main road: 1 when a reply frame for this command was decoded (or the display is disabled).
    virtual unsigned int Execute(ILFDData* record, unsigned char code, int length, const unsigned char* data,
                                 IZOLCommand* command, int* connectStatus, bool verify) = 0;
    /// To every display on the line (ID 0xFE); the reply is not looked at. 1 for any record.
    virtual unsigned int Broadcast(ILFDData* record, unsigned char code, unsigned char length,
                                   const unsigned char* data, IZOLCommand* command, int* connectStatus) = 0;
    /// True when the reply's acknowledgement byte is 'A'.
    virtual bool ExecuteAcknowledged(ILFDData* record, unsigned char code, unsigned char length,
                                     const unsigned char* data) = 0;
    /// Builds the packet itself; returns the last reply (release with free) or null.
    virtual unsigned char* ExecuteRaw(ILFDData* record, unsigned char code, unsigned char length,
                                      const unsigned char* data, IZOLCommand* command) = 0;
    /// Sends a packet the caller built; an accepted reply is copied into replyOut (2048 bytes).
    virtual bool TransferPacket(ILFDData* record, IZOLCommand* command, unsigned char* packet,
                                unsigned int packetLength, unsigned char* replyOut, int timeoutMs,
                                bool acceptFirst, unsigned char mode) = 0;
    /// As Execute, returning the last reply undecoded (release with free) or null.
    virtual unsigned char* ExecuteWithReply(ILFDData* record, unsigned char code, int length,
                                            const unsigned char* data, unsigned int* replyLength,
                                            bool verify) = 0;
    /// Reserved; does nothing.
    virtual void Reserved() = 0;
    /// Finds which framing variant a display on a serial line answers and stores it in the record.
    virtual void DetectFraming(ILFDData* record, int* connectStatus) = 0;
    /// The observer of long runs (not owned); null for none.
    virtual void SetProgressObserver(ProgressObserver* observer) = 0;
    /// Fixed packet sequences to an address; each returns the last reply (release with free) or null.
    virtual unsigned char* SendFdBroadcastPair(std::string address, int connectionKind,
                                               std::string parameter) = 0;
    /// See SendFdBroadcastPair; addressed to display `id`.
    virtual unsigned char* SendFdAddressedPair(std::string address, int connectionKind, unsigned char id,
                                               std::string parameter) = 0;
    /// See SendFdBroadcastPair; command 0xB8 with `value`, to every display.
    virtual unsigned char* SendB8Broadcast(std::string address, int connectionKind, unsigned char value,
                                           std::string parameter) = 0;
    /// Wake-on-LAN magic packet for a hardware address written as twelve hexadecimal digits.
    virtual bool WakeOnLan(std::string macAddress) = 0;
    /// A large payload in numbered chunks of chunkKiB KiB (64 means 65532 bytes); 0 KiB sends nothing.
    virtual unsigned int TransferChunked(ILFDData* record, unsigned char code, unsigned char subCode,
                                         int totalLength, const unsigned char* data,
                                         unsigned int chunkKiB) = 0;
    /// A host pointer stored with the handler (not owned).
    virtual void SetContext(void* context) = 0;
    /// The handler ends through IZOLCommandHandlerFactory::DeleteInstance.
    virtual ~IZOLCommandHandler() = default;
};

/// The process-wide command handler.
class ZOL_API IZOLCommandHandlerFactory {
public:
    /// The single handler, created on the first call.
    static IZOLCommandHandler* CreateInstance();
    /// Destroys the single handler; the next CreateInstance makes a new one.
    static void DeleteInstance();
};
