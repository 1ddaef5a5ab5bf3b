#include "helpers/RegisterAccess.h"

#include "CommunicationHelper.h"
#include "ILFDData.h"
#include "Logger.h"
#include "ZOLCommandHandler.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace zol::helpers::registers {

namespace {

struct AccessModeRow {
    int device;
    int bank;
    int unit;
    unsigned char mode;
};

// The controller's devices, banks and units that have an access mode.
constexpr AccessModeRow kAccessModes[] = {
    {1, 0, 0, 0x10}, {1, 0, 1, 0x11}, {1, 1, 0, 0x90}, {1, 1, 1, 0x91}, {1, 1, 2, 0x92},
    {0, 0, 0, 0x00}, {0, 0, 1, 0x01}, {0, 1, 0, 0x80}, {0, 1, 1, 0x81},
};
constexpr unsigned char kUnknownAccessMode = 0x99;

constexpr int kBuiltInBlocks[3][kBuiltInBlockSize] = {
#include "helpers/RegisterBlocks.inc"
};

struct ModelNameRow {
    int modelCode;
    const char* deviceType;
};
constexpr ModelNameRow kAlternateTableModels[] = {
#define MODEL_NAME(code, name) {code, name},
#include "helpers/RegisterModelNames.def"
#undef MODEL_NAME
};

constexpr int kFPGARegisters[] = {
#define FPGA_REGISTER(field, reg) reg,
#include "helpers/RegisterFPGA.def"
#undef FPGA_REGISTER
};
constexpr int kFPGAValues = static_cast<int>(std::size(kFPGARegisters));
static_assert(sizeof(FPGASettingsData::m_nFields0To21) == sizeof(int) * kFPGAValues);

// The matrix registers; the diagonal ones are mirrored into the controller's table area.
constexpr int kMatrixFirst = 0x40;
constexpr int kMatrixCount = 9;
struct MirrorRow {
    int reg;
    int base;
};
constexpr MirrorRow kMirrors[] = {{0x40, 0xC930}, {0x44, 0xC940}, {0x48, 0xC950}};
constexpr int kMirrorLatch = 0x81; // 0 while a mirror entry is written, 1 to take it
constexpr int kBlockLatch = 0x82;  // 0 while the block range is written, 1 to take it
constexpr int kPartSelect = 0x01;  // which part of a register-table block the next block write fills
constexpr int kDefaultTableArea = 0xC900;

// The eight registers of the geometry write, in value order y0 y1 y2 y3 x1 x2 x3 m.
constexpr int kGeometryRegisters[8] = {0xE5, 0xE6, 0xE7, 0xE8, 0x51, 0x5E, 0x5F, 0x50};
constexpr int kGeometryEntry = 27;

// Where the loader reads stored parameters 1 to 4.
constexpr int kParameterRegisters[4] = {0xF2, 0xF8, 0x58, 0x59};

// Product groups whose controller has the FPGA settings registers.
constexpr int kFPGAGroups[] = {4, 5, 8, 9};

constexpr int kShortRangeTimeoutMs = 2000;
constexpr int kWideValueMask = 0xFFFF;

const unsigned char kReadWord = AccessMode(1, 0, 0);       // read, 16-bit
const unsigned char kWriteWord = AccessMode(1, 1, 0);      // write, 16-bit register by register
const unsigned char kWriteWordRange = AccessMode(1, 1, 1); // write, 16-bit consecutive
const unsigned char kWriteByte = AccessMode(0, 1, 0);      // write, 8-bit register by register
const unsigned char kWriteByteRange = AccessMode(0, 1, 1); // write, 8-bit consecutive

} // namespace

unsigned char AccessMode(int device, int bank, int unit) {
    for (const AccessModeRow& row : kAccessModes) {
        if (row.device == device && row.bank == bank && row.unit == unit) {
            return row.mode;
        }
    }
    return kUnknownAccessMode;
}

int ScaleToRaw(int value) {
    return value == kFullScale ? kWideValueMask : (value << 7) & kWideValueMask;
}

