#pragma once

// The model name a display reports by number. Numbers without a row are "UNKNOWN".

#include <array>

namespace zol::util {

struct ModelName {
    unsigned char number;
    const char* text;
};

inline constexpr std::array<ModelName, 79> kModelNames{{
    {1, "Model-01"},  {2, "Model-02"},  {3, "Model-03"},  {4, "Model-04"},  {5, "Model-05"},
    {6, "Model-06"},  {7, "Model-07"},  {8, "Model-08"},  {9, "Model-09"},  {10, "Model-10"},
    {11, "Model-11"}, {12, "Model-12"}, {13, "Model-13"}, {14, "Model-14"}, {16, "Model-16"},
    {19, "Model-19"}, {20, "Model-20"}, {21, "Model-21"}, {22, "Model-22"}, {23, "Model-23"},
    {24, "Model-24"}, {25, "Model-25"}, {26, "Model-26"}, {27, "Model-27"}, {28, "Model-28"},
    {29, "Model-29"}, {32, "Model-32"}, {33, "Model-33"}, {34, "Model-34"}, {35, "Model-35"},
    {36, "Model-36"}, {37, "Model-37"}, {38, "Model-38"}, {39, "Model-39"}, {40, "Model-40"},
    {41, "Model-41"}, {42, "Model-42"}, {43, "Model-43"}, {44, "Model-44"}, {45, "Model-45"},
    {46, "Model-46"}, {47, "Model-47"}, {48, "Model-48"}, {49, "Model-49"}, {50, "Model-50"},
    {51, "Model-51"}, {52, "Model-52"}, {53, "Model-53"}, {54, "Model-54"}, {55, "Model-55"},
    {56, "Model-56"}, {57, "Model-57"}, {58, "Model-58"}, {59, "Model-59"}, {60, "Model-60"},
    {61, "Model-61"}, {62, "Model-62"}, {63, "Model-63"}, {64, "Model-64"}, {65, "Model-65"},
    {66, "Model-66"}, {67, "Model-67"}, {68, "Model-68"}, {69, "Model-69"}, {70, "Model-70"},
    {71, "Model-71"}, {72, "Model-72"}, {73, "Model-73"}, {74, "Model-74"}, {75, "Model-75"},
    {76, "Model-76"}, {77, "Model-77"}, {79, "Model-79"}, {80, "Model-80"}, {81, "Model-81"},
    {82, "Model-82"}, {83, "Model-83"}, {92, "Model-92"}, {93, "Model-93"},
}};

} // namespace zol::util
