// The test main every test executable shares: the protocol's fixed pauses are made instant so the whole
// suite runs in seconds; a test that measures a pause turns them back on for itself.
#include "platform/Pause.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleMock(&argc, argv);
    zol::platform::SetInstantPauses(true);
    return RUN_ALL_TESTS();
}