int ScaleFromRaw(int raw) {
    return raw == kWideValueMask ? kFullScale : raw / 128;
}

void RegisterAccess::RecordRegister(int entry, int reg, int value) {
    if (entry < 0 || entry >= kRegisterTableEntries) {
        return;
    }
    const RegisterEntry bytes{
        static_cast<unsigned char>((reg >> 8) & 0xFF), static_cast<unsigned char>(reg & 0xFF),
        static_cast<unsigned char>((value >> 8) & 0xFF), static_cast<unsigned char>(value & 0xFF)};
    const auto at = static_cast<std::size_t>(entry);
    m_state.secondary.entries[at] = bytes;
    if (m_road.record == nullptr || m_road.record->GetModelCode() != 0x4E) {
        m_state.primary.entries[at] = bytes;
    }
}

bool RegisterAccess::UsesAlternateTable() const {
    if (m_road.record == nullptr) {
        return false;
    }
    const int model = m_road.record->GetModelCode();
    std::string deviceType;
    m_road.record->GetDeviceTypeText(deviceType);
    return std::any_of(
        std::begin(kAlternateTableModels), std::end(kAlternateTableModels),
        [&](const ModelNameRow& row) { return row.modelCode == model && deviceType == row.deviceType; });
}

int RegisterAccess::Write(int reg, unsigned char mode, int value) {
    return m_road.basic->WriteRegister(reg, mode, value) ? 1 : 0;
}

// A block at 0x92 is the paged word block; at any other mode the registers are written as a range.
int RegisterAccess::WriteBlock(int start, unsigned char mode, const int* values, int count) {
    if (mode == AccessMode(1, 1, 2)) {
        std::vector<unsigned short> words(static_cast<std::size_t>(count));
        std::transform(values, values + count, words.begin(),
                       [](int v) { return static_cast<unsigned short>(v & kWideValueMask); });
        return m_road.basic->WriteBlock(start, words.data(), count) ? 1 : 0;
    }
    return m_road.basic->WriteRange(start, mode, values, count, kShortRangeTimeoutMs) ? 1 : 0;
}

// A register table goes to the controller as its 200 entry bytes.
int RegisterAccess::WriteTableBlock(int start, const RegisterTable& table) {
    std::vector<int> bytes;
    bytes.reserve(table.entries.size() * 4);
    for (const RegisterEntry& entry : table.entries) {
        bytes.insert(bytes.end(), entry.begin(), entry.end());
    }
    return WriteBlock(start, kWriteByteRange, bytes.data(), static_cast<int>(bytes.size()));
}

int RegisterAccess::ReadRegisterWord(int reg, int* value) {
    if (!Ready() || value == nullptr) {
        return 0;
    }
    unsigned char bytes[2] = {0, 0};
    if (!m_road.basic->ReadRegister(reg, kReadWord, bytes)) {
        return 0;
    }
    *value = ScaleFromRaw(bytes[0] * 256 + bytes[1]);
    if (reg >= kMatrixFirst && reg < kMatrixFirst + kMatrixCount) {
        m_state.values[static_cast<std::size_t>(reg - kMatrixFirst)] = *value;
    }
    return 1;
}

int RegisterAccess::WriteRegisterWord(int reg, int value) {
    if (!Ready()) {
        return 0;
    }
    const int raw = ScaleToRaw(value);
    if (Write(reg, kWriteWord, raw) == 0) {
        return 0;
    }
    if (reg >= kMatrixFirst && reg < kMatrixFirst + kMatrixCount) {
        m_state.values[static_cast<std::size_t>(reg - kMatrixFirst)] = value;
    }
    const auto mirror = std::find_if(std::begin(kMirrors), std::end(kMirrors),
                                     [reg](const MirrorRow& row) { return row.reg == reg; });
    if (mirror == std::end(kMirrors)) {
        return 1;
    }
    const int steps[][2] = {{kMirrorLatch, 0},
                            {mirror->base, 0},
                            {mirror->base + 1, reg},
                            {mirror->base + 2, (raw >> 8) & 0xFF},
                            {mirror->base + 3, raw & 0xFF},
                            {kMirrorLatch, 1}};
    for (const auto& step : steps) {
        if (Write(step[0], kWriteByte, step[1]) == 0) {
            return 0;
        }
    }
    return 1;
}

