// A record argument's numbers are taken only when they fit the record's fields as they are written.

#include "RecordOperations.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ClockSet(const std::string& year) {
    return R"({"Field0": )" + year +
           R"(, "Field1": 12, "Field2": 31, "Field3": 23, "Field4": 59, "Field5": true})";
}

TEST(ZolctlRecordJson, NumbersOutsideAnIntAreRefusedNotWrapped) {
    struct Row {
        const char* year;
        bool taken;
    };
    const Row rows[] = {
        {"2024", true},
        {"-2147483648", true},
        {"2147483647", true},
        {"2147483648", false},
        {"-2147483649", false},
        {"4294967295", false},
        // Past the signed 64-bit range the JSON reader keeps the number unsigned: it is still too big.
        {"18446744073709551615", false},
        {"9223372036854775808", false},
        {"2024.0", false},
        {"\"2024\"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.year);
        std::string error;
        const auto record = zolctl::ReadRecordArgument("ClockSet", ClockSet(row.year), &error);
        ASSERT_EQ(record.has_value(), row.taken) << error;
        if (row.taken)
            EXPECT_EQ((*record)["Field0"].dump(), row.year);
        else
            EXPECT_NE(error.find("\"Field0\" has the wrong kind of value"), std::string::npos) << error;
    }
    // The same holds inside lists.
    std::string error;
    EXPECT_FALSE(zolctl::ReadRecordArgument(
        "BlockRGBData",
        R"({"Field0": [18446744073709551615], "Fields1To9": [[], [], [], [], [], [], [], [], []]})", &error));
}

} // namespace
