#pragma once

// A test suite that talks to one simulated display (id 1) on a loopback address. The display starts
// once for the whole suite; each test drops the pooled connection to it, so that a late reply of one
// test never answers the next, and starts with no faults and an empty request log.
//
// The address is a template argument so that every suite has its own display:
//     constexpr char kAddress[] = "127.0.4.2";
//     class MySuite : public zol::testing::SimulatedDisplaySuite<kAddress> { ... };
// Parameterised suites pass their base as the second argument.

#include "LFDData.h"
#include "ZOLConnection.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <memory>

namespace zol::testing {

template <const char* Address, class Base = ::testing::Test> class SimulatedDisplaySuite : public Base {
protected:
    static void SetUpTestSuite() { StartDisplay(); }
    static void TearDownTestSuite() {
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(Address);
        sim.reset();
    }

    // Suites that also need display 1 behind a relay (reached through relayTarget) call this from their
    // own SetUpTestSuite.
    static void StartDisplay(int relayTarget = -1) {
        sim = std::make_unique<zolsim::Simulator>();
        sim->AddDisplay(1);
        if (relayTarget >= 0) {
            sim->AddRelayedDisplay(1, static_cast<unsigned char>(relayTarget));
        }
        ASSERT_TRUE(sim->StartTcp(Address));
    }

    // For each test's SetUp.
    static void ResetDisplay() {
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(Address);
        sim->ClearFaults();
        sim->ClearLog();
    }

    // A record for display 1 over the network at the suite's address.
    static void PointAtDisplay(CLFDData& record) {
        record.SetAddress(Address);
        record.SetConnectionKind(1);
        record.SetDisplayId(1);
    }

    inline static std::unique_ptr<zolsim::Simulator> sim;
};

} // namespace zol::testing
