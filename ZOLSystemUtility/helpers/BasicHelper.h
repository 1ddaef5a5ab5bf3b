#pragma once

// The basic helper's implementation: CommunicationHelper builds and sends the 0xE1/0xE2 packets; the
// Ethernet and serial helpers embed one and forward every operation, adding the one argument in which
// the two links differ (block timing, the serial WriteRange's fixed wait, a link flag).

#include "CommunicationHelper.h"

#include <array>
#include <cstddef>

namespace zol::helpers {

// Reply bytes TransferPacket copies an accepted reply into.
using ReplyBuffer = std::array<unsigned char, 2048>;

class CommunicationHelper {
public:
    bool WriteBlock(int startAddress, const unsigned short* words, int count, bool fast);
    bool WriteRange(int startAddress, unsigned char accessMode, const int* values, int count, int timeoutMs);
    bool WriteShortRange(const int* addresses, unsigned char accessMode, const int* values, int count,
                         int timeoutMs);
    bool WriteRegister(int address, unsigned char accessMode, int value, bool serial);
    bool WriteRawBlock(int address, const unsigned short* words, int count, unsigned char* replyOut);
    bool ReadRegisters(int startAddress, unsigned char accessMode, unsigned char* destination, int count,
                       bool ethernet);
    bool ReadRegister(int address, unsigned char accessMode, unsigned char* destination, bool ethernet);
    bool Attach(IZOLCommandHandler* handler, ILFDData* record, IZOLCommand* command);
    void Reserved() {}
    bool WriteTable(int tableKind, const int* values, int entryCount, bool serial);
    bool WriteRegisterList(const int* addresses, unsigned char accessMode, const int* values, int count,
                           bool serial);
    bool ReadRegisterList(const int* addresses, unsigned char accessMode, int* destination, int count,
                          bool ethernet);

private:
    // One packet [AA, command, ID, n, accessMode, data..., checksum] through TransferPacket, repeated up to
    // the handler's retry count (1000 ms apart) while TransferPacket fails. True when reply byte 4 is 'A'.
    bool SendPacket(unsigned char command, unsigned char accessMode, const unsigned char* data,
                    std::size_t dataLength, ReplyBuffer& reply, int timeoutMs, bool acceptFirst);
    // SendPacket; when it fails, 350 ms later one more time with a cleared reply.
    bool SendReadPacket(unsigned char accessMode, const unsigned char* data, std::size_t dataLength,
                        ReplyBuffer& reply);
    bool WriteBlockPage(int startAddress, const unsigned short* words, int pageWords, bool fast,
                        ReplyBuffer& reply, bool& firstAcknowledged);

    unsigned char m_byLinkFlag = 0;
    IZOLCommandHandler* m_pHandler = nullptr;
    ILFDData* m_pRecord = nullptr;
    IZOLCommand* m_pCommand = nullptr;
};

class CommunicationHelperEthernet : public ICommunicationHelper {
public:
    bool WriteBlock(int startAddress, const unsigned short* words, int count) override {
        return m_helper.WriteBlock(startAddress, words, count, true);
    }
    bool WriteRange(int startAddress, unsigned char accessMode, const int* values, int count,
                    int timeoutMs) override {
        return m_helper.WriteRange(startAddress, accessMode, values, count, timeoutMs);
    }
    bool WriteShortRange(const int* addresses, unsigned char accessMode, const int* values, int count,
                         int timeoutMs) override {
        return m_helper.WriteShortRange(addresses, accessMode, values, count, timeoutMs);
    }
    bool WriteRegister(int address, unsigned char accessMode, int value) override {
        return m_helper.WriteRegister(address, accessMode, value, false);
    }
    bool WriteRawBlock(int address, const unsigned short* words, int count,
                       unsigned char* replyOut) override {
        return m_helper.WriteRawBlock(address, words, count, replyOut);
    }
    bool ReadRegisters(int startAddress, unsigned char accessMode, unsigned char* destination,
                       int count) override {
        return m_helper.ReadRegisters(startAddress, accessMode, destination, count, true);
    }
    bool ReadRegister(int address, unsigned char accessMode, unsigned char* destination) override {
        return m_helper.ReadRegister(address, accessMode, destination, true);
    }
    bool Attach(IZOLCommandHandler* handler, ILFDData* record, IZOLCommand* command) override {
        return m_helper.Attach(handler, record, command);
    }
    void Reserved() override { m_helper.Reserved(); }
    bool WriteTable(int tableKind, const int* values, int entryCount) override {
        return m_helper.WriteTable(tableKind, values, entryCount, false);
    }
    bool WriteRegisterList(const int* addresses, unsigned char accessMode, const int* values,
                           int count) override {
        return m_helper.WriteRegisterList(addresses, accessMode, values, count, false);
    }
    bool ReadRegisterList(const int* addresses, unsigned char accessMode, int* destination,
                          int count) override {
        return m_helper.ReadRegisterList(addresses, accessMode, destination, count, true);
    }

private:
    CommunicationHelper m_helper;
};

class CommunicationHelperSerial : public ICommunicationHelper {
public:
    // A serial line always gets the long wait, whatever the caller asked for.
    static constexpr int kRangeTimeoutMs = 2000;

    bool WriteBlock(int startAddress, const unsigned short* words, int count) override {
        return m_helper.WriteBlock(startAddress, words, count, false);
    }
    bool WriteRange(int startAddress, unsigned char accessMode, const int* values, int count,
                    int /*timeoutMs*/) override {
        return m_helper.WriteRange(startAddress, accessMode, values, count, kRangeTimeoutMs);
    }
    bool WriteShortRange(const int* addresses, unsigned char accessMode, const int* values, int count,
                         int timeoutMs) override {
        return m_helper.WriteShortRange(addresses, accessMode, values, count, timeoutMs);
    }
    bool WriteRegister(int address, unsigned char accessMode, int value) override {
        return m_helper.WriteRegister(address, accessMode, value, true);
    }
    bool WriteRawBlock(int address, const unsigned short* words, int count,
                       unsigned char* replyOut) override {
        return m_helper.WriteRawBlock(address, words, count, replyOut);
    }
    bool ReadRegisters(int startAddress, unsigned char accessMode, unsigned char* destination,
                       int count) override {
        return m_helper.ReadRegisters(startAddress, accessMode, destination, count, false);
    }
    bool ReadRegister(int address, unsigned char accessMode, unsigned char* destination) override {
        return m_helper.ReadRegister(address, accessMode, destination, false);
    }
    bool Attach(IZOLCommandHandler* handler, ILFDData* record, IZOLCommand* command) override {
        return m_helper.Attach(handler, record, command);
    }
    void Reserved() override { m_helper.Reserved(); }
    bool WriteTable(int tableKind, const int* values, int entryCount) override {
        return m_helper.WriteTable(tableKind, values, entryCount, true);
    }
    bool WriteRegisterList(const int* addresses, unsigned char accessMode, const int* values,
                           int count) override {
        return m_helper.WriteRegisterList(addresses, accessMode, values, count, true);
    }
    bool ReadRegisterList(const int* addresses, unsigned char accessMode, int* destination,
                          int count) override {
        return m_helper.ReadRegisterList(addresses, accessMode, destination, count, false);
    }

private:
    CommunicationHelper m_helper;
};

} // namespace zol::helpers
