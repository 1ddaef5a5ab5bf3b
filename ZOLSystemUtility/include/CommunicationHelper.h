#pragma once

/// \file
/// Register-level access to a display's controller: single registers, lists of registers, long blocks of
/// 16-bit words and 256-entry tables. Everything travels as 0xE1 (register access, first data byte the
/// access mode) and 0xE2 (table transfer) packets through the command handler's TransferPacket, so
/// pooled connections, framing variants and reply matching are the same as for every other command.
///
/// Access mode: bit 4 set means 16-bit register values (high byte first), clear 8-bit; bits 0-1 select
/// the addressing (01 consecutive registers, 10 a paged block, 00 and 11 address/value pairs); bit 7 and
/// the rest are the display controller's business.
///
/// Every operation returns true when the display acknowledged the (last) packet.
///
/// The order of the virtual operations of ICommunicationHelper is the binary interface with hosts: never
/// reorder, insert or remove one.

#include "ZOLExport.h"

class ILFDData;
class IZOLCommand;
class IZOLCommandHandler;

/// Register-level access to one display's controller; see the file description. Made by
/// ICommunicationHelperFactory.
class ICommunicationHelper {
public:
    /// A long block of words in pages of 4032 words, 32 words per packet.
    virtual bool WriteBlock(int startAddress, const unsigned short* words, int count) = 0;
    /// Consecutive registers from startAddress, 64 values per packet (32 in 16-bit mode), 100 ms apart.
    /// A serial helper waits 2000 ms per packet whatever timeoutMs says.
    virtual bool WriteRange(int startAddress, unsigned char accessMode, const int* values, int count,
                            int timeoutMs) = 0;
    /// Up to 32 consecutive registers (16 in 16-bit mode) from addresses[0] in one packet; more is refused.
    virtual bool WriteShortRange(const int* addresses, unsigned char accessMode, const int* values, int count,
                                 int timeoutMs) = 0;
    /// One register at address.
    virtual bool WriteRegister(int address, unsigned char accessMode, int value) = 0;
    /// Words at access mode 0x92, 32 per packet; the last reply is copied to replyOut (2048 bytes) if given.
    virtual bool WriteRawBlock(int address, const unsigned short* words, int count,
                               unsigned char* replyOut) = 0;
    /// Consecutive registers into destination: count bytes, or 2 x count bytes (high first) in 16-bit mode.
    virtual bool ReadRegisters(int startAddress, unsigned char accessMode, unsigned char* destination,
                               int count) = 0;
    /// One register's reply bytes into destination (two bytes in 16-bit mode).
    virtual bool ReadRegister(int address, unsigned char accessMode, unsigned char* destination) = 0;
    /// Stores the three pointers (none owned) the packets go through; returns true.
    virtual bool Attach(IZOLCommandHandler* handler, ILFDData* record, IZOLCommand* command) = 0;
    /// Reserved; does nothing.
    virtual void Reserved() = 0;
    /// A table of entryCount entries (8 to 256) taken from a 256-entry source, table kind 0, 1 or 2.
    virtual bool WriteTable(int tableKind, const int* values, int entryCount) = 0;
    /// Registers at arbitrary addresses.
    virtual bool WriteRegisterList(const int* addresses, unsigned char accessMode, const int* values,
                                   int count) = 0;
    /// Registers at arbitrary addresses into destination, one value per address (as many as the reply
    /// carries).
    virtual bool ReadRegisterList(const int* addresses, unsigned char accessMode, int* destination,
                                  int count) = 0;
    /// Deleted by the caller.
    virtual ~ICommunicationHelper() = default;
};

/// Makes register-level helpers.
class ICommunicationHelperFactory {
public:
    /// A serial helper when serial is true, else an Ethernet helper; null when memory runs out. The
    /// caller deletes it.
    ZOL_API static ICommunicationHelper* CreateInstance(bool serial);
};
