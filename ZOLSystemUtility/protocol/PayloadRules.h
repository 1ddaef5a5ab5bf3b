#pragma once

// The rule functions of the payload table: fixed data layouts, and one small function for each command
// whose packet depends on its data count or sub-code.

#include "protocol/PayloadTable.h"

#include <algorithm>
#include <array>

namespace zol::payload {

// A fixed data layout lists, byte by byte, which request byte goes there (its index) or a zero pad (Z).
inline constexpr signed char Z = -1;

template <std::size_t Size> using Layout = std::array<signed char, Size>;

template <std::size_t Size> constexpr int BytesRead(const Layout<Size>& layout) {
    int needed = 0;
    for (signed char pick : layout) {
        needed = std::max(needed, pick + 1);
    }
    return needed;
}

// d0, d1, ... d(Size-1)
template <std::size_t Size> constexpr Layout<Size> Leading() {
    Layout<Size> layout{};
    for (std::size_t i = 0; i < Size; ++i) {
        layout[i] = static_cast<signed char>(i);
    }
    return layout;
}

// Writes the layout; refused when the request holds fewer bytes than the layout reads.
template <const auto& layout> bool Pick(const Request& request, Plan& plan) {
    constexpr int needed = BytesRead(layout);
    if (!request.Has(needed)) {
        return Refuse(plan, "fewer data bytes than the layout reads");
    }
    for (signed char pick : layout) {
        plan.Put(pick == Z ? static_cast<unsigned char>(0) : request.D(pick));
    }
    return true;
}

inline constexpr Layout<1> kOneByte = Leading<1>();
inline constexpr Layout<2> kTwoBytes = Leading<2>();
inline constexpr Layout<4> kFourBytes = Leading<4>();
inline constexpr Layout<5> kFiveBytes = Leading<5>();
inline constexpr Layout<7> kSevenBytes = Leading<7>();
inline constexpr Layout<8> kEightBytes = Leading<8>();
inline constexpr Layout<12> kTwelveBytes = Leading<12>();
inline constexpr Layout<15> kFifteenBytes = Leading<15>();
inline constexpr Layout<3> kThreeBytes = Leading<3>();
inline constexpr Layout<6> kLayout03 = {Z, 0, 1, Z, 2, Z};
inline constexpr Layout<4> kLayout15 = {Z, Z, 0, 1};
inline constexpr Layout<10> kLayout17 = {0, 1, 2, 3, 4, 5, 6, 7, Z, Z};

// Query-or-layout commands whose layout depends on d0.
bool Rule5B(const Request& request, Plan& plan);
bool Rule63(const Request& request, Plan& plan);

// Commands chosen by their data count.
bool Rule21(const Request& request, Plan& plan);
bool RuleB9(const Request& request, Plan& plan);
bool RuleC0(const Request& request, Plan& plan);
bool RuleC6(const Request& request, Plan& plan);
bool RuleC7(const Request& request, Plan& plan);

// Sub-coded commands.
bool Rule1B(const Request& request, Plan& plan);
bool Rule1C(const Request& request, Plan& plan);
bool Rule8C(const Request& request, Plan& plan);
bool RuleC8(const Request& request, Plan& plan);
bool RuleCA(const Request& request, Plan& plan);
bool RuleD0(const Request& request, Plan& plan);
bool RuleD1(const Request& request, Plan& plan);
bool RuleD2(const Request& request, Plan& plan);
bool RuleFE(const Request& request, Plan& plan);

// The sub-code that command 0xFE carries to a display of device class 4 (unless its model code is 116).
unsigned char TranslateFESubCode(unsigned char subCode, int deviceClass, int modelCode);

} // namespace zol::payload