int RegisterAccess::WriteMatrix(const double* entries) {
    if (!Ready() || entries == nullptr) {
        return 0;
    }
    int values[kMatrixCount];
    for (int i = 0; i < kMatrixCount; ++i) {
        values[i] = static_cast<int>(entries[i] * 65535.0);
    }
    return WriteBlock(kMatrixFirst, kWriteWordRange, values, kMatrixCount);
}

int RegisterAccess::EightRegisterWrite(int m, int x1, int x2, int x3, int y0, int y1, int y2, int y3) {
    if (!Ready()) {
        return 0;
    }
    if (m_road.record->GetStoredParameter1() == 0) {
        x1 /= 4;
        x2 /= 4;
        x3 /= 4;
    }
    const int values[8] = {y0, y1, y2, y3, x1, x2, x3, m};
    if (!m_road.basic->WriteShortRange(kGeometryRegisters, kWriteWord, values, 8, kShortRangeTimeoutMs)) {
        return 0;
    }
    RecordRegister(kGeometryEntry, 0x50, m);
    return 1;
}

// The geometry the record stores: stored parameters 3 and 4 (as y1 and y3) and the mode m.
int RegisterAccess::StoredGeometryWrite(int m) {
    return EightRegisterWrite(m, 0, 0, 0, 0, m_road.record->GetStoredParameter3(), 0,
                              m_road.record->GetStoredParameter4());
}

// The block holds three parts of (width + 2) x (height + 2) values one after the other; part k goes to
// 0x101 + 3k while register 0x01 selects it.
int RegisterAccess::WriteRegisterTable(const int* block, int width, int height) {
    if (!Ready() || block == nullptr || width <= 0 || height <= 0 || width > 0x3FFF || height > 0x3FFF) {
        ZOL_LOG_ERROR << "Register table refused: " << width << " x " << height;
        return 0;
    }
    for (int i = 0; i < kMatrixCount; ++i) {
        if (Write(kMatrixFirst + i, kWriteWord, ScaleToRaw(m_state.values[static_cast<std::size_t>(i)])) ==
            0) {
            return 0;
        }
    }
    const int header[][2] = {{0x68, 0x3F},
                             {0x69, 0x3F},
                             {0xFC, width},
                             {0xFD, height},
                             {0xFE, m_road.record->GetStoredParameter3()},
                             {0xFF, m_road.record->GetStoredParameter4()}};
    for (const auto& step : header) {
        if (Write(step[0], kWriteWord, step[1]) == 0) {
            return 0;
        }
    }
    const int partSize = (width + 2) * (height + 2);
    const int parts[3][2] = {{0x40, 0x101}, {0x80, 0x104}, {0x100, 0x107}};
    for (int k = 0; k < 3; ++k) {
        if (Write(kPartSelect, kWriteWord, parts[k][0]) == 0 ||
            WriteBlock(parts[k][1], kWriteWord, block + k * partSize, partSize) == 0 ||
            Write(kPartSelect, kWriteWord, 0) == 0) {
            return 0;
        }
    }
    for (int reg : {0xF9, 0xFA, 0xFB}) {
        if (Write(reg, kWriteWord, 0) == 0) {
            return 0;
        }
    }
    return 1;
}

// Stored parameters 3 and 4 give the table's width and height: the loader first, then the table and the
// stored geometry.
int RegisterAccess::WriteRegisterTableWithGeometry(const int* block, std::size_t count) {
    if (!Ready() || block == nullptr || LoadRegisterTable() == 0) {
        return 0;
    }
    const auto side = [](int parameter) {
        return static_cast<std::size_t>(parameter < 0 ? 0 : parameter) + 2;
    };
    const std::size_t needed =
        3 * side(m_road.record->GetStoredParameter3()) * side(m_road.record->GetStoredParameter4());
    if (needed > count) {
        ZOL_LOG_ERROR << "Register table of " << count << " values refused: stored parameters 3 and 4 need "
                      << needed;
        return 0;
    }
    if (WriteRegisterTable(block, m_road.record->GetStoredParameter3(),
                           m_road.record->GetStoredParameter4()) == 0) {
        return 0;
    }
    return StoredGeometryWrite(0);
}

