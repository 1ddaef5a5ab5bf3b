#pragma once

/// \file
/// The packet builder: turns one command into the bytes of one request packet in a buffer it owns.
///
/// Request layouts (every two-byte value high byte first; the header byte 0xAA is never summed):
///   standard frame  AA code id N data[N] checksum                 N <= 255,  N+5 bytes
///   long frame      AA code id Nhi Nlo data[N] checksum           N <= 2042, N+6 bytes
///   bulk frame      AA D1 id (M+3)hi (M+3)lo sub index count data[M] checksum, M+9 bytes, own buffer
/// The checksum is the low 8 bits of the sum of every byte from offset 1 up to the byte before it.
///
/// A builder is reused freely: every Make member starts by clearing the packet, so the last one called
/// decides the content; AppendPacket is the only member that adds to a packet. Members handed a length
/// beyond their frame's limit, a negative length or a null data pointer with a positive length refuse:
/// they return null and leave the packet cleared.
///
/// Hosts obtain a builder with ZOLCommandFactory::CreateInstance and end it with
/// ZOLCommandFactory::DeleteInstance; inside the library builders live on the stack.

#include "ZOLExport.h"

/// Builds one request packet at a time in its own buffer; see the file description for the layouts.
class CZOLCommandBuilder {
public:
    static constexpr int kPacketCapacity = 2048; ///< bytes of the packet buffer
    static constexpr int kMaxStandardData = 255; ///< most data bytes of a standard frame
    static constexpr int kMaxLongData = 2042;    ///< most data bytes of a long frame
    static constexpr int kMaxBulkData = 65532;   ///< most data bytes of a bulk frame

    /// An empty builder: a zeroed packet of size 0 and no bulk frame.
    CZOLCommandBuilder() noexcept;
    ~CZOLCommandBuilder() = default;
    CZOLCommandBuilder(const CZOLCommandBuilder&) = delete;
    CZOLCommandBuilder& operator=(const CZOLCommandBuilder&) = delete;

    /// @name Exported to hosts
    /// @{

    /// The start of the packet, owned by the builder and valid as long as it.
    ZOL_API unsigned char* GetCommand();
    /// The number of valid bytes at GetCommand(); 0 after a refusal.
    ZOL_API int GetCommandPacketSize();
    /// Copies other's packet (never its bulk frame) behind this one. When the two together would reach
    /// 2048 bytes nothing happens.
    ZOL_API void AppendPacket(const CZOLCommandBuilder& other);
    /// AA 0D id 00 checksum: the system-health query.
    ZOL_API unsigned char* MakeGetSysHealthStatusCommand(unsigned char id);
    /// AA D0 id 01 item checksum.
    ZOL_API unsigned char* MakeGetLEDProductInfoCommand(unsigned char id, unsigned char item);
    /// AA D0 id 02 item value checksum.
    ZOL_API unsigned char* MakeSetLEDProductInfoCommand(unsigned char id, unsigned char item,
                                                        unsigned char value);
    /// @}

    /// @name Used inside the library
    /// @{

    /// Zeroes the packet, forgets the bulk frame (without releasing it) and sets the packet size to 0.
    void Clear();
    /// Low 8 bits of the sum of bytes[1] to bytes[count-1]; bytes[0] is never counted. Reads only its
    /// arguments, so it serves reply frames as well. A null pointer or a count below 2 gives 0.
    static unsigned char Checksum(const unsigned char* bytes, int count);

    /// AA code id 00 checksum.
    unsigned char* MakeQuery(unsigned char id, unsigned char code);
    /// AA code id 01 value checksum.
    unsigned char* MakeOneByte(unsigned char id, unsigned char code, unsigned char value);
    /// Long frame AA code id 00 01 value checksum.
    unsigned char* MakeLongOneByte(unsigned char id, unsigned char code, unsigned char value);
    /// AA code id 0F b0 ... b14 checksum.
    unsigned char* MakeFifteenBytes(unsigned char id, unsigned char code, unsigned char b0, unsigned char b1,
                                    unsigned char b2, unsigned char b3, unsigned char b4, unsigned char b5,
                                    unsigned char b6, unsigned char b7, unsigned char b8, unsigned char b9,
                                    unsigned char b10, unsigned char b11, unsigned char b12,
                                    unsigned char b13, unsigned char b14);
    /// AA code id length data checksum; length 0 to 255 (note: code before id).
    unsigned char* MakeCallerBytes(unsigned char code, unsigned char id, int length,
                                   const unsigned char* data);
    /// Long frame AA code id lengthHi lengthLo data checksum; length 0 to 2042 (note: code before id).
    unsigned char* MakeLongCallerBytes(unsigned char code, unsigned char id, int length,
                                       const unsigned char* data);
    /// The 10-byte relay announcement AA EE id 05 00 01 00 relayByte subId checksum.
    unsigned char* MakeRelayHeader(unsigned char relayByte, unsigned char id, unsigned char subId);
    /// The bulk frame, in a buffer of its own allocated with malloc. The packet is left cleared. The caller
    /// takes the buffer with GetBulkPacket and releases it with free after writing it; the builder never
    /// releases it. Returns the bulk buffer, or null when out of memory or refused (length above 65532,
    /// negative, or data null with a positive length). The chunk index and count travel as their low bytes.
    unsigned char* MakeBulkPacket(unsigned char id, unsigned char subCode, const unsigned char* data,
                                  int length, int chunkIndex, int chunkCount);
    /// The bulk frame of the last MakeBulkPacket (the caller frees it); null once Clear or another Make
    /// member has run, or when it refused.
    unsigned char* GetBulkPacket();
    /// The bytes of that bulk frame; read it only while GetBulkPacket is not null (Clear keeps it).
    int GetBulkPacketSize();
    /// @}

    /// @name Fixed layouts that the command handler and the firmware updater send themselves
    /// @{

    /// AA FD id 02 a b checksum.
    unsigned char* MakeFdTwoBytes(unsigned char id, unsigned char a, unsigned char b);
    /// AA B8 id 01 value checksum.
    unsigned char* MakeB8OneByte(unsigned char id, unsigned char value);
    /// AA 1B id 02 a b checksum (the updater passes 0x91 and a value).
    unsigned char* Make1bTwoBytes(unsigned char id, unsigned char a, unsigned char b);
    /// AA D0 id 02 a b checksum (the updater passes 0xB0 and a value).
    unsigned char* MakeD0TwoBytes(unsigned char id, unsigned char a, unsigned char b);
    /// @}

private:
    unsigned char* MakeStandard(unsigned char code, unsigned char id, const unsigned char* data, int length);

    unsigned char m_packet[kPacketCapacity];
    unsigned char* m_pBulkPacket;
    int m_nPacketSize;
    int m_nBulkSize;
};

/// Makes and ends builders for hosts: the builder's constructor is not exported.
class ZOLCommandFactory {
public:
    /// A new, zeroed builder on the heap, or null when memory is exhausted.
    static ZOL_API CZOLCommandBuilder* CreateInstance();
    /// Ends a builder made by CreateInstance; null is ignored. A bulk frame still held is not released
    /// (it belongs to whoever asked for it).
    static ZOL_API void DeleteInstance(CZOLCommandBuilder* builder);
};
