// How an operation's in-argument is read from the word a person typed: numbers are decimal or
// 0x-hexadecimal and nothing else, real numbers are decimal and nothing else.

#include "helpers/OperationArguments.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using zol::helpers::ArgKind;
using zol::helpers::ArgValue;
using zol::helpers::DefaultLimit;
using zol::helpers::ReadArgument;

struct Word {
    const char* text;
    bool taken;
    long long number; // when taken
};

TEST(OperationArguments, NumbersAreDecimalOrHexadecimalDigitsOnly) {
    const Word words[] = {
        {"-3", true, -3},
        {"0x1F", true, 31},
        {"0X1f", true, 31},
        {"0xFFFFFFFF", true, 0xFFFFFFFFLL},
        {"-2147483648", true, -2147483648LL},
        // A sign belongs in front of decimal digits only.
        {"0x-1F", false, 0},
        {"0x+1F", false, 0},
        {"-0x1F", false, 0},
        {"+3", false, 0},
        {"0x", false, 0},
        {" 3", false, 0},
        {"3 ", false, 0},
        {"0x100000000", false, 0},
    };
    for (const Word& word : words) {
        SCOPED_TRACE(word.text);
        ArgValue value;
        std::string error;
        EXPECT_EQ(ReadArgument("Op", 1, ArgKind::Int, DefaultLimit(ArgKind::Int), word.text, value, &error),
                  word.taken);
        if (word.taken)
            EXPECT_EQ(value.number, word.number);
        else
            EXPECT_NE(error.find("decimal or 0x hexadecimal"), std::string::npos) << error;
    }
    // A list reads each piece the same way.
    ArgValue value;
    EXPECT_FALSE(
        ReadArgument("Op", 1, ArgKind::Ints, DefaultLimit(ArgKind::Ints), "1,0x-1F", value, nullptr));
    EXPECT_TRUE(
        ReadArgument("Op", 1, ArgKind::Ints, DefaultLimit(ArgKind::Ints), "1,0x20,-3", value, nullptr));
    EXPECT_EQ(value.ints, (std::vector<int>{1, 32, -3}));
}

struct RealWord {
    const char* text;
    bool taken;
    double real; // when taken
};

TEST(OperationArguments, RealNumbersAreDecimalOnly) {
    const RealWord words[] = {
        {"0.5", true, 0.5},
        {"-2", true, -2.0},
        {"1e-3", true, 1e-3},
        {"2.5E+2", true, 250.0},
        {".5", true, 0.5},
        // Hexadecimal floats and white space of any kind in front are refused, as are non-numbers.
        {"0x1p3", false, 0},
        {"0x10", false, 0},
        {"\n1", false, 0},
        {"\r1", false, 0},
        {"\v1", false, 0},
        {"\f1", false, 0},
        {" 1", false, 0},
        {"\t1", false, 0},
        {"1 ", false, 0},
        {"inf", false, 0},
        {"nan", false, 0},
        {"1e999", false, 0},
        {"", false, 0},
    };
    for (const RealWord& word : words) {
        SCOPED_TRACE(testing::PrintToString(std::string(word.text)));
        ArgValue value;
        std::string error;
        EXPECT_EQ(ReadArgument("Op", 1, ArgKind::Double, {}, word.text, value, &error), word.taken);
        if (word.taken)
            EXPECT_DOUBLE_EQ(value.real, word.real);
        else
            EXPECT_NE(error.find("must be a decimal number"), std::string::npos) << error;
    }
    ArgValue value;
    EXPECT_FALSE(ReadArgument("Op", 1, ArgKind::Doubles, {}, "1,0x1p3", value, nullptr));
    EXPECT_TRUE(ReadArgument("Op", 1, ArgKind::Doubles, {}, "1,0.5,0", value, nullptr));
    EXPECT_EQ(value.doubles, (std::vector<double>{1.0, 0.5, 0.0}));
}

} // namespace