// values, when given, are nine new values for 0x40 to 0x48 (else the helper's last ones); geometry, when
// given, holds the two values written instead of stored parameters 3 and 4.
int RegisterAccess::WriteRegisterTableList(const int* values, const int* geometry) {
    if (!Ready()) {
        return 0;
    }
    if (values != nullptr) {
        std::copy(values, values + kMatrixCount, m_state.values.begin());
    }
    for (int i = 0; i < kMatrixCount; ++i) {
        const int raw = ScaleToRaw(m_state.values[static_cast<std::size_t>(i)]);
        if (Write(kMatrixFirst + i, kWriteWord, raw) == 0) {
            return 0;
        }
        RecordRegister(10 + i, kMatrixFirst + i, raw);
    }
    if (geometry != nullptr) {
        return EightRegisterWrite(0, 0, 0, 0, 0, geometry[0], 0, geometry[1]);
    }
    return StoredGeometryWrite(0);
}

// block is the register-table block at width x height; first and second, when given, replace the first
// two built-in blocks; the display's model decides which shadow table goes to the controller.
int RegisterAccess::WriteRegisterTableForModel(int width, int height, int mode, const int* block,
                                               const int* first, const int* second) {
    if (!Ready() || WriteRegisterTable(block, width, height) == 0) {
        return 0;
    }
    if (first != nullptr && WriteBlock(0xCA00, kWriteByteRange, first, kBuiltInBlockSize) == 0) {
        return 0;
    }
    if (second != nullptr && WriteBlock(0xCAF2, kWriteByteRange, second, kBuiltInBlockSize) == 0) {
        return 0;
    }
    const RegisterTable& table = UsesAlternateTable() ? m_state.secondary : m_state.primary;
    if (WriteTableBlock(kDefaultTableArea + 4, table) == 0) {
        return 0;
    }
    return StoredGeometryWrite(mode & 0xFF);
}

// Coefficients travel as 16-bit fractions of one (clamped to 0..1) in registers 0xF9 to 0xFB.
int RegisterAccess::WriteCoefficients(double first, double second, double third) {
    if (!Ready()) {
        return 0;
    }
    m_state.coefficients = {first, second, third};
    const int regs[3] = {0xF9, 0xFA, 0xFB};
    for (int i = 0; i < 3; ++i) {
        const double clamped = std::clamp(m_state.coefficients[static_cast<std::size_t>(i)], 0.0, 1.0);
        if (Write(regs[i], kWriteWord, static_cast<int>(clamped * 65535.0)) == 0) {
            return 0;
        }
    }
    return 1;
}

// blocks, when given, are three blocks of 242 values that replace the built-in ones.
int RegisterAccess::WriteRegisterBlockRange(int width, int height, const int* blocks) {
    if (!Ready()) {
        return 0;
    }
    if (Write(kBlockLatch, kWriteByte, 0) == 0) {
        return 0;
    }
    const int starts[3] = {0xCA00, 0xCAF2, 0xCBE4};
    for (int k = 0; k < 3; ++k) {
        const int* values = blocks != nullptr ? blocks + k * kBuiltInBlockSize : kBuiltInBlocks[k];
        if (WriteBlock(starts[k], kWriteByteRange, values, kBuiltInBlockSize) == 0) {
            return 0;
        }
    }
    const ILFDData& record = *m_road.record;
    const int entries[][3] = {{0, 0x68, 0x3F},
                              {1, 0x69, 0x3F},
                              {29, 0xF7, 1},
                              {30, 0xF8, record.GetStoredParameter2()},
                              {31, 0xF9, 0},
                              {32, 0xFA, 0},
                              {33, 0xFB, 0},
                              {34, 0xFC, width},
                              {35, 0xFD, height},
                              {36, 0xFE, record.GetStoredParameter3()},
                              {37, 0xFF, record.GetStoredParameter4()}};
    for (const auto& entry : entries) {
        RecordRegister(entry[0], entry[1], entry[2]);
    }
    if (WriteTableBlock(0xCCD6, m_state.primary) == 0 ||
        WriteTableBlock(kDefaultTableArea + 4, m_state.secondary) == 0) {
        return 0;
    }
    return Write(kBlockLatch, kWriteByte, 1);
}

