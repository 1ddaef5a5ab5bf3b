// A wall of 100 simulated displays swept with `zolctl status`: once as one zolctl over an inventory
// (--target all, through the fleet engine), beside the way it was done before the inventory, one zolctl
// process per display, one after another and four at a time. Every sweep is a zolctl process of its own,
// as a person or a script runs it; the displays are one zolsim process.
//
// Rounds take turns: one at a time, four at a time, the wall, again. Printed: the median and p99 of each
// side, the ratios of the medians, the target, and the wall's table of its last round.
//
// Addresses: 127.94.0.1 - 127.94.0.100. `bench_zolctl_wall [--rounds N]`; zolctl is $ZOLCTL, else the one
// built beside the benchmark.

#include "support/AlternatingRounds.h"
#include "support/DisplayProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kDisplays = 100;
constexpr int kParallel = 4;
// The wall in one process must be at least this many times quicker than one process per display, four
// at a time (the quickest of the scripted ways).
constexpr double kTarget = 4.0;

std::string Address(int index) {
    return "127.94.0." + std::to_string(index + 1);
}

std::string Zolctl() {
    if (const char* given = std::getenv("ZOLCTL")) {
        return given;
    }
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "tools" / "zolctl" / "zolctl").string();
}

// Starts zolctl with these arguments, its stdout into `output` (a file path), its stderr discarded.
pid_t Start(const std::vector<std::string>& arguments, const std::string& output) {
    std::vector<std::string> all{Zolctl()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Read(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

struct Side {
    std::string name;
    std::vector<double> ms;
};

// One sweep of the 100 displays with `parallel` processes of one display each at a time; false when one
// of them failed.
bool OneEach(int parallel, const std::string& scratch) {
    bool ok = true;
    std::vector<pid_t> running;
    for (int i = 0; i < kDisplays; ++i) {
        running.push_back(Start({"--json", "--host", Address(i), "status"}, scratch));
        if (static_cast<int>(running.size()) == parallel || i + 1 == kDisplays) {
            for (const pid_t pid : running) {
                ok = Wait(pid) == 0 && ok;
            }
            running.clear();
        }
    }
    return ok;
}

double Ms(bench::Clock::time_point started) {
    return std::chrono::duration<double, std::milli>(bench::Clock::now() - started).count();
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--rounds") {
            rounds = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    bench::DisplayProcess display({"--tcp", Address(0) + "-" + Address(kDisplays - 1), "--id", "1"}, 1,
                                  std::chrono::seconds(30));
    if (!display.Ready()) {
        std::fprintf(stderr, "zolsim did not start: %s\n", display.Error().c_str());
        return 1;
    }
    const std::string directory =
        std::filesystem::temp_directory_path() / ("zolctl-wall-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    const std::string inventory = directory + "/wall.toml";
    {
        std::ofstream file(inventory);
        for (int i = 0; i < kDisplays; ++i) {
            file << "[[display]]\nname = \"wall-" << (i + 1) << "\"\nhost = \"" << Address(i) << "\"\n";
        }
    }
    const std::string scratch = directory + "/out";
    const std::string table = directory + "/table";

    Side sequential{"one process per display, one at a time", {}};
    Side fourAtATime{"one process per display, four at a time", {}};
    Side wall{"one zolctl over the inventory (--target all)", {}};
    for (int round = 0; round < rounds; ++round) {
        auto started = bench::Clock::now();
        const bool sequentialOk = OneEach(1, scratch);
        sequential.ms.push_back(Ms(started));
        started = bench::Clock::now();
        const bool parallelOk = OneEach(kParallel, scratch);
        fourAtATime.ms.push_back(Ms(started));
        started = bench::Clock::now();
        const bool wallOk = Wait(Start({"--inventory", inventory, "--target", "all", "status"}, table)) == 0;
        wall.ms.push_back(Ms(started));
        if (!sequentialOk || !parallelOk || !wallOk) {
            std::fprintf(stderr, "round %d: a sweep failed (one at a time %d, four %d, wall %d)\n", round,
                         sequentialOk, parallelOk, wallOk);
            std::filesystem::remove_all(directory);
            return 1;
        }
    }

    std::printf("zolctl status over %d displays, %d rounds each, taken in turn\n", kDisplays, rounds);
    for (const Side* side : {&sequential, &fourAtATime, &wall}) {
        std::printf("  %-48s median %8.1f ms   p99 %8.1f ms\n", side->name.c_str(),
                    bench::Percentile(side->ms, 0.5), bench::Percentile(side->ms, 0.99));
    }
    const double wallMedian = bench::Percentile(wall.ms, 0.5);
    const double oneAtATime = bench::Percentile(sequential.ms, 0.5) / wallMedian;
    const double four = bench::Percentile(fourAtATime.ms, 0.5) / wallMedian;
    std::printf("  the wall is %.1fx quicker than one at a time and %.1fx quicker than four at a time "
                "(target: at least %.0fx than four at a time) %s\n",
                oneAtATime, four, kTarget, four >= kTarget ? "MET" : "NOT MET");
    std::printf("\nThe wall's table, last round:\n%s", Read(table).c_str());
    std::filesystem::remove_all(directory);
    return 0;
}
