// Register access through the basic helper: the extended helper hands each operation to the register
// access, over its basic helper, its record and its own register state (values, matrix, shadow tables).

#include "helpers/ExtendedHelper.h"
#include "helpers/RegisterAccess.h"

namespace zol::helpers {

namespace {
using C = CCommunicationHelperExtended;
} // namespace

registers::RegisterAccess C::Registers() {
    return registers::RegisterAccess(
        registers::RegisterRoad{m_pBasicHelper, m_pRecord, m_pHandler, m_pCommand},
        registers::RegisterState{m_nDoubledParameter, m_nRegisterValues, m_dCoefficients, m_dMatrix,
                                 m_bMatrixValid, m_primaryTable, m_secondaryTable});
}

// No traffic: the matrix a caller starts from is all ones.
int C::ResetMatrix(double (*matrix)[9]) {
    if (matrix != nullptr) {
        for (double& entry : *matrix) {
            entry = 1.0;
        }
    }
    return 1;
}

int C::WriteMatrix(double (*matrix)[9]) {
    return Registers().WriteMatrix(matrix != nullptr ? *matrix : nullptr);
}
int C::ReadRegisterWord(int reg, int* value) {
    return Registers().ReadRegisterWord(reg, value);
}
int C::WriteRegisterWord(int reg, int value) {
    return Registers().WriteRegisterWord(reg, value);
}
void C::RecordRegister(int entry, int reg, int value) {
    Registers().RecordRegister(entry, reg, value);
}
int C::EightRegisterWrite(int m, int x1, int x2, int x3, int y0, int y1, int y2, int y3) {
    return Registers().EightRegisterWrite(m, x1, x2, x3, y0, y1, y2, y3);
}
int C::RegisterTableLoader() {
    return Registers().LoadRegisterTable();
}
int C::InitializeMatrix() {
    return Registers().InitializeMatrix();
}
int C::ReadCommand58Registers() {
    return Registers().ReadCommand58Registers();
}
int C::SetGeometryRegisters(int first, int second) {
    return Registers().SetGeometryRegisters(first, second);
}
int C::ApplyGeometryRegisters() {
    return Registers().ApplyGeometryRegisters();
}
int C::WriteRegisterTable(const int* block, int width, int height) {
    return Registers().WriteRegisterTable(block, width, height);
}
int C::WriteRegisterTableList(const int* values, const int* geometry) {
    return Registers().WriteRegisterTableList(values, geometry);
}
int C::WriteCoefficients(double first, double second, double third) {
    return Registers().WriteCoefficients(first, second, third);
}
int C::WriteRegisterTableWithGeometry(const int* block) {
    return Registers().WriteRegisterTableWithGeometry(block);
}
int C::WriteRegisterTableWithGeometryOf(const int* block, std::size_t count) {
    return Registers().WriteRegisterTableWithGeometry(block, count);
}
int C::WriteRegisterTableForModel(int width, int height, int mode, const int* block, const int* first,
                                  const int* second) {
    return Registers().WriteRegisterTableForModel(width, height, mode, block, first, second);
}
int C::WriteRegisterBlockRange(int width, int height, const int* blocks) {
    return Registers().WriteRegisterBlockRange(width, height, blocks);
}
int C::WriteDefaultRegisterTable(const int* values, const int* offsets, int value) {
    return Registers().WriteDefaultRegisterTable(values, offsets, value);
}
int C::ApplyModelRegisterTable() {
    return Registers().ApplyModelRegisterTable();
}
int C::ReadRegisterBlock(int reg, int* value) {
    return Registers().ReadRegisterBlock(reg, value);
}
int C::GetFPGASettingsData(FPGASettingsData* data) {
    return Registers().GetFPGASettingsData(data);
}
int C::WriteFPGASettingsData(const FPGASettingsData* data) {
    return Registers().WriteFPGASettingsData(data);
}

} // namespace zol::helpers
