#pragma once

// The extended helper's register operations: numbered 16-bit registers of the display's internal
// devices, read and written through the basic helper, with access modes computed from (device, bank,
// unit), values scaled so that 512 stands for full scale, and two shadow tables of what was written.
//
// Every sequence stops at its first failed step and returns 0; nothing is rolled back: registers written
// and table entries recorded before the failure stay.

#include "ZOLDataRecords.h"
#include "helpers/ExtendedHelper.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

class ICommunicationHelper;
class ILFDData;
class IZOLCommand;
class IZOLCommandHandler;

namespace zol::helpers::registers {

// Access-mode byte for a (device, bank, unit); 0x99 for a combination the controller does not have.
unsigned char AccessMode(int device, int bank, int unit);

// 512 stands for the raw value 0xFFFF; any other value travels shifted left by 7 bits.
int ScaleToRaw(int value);
int ScaleFromRaw(int raw);

inline constexpr int kFullScale = 512;
inline constexpr int kBuiltInBlockSize = 242;
inline constexpr int kRegisterTableEntries = 50;

// The helper state the register operations read and change (fields of the extended helper).
struct RegisterState {
    std::int32_t& doubledParameter;
    std::array<std::int32_t, 17>& values; // registers 0x40 to 0x48, then the further table registers
    std::array<double, 3>& coefficients;
    std::array<double, 9>& matrix;
    bool& matrixValid;
    RegisterTable& primary;
    RegisterTable& secondary;
};

// The roads: the basic helper for registers, the handler for the one display command (0x58).
struct RegisterRoad {
    ICommunicationHelper* basic = nullptr;
    ILFDData* record = nullptr;
    IZOLCommandHandler* handler = nullptr;
    IZOLCommand* command = nullptr;
};

class RegisterAccess {
public:
    RegisterAccess(const RegisterRoad& road, const RegisterState& state) : m_road(road), m_state(state) {}

    int ReadRegisterWord(int reg, int* value);
    int WriteRegisterWord(int reg, int value);
    int WriteMatrix(const double* entries); // nine entries, row by row
    int EightRegisterWrite(int m, int x1, int x2, int x3, int y0, int y1, int y2, int y3);
    int WriteRegisterTable(const int* block, int width, int height);
    // `count` is how many values the block holds: a size the display reports that needs more is refused.
    int WriteRegisterTableWithGeometry(const int* block,
                                       std::size_t count = std::numeric_limits<std::size_t>::max());
    int WriteRegisterTableList(const int* values, const int* geometry);
    int WriteRegisterTableForModel(int width, int height, int mode, const int* block, const int* first,
                                   const int* second);
    int WriteCoefficients(double first, double second, double third);
    int WriteRegisterBlockRange(int width, int height, const int* blocks);
    int WriteDefaultRegisterTable(const int* values, const int* offsets, int value);
    int ApplyModelRegisterTable();
    int LoadRegisterTable();
    int InitializeMatrix();
    int ReadCommand58Registers();
    int SetGeometryRegisters(int first, int second);
    int ApplyGeometryRegisters();
    int ReadRegisterBlock(int reg, int* value);
    int GetFPGASettingsData(FPGASettingsData* data);
    int WriteFPGASettingsData(const FPGASettingsData* data);

    // Stores (reg, value) as entry `entry` of the secondary table, and of the primary one unless the
    // display's model code is 0x4E.
    void RecordRegister(int entry, int reg, int value);
    // Whether the display takes the alternate (secondary) register table: some device types of model
    // codes 70 and 80.
    bool UsesAlternateTable() const;

private:
    bool Ready() const { return m_road.basic != nullptr && m_road.record != nullptr; }
    int Write(int reg, unsigned char mode, int value);
    int WriteBlock(int start, unsigned char mode, const int* values, int count);
    int WriteTableBlock(int start, const RegisterTable& table);
    int StoredGeometryWrite(int m);

    RegisterRoad m_road;
    RegisterState m_state;
};

} // namespace zol::helpers::registers
