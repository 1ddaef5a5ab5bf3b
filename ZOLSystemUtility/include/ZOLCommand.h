#pragma once

/// \file
/// One request to one display: the command code, its data bytes, the display ID and the link that carries
/// it. SendAndReceive builds the packet, writes it over the display's pooled connection and hands back
/// the raw reply; checking and decoding the reply is the command handler's work.
///
/// The order of the virtual operations below is the binary interface with hosts: never reorder, insert or
/// remove one.

#include <string>

#include "ZOLExport.h"

/// One request to one display; see the file description. Made by IZOLCommandFactory.
class IZOLCommand {
public:
    /// Destroys the object; the only way to end one made by IZOLCommandFactory.
    virtual void Release() = 0;
    /// Does nothing and returns true; callers call it once after creation.
    virtual bool Initialize() = 0;
    /// Address (IP literal or serial port name, the pool key) and kind text ("ETHERNET" or "SERIAL").
    virtual void SetConnectionInfo(std::string address, std::string kind) = 0;
    /// The address alone (the pool key), kind unchanged.
    virtual void SetAddress(std::string address) = 0;
    /// The address set last.
    virtual std::string GetAddress() = 0;
    /// Data byte 3 of the relay header.
    virtual void SetRelayByte(unsigned char relayByte) = 0;
    /// The display ID the packet is addressed to.
    virtual void SetDisplayId(unsigned char displayId) = 0;
    /// Below 0: no relay header; otherwise its low byte is data byte 4 of the relay header.
    virtual void SetRelayTarget(int relayTarget) = 0;
    /// Stores code, sub-code, length and the chunk numbers; copies `length` bytes of `data` when data is
    /// given and length is 1 or more, otherwise keeps the data copy it has.
    virtual void SetCommandEx(unsigned char code, unsigned char subCode, int length, int chunkIndex,
                              int chunkCount, const unsigned char* data) = 0;
    /// Stores code and length and copies the data as SetCommandEx does; sub-code and chunk numbers stay.
    virtual void SetCommand(unsigned char code, int length, const unsigned char* data) = 0;
    /// Device class 4 switches on the sub-code translation of command 0xFE.
    virtual void SetDeviceClass(int deviceClass) = 0;
    /// Returns the reply (malloc'ed; the caller frees it with free()) and its length through outLength, or
    /// null. A refused request or a failed connection leaves outLength as it was; a request that awaits no
    /// reply stores 0. connectStatus may be null; it is written only when a connection is opened.
    virtual unsigned char* SendAndReceive(int* outLength, int framingVariant, int* connectStatus) = 0;
    /// Releases the data copy; the data length stays.
    virtual void ClearData() = 0;
    /// A text kept with the command.
    virtual void SetCommandText(std::string text) = 0;
    /// The device PIN; a pooled connection with another credential is replaced.
    virtual void SetCredential(std::string credential) = 0;
    /// The PIN set last.
    virtual std::string GetCredential() = 0;
    /// The model code set last.
    virtual int GetModelCode() = 0;
    /// Model code 116 switches the 0xFE translation off again.
    virtual void SetModelCode(int modelCode) = 0;
    /// End a command with Release().
    virtual ~IZOLCommand() = default;
};

/// Makes command objects.
class IZOLCommandFactory {
public:
    /// A new command object, or null when memory is exhausted. End it with Release().
    ZOL_API static IZOLCommand* CreateInstance();
};
