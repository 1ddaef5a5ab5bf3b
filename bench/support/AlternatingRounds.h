// The library's round trip beside the bare one, measured in rounds taken in turn in one run: bare, library,
// bare, library ... On two shared cores the speed a process gets drifts over seconds and with where the
// scheduler puts it, so two runs one after the other would compare that drift; rounds in turn see the
// same machine.
//
// Each round opens its side's road to the display anew and closes it at the end. The display serves every
// connection on a thread of its own, and the scheduler keeps a thread where it put it: on a loaded machine
// one display thread can sit behind a busy core for hundreds of round trips while the other does not, and
// a road kept open for the whole run would carry that placement into its figures. Opened anew, each round
// gets a placement of its own, and both sides draw from the same ones.
//
// Every round trip is timed on its own; the figures are the median and p99 of each side and the ratio of
// the medians.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

struct Latencies {
    std::string name;
    std::vector<double> us; // one entry per round trip
    double Median() const { return Percentile(us, 0.5); }
    double P99() const { return Percentile(us, 0.99); }
};

struct Comparison {
    Comparison(std::string what, std::string bareName, std::string libraryName, int roundTrips, double target)
        : title(std::move(what)), bare{std::move(bareName), {}}, library{std::move(libraryName), {}},
          perRound(roundTrips), maxRatio(target) {}

    std::string title; // what the round trip is, for the summary
    Latencies bare;
    Latencies library;
    int perRound = 0;    // timed round trips per round
    int rounds = 0;      // rounds of each side completed
    double maxRatio = 0; // the target: the library's median at most this many bare medians
    std::string failure; // why the run stopped early, empty when it did not

    double Ratio() const { return bare.Median() > 0 ? library.Median() / bare.Median() : 0; }
};

// Untimed round trips at the start of every round: the connection's first use, the display thread's first
// wake-up.
inline constexpr int kWarmUpRoundTrips = 5;

// A side is any object with bool Open() (untimed), bool Exchange() (one timed round trip) and void Close().
// The benchmark's iterations are the rounds: each runs one bare round and then one library round. The run
// stops early, with the rounds so far, when a side fails or the budget is spent (a display that answers
// after its full receive time-out every time would otherwise take minutes).
template <typename Bare, typename Library>
void RunAlternating(benchmark::State& state, Comparison& out, Bare& bare, Library& library,
                    std::chrono::seconds budget) {
    const auto deadline = Clock::now() + budget;
    const auto round = [&](auto& side, Latencies& into) {
        bool ok = side.Open();
        for (int i = 0; ok && i < kWarmUpRoundTrips; ++i) {
            ok = side.Exchange();
        }
        for (int i = 0; ok && i < out.perRound; ++i) {
            const auto start = Clock::now();
            ok = side.Exchange();
            if (ok) {
                into.us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            }
        }
        side.Close();
        if (!ok) {
            out.failure = into.name + ": no reply (or the display could not be reached)";
        }
        return ok;
    };
    const auto expected =
        static_cast<std::size_t>(state.max_iterations) * static_cast<std::size_t>(out.perRound);
    out.bare.us.reserve(expected);
    out.library.us.reserve(expected);
    for (auto _ : state) {
        if (Clock::now() > deadline) {
            out.failure = "time budget spent";
        } else if (round(bare, out.bare) && round(library, out.library)) {
            ++out.rounds;
            continue;
        }
        state.SkipWithError(out.failure.c_str());
        break;
    }
    state.counters[out.bare.name + "_median_us"] = out.bare.Median();
    state.counters[out.bare.name + "_p99_us"] = out.bare.P99();
    state.counters[out.library.name + "_median_us"] = out.library.Median();
    state.counters[out.library.name + "_p99_us"] = out.library.P99();
    state.counters["ratio"] = out.Ratio();
}

inline void PrintComparison(const Comparison& c) {
    if (c.rounds == 0) {
        std::printf("%s: no complete round%s%s\n", c.title.c_str(), c.failure.empty() ? "" : ": ",
                    c.failure.c_str());
        return;
    }
    const double ratio = c.Ratio();
    std::printf("%s, %d rounds of %d round trips each, in turn%s%s:\n"
                "  %-10s median %8.1f us   p99 %8.1f us\n"
                "  %-10s median %8.1f us   p99 %8.1f us\n"
                "  ratio of medians %.2f (target <= %.0f): %s\n",
                c.title.c_str(), c.rounds, c.perRound,
                c.failure.empty() ? "" : "; stopped early: ", c.failure.c_str(), c.library.name.c_str(),
                c.library.Median(), c.library.P99(), c.bare.name.c_str(), c.bare.Median(), c.bare.P99(),
                ratio, c.maxRatio, ratio <= c.maxRatio ? "met" : "MISSED");
}

} // namespace bench
