#include "WallRig.h"

#include "zolsim/RawClient.h"
#include "zolsim/Wire.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <random>
#include <thread>
#include <unistd.h>

namespace browsertest {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint16_t kDisplayPort = 1515;
// Polls are left to the page's refresh: one sweep at the start, the next long after the test ended.
constexpr const char* kSweepIntervalSeconds = "600";

std::string Dotted(std::uint32_t address) {
    in_addr raw{htonl(address)};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &raw, text, sizeof text);
    return text;
}

} // namespace

WallRig::WallRig(WallSetup setup) : m_setup(std::move(setup)) {
    std::error_code ignored;
    std::filesystem::create_directories(m_setup.workDir, ignored);
    std::filesystem::remove(RequestLogPath(), ignored);
    if (!WriteFiles() || !StartDisplays()) {
        return;
    }
    for (std::size_t index : m_setup.poweredOff) {
        if (!TurnOff(index)) {
            m_error = "cannot turn " + NameAt(index) + " off at " + AddressAt(index);
            return;
        }
    }
    StartZold();
}

WallRig::~WallRig() {
    m_zold.reset();
    m_zolsim.reset();
}

std::string WallRig::NameAt(std::size_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "wall-%04zu", index + 1);
    return name;
}

std::string WallRig::AddressAt(std::size_t index) const {
    in_addr first{};
    ::inet_pton(AF_INET, m_setup.firstAddress.c_str(), &first);
    return Dotted(ntohl(first.s_addr) + static_cast<std::uint32_t>(index));
}

bool WallRig::WriteFiles() {
    std::random_device random;
    m_token = "wall-" + std::to_string(random()) + std::to_string(random());
    std::ofstream(m_setup.workDir / "token") << m_token << '\n';
    std::ofstream inventory(m_setup.workDir / "inventory.toml", std::ios::trunc);
    for (std::size_t i = 0; i < m_setup.displays; ++i) {
        inventory << "[[display]]\nname = \"" << NameAt(i) << "\"\nhost = \"" << AddressAt(i) << ':'
                  << kDisplayPort << "\"\nid = 1\ngroups = [\"wall\", \"row-" << i / 10 + 1 << "\"]\n\n";
    }
    if (!inventory) {
        m_error = "cannot write the inventory in " + m_setup.workDir.string();
        return false;
    }
    return true;
}

bool WallRig::StartDisplays() {
    ChildSetup setup;
    setup.argv = {ZOLSIM_EXECUTABLE, "--tcp",
                  AddressAt(0) + "-" + AddressAt(m_setup.displays - 1) + ":" + std::to_string(kDisplayPort),
                  "--request-log", RequestLogPath().string()};
    if (m_setup.silentEvery > 0) {
        setup.argv.insert(setup.argv.end(), {"--silent-every", std::to_string(m_setup.silentEvery)});
    }
    m_zolsim = std::make_unique<ChildProcess>(setup);
    // zolsim prints one line once every address listens.
    for (int line = 0; line < 5 && m_zolsim->Started(); ++line) {
        const auto text = m_zolsim->ReadLine(milliseconds(10000));
        if (!text) {
            break;
        }
        if (text->find("listening on") != std::string::npos) {
            return true;
        }
    }
    m_error = "zolsim did not listen on " + setup.argv[2] + " (" + m_zolsim->Error() + ")";
    return false;
}

bool WallRig::TurnOff(std::size_t index) {
    zolsim::RawClient client;
    if (!client.Connect(AddressAt(index), kDisplayPort)) {
        return false;
    }
    const zolsim::Bytes request = zolsim::StandardRequest(0x11, 1, {0x00});
    // The acknowledgement echoes the code and the value set: AA FF id 03 'A' 11 00 checksum.
    return client.Send(request) && client.ReadExact(8).size() == 8;
}

bool WallRig::StartZold() {
    ChildSetup setup;
    setup.argv = {
        ZOLD_EXECUTABLE,      "--inventory",  (m_setup.workDir / "inventory.toml").string(), "--listen",
        m_setup.listen,       "--token-file", (m_setup.workDir / "token").string(),          "--interval",
        kSweepIntervalSeconds};
    setup.outputFile = (m_setup.workDir / "zold.log").string();
    m_zold = std::make_unique<ChildProcess>(setup);
    if (!m_zold->Started()) {
        m_error = "cannot start zold: " + m_zold->Error();
        return false;
    }
    if (Get("/api/v1/displays", milliseconds(10000)).is_null()) {
        m_error = "zold does not answer on " + m_setup.listen + "; see " + setup.outputFile;
        return false;
    }
    return true;
}

std::vector<std::string> WallRig::RequestLines(std::size_t from) const {
    std::ifstream in(RequestLogPath());
    std::vector<std::string> lines;
    std::size_t index = 0;
    for (std::string line; std::getline(in, line); ++index) {
        if (index >= from) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::set<std::string> WallRig::AddressesIn(const std::vector<std::string>& lines) const {
    std::set<std::string> addresses;
    for (const std::string& line : lines) {
        addresses.insert(line.substr(0, line.find(' ')));
    }
    return addresses;
}

nlohmann::json WallRig::Get(const std::string& path, milliseconds wait) const {
    const auto colon = m_setup.listen.rfind(':');
    httplib::Client client(m_setup.listen.substr(0, colon), std::stoi(m_setup.listen.substr(colon + 1)));
    client.set_connection_timeout(1, 0);
    client.set_read_timeout(5, 0);
    const auto deadline = Clock::now() + wait;
    for (int attempt = 0; attempt < 1000 && Clock::now() < deadline; ++attempt) {
        if (m_zold && !m_zold->Running()) {
            break; // zold ended: its log says why
        }
        if (const auto response = client.Get(path); response && response->status == 200) {
            auto body = nlohmann::json::parse(response->body, nullptr, false);
            return body.is_discarded() ? nullptr : body;
        }
        std::this_thread::sleep_for(milliseconds(100));
    }
    return nullptr;
}

} // namespace browsertest