// values, when given, are nine values for 0x40 to 0x48 (else the helper's last ones); offsets, when
// given, six values for 0x52, 0x55, 0x53, 0x56, 0x54, 0x57 (else 0).
int RegisterAccess::WriteDefaultRegisterTable(const int* values, const int* offsets, int value) {
    if (!Ready()) {
        return 0;
    }
    for (int i = 0; i < kMatrixCount; ++i) {
        const int v = values != nullptr ? values[i] : m_state.values[static_cast<std::size_t>(i)];
        RecordRegister(10 + i, kMatrixFirst + i, ScaleToRaw(v));
    }
    const int offsetRegisters[6] = {0x52, 0x55, 0x53, 0x56, 0x54, 0x57};
    for (int i = 0; i < 6; ++i) {
        RecordRegister(19 + i, offsetRegisters[i], offsets != nullptr ? offsets[i] : 0);
    }
    // The four computed registers describe the recorded table to the controller: present, number of
    // entries, first entry, and the low byte of the sum of the recorded bytes as a check value.
    int sum = 0;
    for (std::size_t i = 10; i <= 24; ++i) {
        for (unsigned char byte : m_state.secondary.entries[i]) {
            sum += byte;
        }
    }
    const int steps[][2] = {{kMirrorLatch, 0},
                            {kDefaultTableArea + 3, value},
                            {kDefaultTableArea, 1},
                            {kDefaultTableArea + 1, 15},
                            {kDefaultTableArea + 2, 10},
                            {kDefaultTableArea + 4, sum & 0xFF},
                            {kMirrorLatch, 1}};
    for (const auto& step : steps) {
        if (Write(step[0], kWriteByte, step[1]) == 0) {
            return 0;
        }
    }
    return 1;
}

// The model's shadow table goes to the controller's table area between the two latch writes.
int RegisterAccess::ApplyModelRegisterTable() {
    if (!Ready()) {
        return 0;
    }
    const RegisterTable& table = UsesAlternateTable() ? m_state.secondary : m_state.primary;
    if (Write(kMirrorLatch, kWriteByte, 0) == 0 || WriteTableBlock(kDefaultTableArea + 4, table) == 0) {
        return 0;
    }
    return Write(kMirrorLatch, kWriteByte, 1);
}

// Stored parameters 5 to 8 are derived as the table writes use them: parameters 3 and 4 plus 2 each, the
// product of those two (the values in one part of a register-table block), and the doubled parameter 2.
int RegisterAccess::LoadRegisterTable() {
    if (!Ready()) {
        return 0;
    }
    ILFDData& record = *m_road.record;
    int loaded[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        unsigned char bytes[2] = {0, 0};
        if (!m_road.basic->ReadRegister(kParameterRegisters[i], kReadWord, bytes)) {
            return 0;
        }
        loaded[i] = bytes[0] * 256 + bytes[1];
    }
    record.SetStoredParameter1(loaded[0]);
    record.SetStoredParameter2(loaded[1]);
    record.SetStoredParameter3(loaded[2]);
    record.SetStoredParameter4(loaded[3]);
    m_state.doubledParameter = 2 * loaded[1];
    record.SetStoredParameter5(loaded[2] + 2);
    record.SetStoredParameter6(loaded[3] + 2);
    record.SetStoredParameter7((loaded[2] + 2) * (loaded[3] + 2));
    record.SetStoredParameter8(m_state.doubledParameter);
    return 1;
}

