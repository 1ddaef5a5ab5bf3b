// A wall to point the browser at: zolsim serving a range of displays as a process of its own (with its
// request log), an inventory of them, and the real zold serving that inventory. Everything runs from a
// work directory of its own in the build tree; the destructor stops zold, then zolsim.
#pragma once

#include "ChildProcess.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace browsertest {

struct WallSetup {
    std::string firstAddress;            // the range zolsim serves, on port 1515
    std::size_t displays = 0;            // addresses from firstAddress on
    std::size_t silentEvery = 0;         // zolsim's --silent-every (0: none)
    std::vector<std::size_t> poweredOff; // indexes of displays turned off before zold starts
    std::string listen;                  // zold's ADDRESS:PORT
    std::filesystem::path workDir;
};

class WallRig {
public:
    explicit WallRig(WallSetup setup);
    ~WallRig();
    WallRig(const WallRig&) = delete;
    WallRig& operator=(const WallRig&) = delete;

    bool Ready() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }

    std::string Url() const { return "http://" + m_setup.listen + "/"; }
    std::string Token() const { return m_token; }
    static std::string NameAt(std::size_t index); // "wall-0001"
    std::string AddressAt(std::size_t index) const;
    std::filesystem::path RequestLogPath() const { return m_setup.workDir / "requests.log"; }

    // The request log's lines from line `from` on.
    std::vector<std::string> RequestLines(std::size_t from = 0) const;
    // The addresses those lines name.
    std::set<std::string> AddressesIn(const std::vector<std::string>& lines) const;
    // GET of a path of zold's API, parsed; null when there was no good answer within `wait`.
    nlohmann::json Get(const std::string& path, std::chrono::milliseconds wait) const;

private:
    bool WriteFiles();
    bool StartDisplays();
    bool TurnOff(std::size_t index);
    bool StartZold();

    WallSetup m_setup;
    std::string m_token;
    std::unique_ptr<ChildProcess> m_zolsim;
    std::unique_ptr<ChildProcess> m_zold;
    std::string m_error;
};

} // namespace browsertest