// The three record values set to full scale are the matrix diagonal (registers 0x40, 0x44, 0x48).
int RegisterAccess::InitializeMatrix() {
    if (!Ready()) {
        return 0;
    }
    auto& settings = m_road.record->GetSettingsBlock();
    for (int field : {0, 4, 8}) {
        settings[static_cast<std::size_t>(ILFDData::kSettingsFieldRegister40) +
                 static_cast<std::size_t>(field)] = kFullScale;
    }
    m_state.matrix.fill(1.0);
    m_state.matrixValid = true;
    return LoadRegisterTable();
}

// The 0x58 value v (1 to 100, anything else counts as 100) scales the diagonal of the record's matrix
// values by v / 100 before they go to the three mirrored registers.
int RegisterAccess::ReadCommand58Registers() {
    if (!Ready() || m_road.handler == nullptr) {
        return 0;
    }
    auto& settings = m_road.record->GetSettingsBlock();
    const int value58 = settings[ILFDData::kSettingsFieldCommand58];
    const unsigned char data[1] = {static_cast<unsigned char>(value58 & 0xFF)};
    const int status = static_cast<int>(
        m_road.handler->Execute(m_road.record, 0x58, 1, data, m_road.command, nullptr, true));
    if (status == 0) {
        return 0;
    }
    const int hundredths = value58 > 0 && value58 <= 100 ? value58 : 100;
    for (int field : {0, 4, 8}) {
        const int base = settings[static_cast<std::size_t>(ILFDData::kSettingsFieldRegister40) +
                                  static_cast<std::size_t>(field)];
        const int scaled = base == kFullScale && hundredths == 100 ? kFullScale : base * hundredths / 100;
        if (WriteRegisterWord(kMatrixFirst + field, scaled) == 0) {
            return 0;
        }
    }
    if (WriteMatrix(m_state.matrix.data()) == 0 || StoredGeometryWrite(0) == 0) {
        return 0;
    }
    m_state.matrixValid = true;
    return status;
}

// Mode 0x0D when neither argument is negative, else 0x0E; the arguments travel as their magnitudes in
// x1 and x2.
int RegisterAccess::SetGeometryRegisters(int first, int second) {
    if (!Ready() || LoadRegisterTable() == 0) {
        return 0;
    }
    const int mode = first < 0 || second < 0 ? 0x0E : 0x0D;
    const ILFDData& record = *m_road.record;
    return EightRegisterWrite(mode, std::abs(first), std::abs(second), 0, 0, record.GetStoredParameter3(), 0,
                              record.GetStoredParameter4());
}

int RegisterAccess::ApplyGeometryRegisters() {
    if (!Ready() || LoadRegisterTable() == 0) {
        return 0;
    }
    return StoredGeometryWrite(0);
}

int RegisterAccess::ReadRegisterBlock(int reg, int* value) {
    if (!Ready() || value == nullptr) {
        return 0;
    }
    const int regs[1] = {reg};
    return m_road.basic->ReadRegisterList(regs, kReadWord, value, 1) ? 1 : 0;
}

int RegisterAccess::GetFPGASettingsData(FPGASettingsData* data) {
    if (!Ready() || data == nullptr) {
        return 0;
    }
    const int group = m_road.record->GetProductGroup();
    if (std::find(std::begin(kFPGAGroups), std::end(kFPGAGroups), group) == std::end(kFPGAGroups)) {
        return 0;
    }
    int values[kFPGAValues] = {};
    if (!m_road.basic->ReadRegisterList(kFPGARegisters, kReadWord, values, kFPGAValues)) {
        return 0;
    }
    std::copy(std::begin(values), std::end(values), data->m_nFields0To21);
    return 1;
}

int RegisterAccess::WriteFPGASettingsData(const FPGASettingsData* data) {
    if (!Ready() || data == nullptr) {
        return 0;
    }
    const int group = m_road.record->GetProductGroup();
    if (std::find(std::begin(kFPGAGroups), std::end(kFPGAGroups), group) == std::end(kFPGAGroups)) {
        return 0;
    }
    return m_road.basic->WriteRegisterList(kFPGARegisters, kWriteWord, data->m_nFields0To21, kFPGAValues) ? 1
                                                                                                          : 0;
}

} // namespace zol::helpers::registers
