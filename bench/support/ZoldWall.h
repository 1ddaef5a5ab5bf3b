// A wall of simulated displays in a zolsim process of its own and zold's service in this one, for the
// wall service's benchmarks: the inventory written to a scratch folder, the service started on it.
#pragma once

#include "DisplayProcess.h"

#include "Service.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

namespace bench {

// `count` displays from 127.0.114.0 upwards (1,000 reach 127.0.117.231).
inline std::string WallAddress(std::size_t index) {
    constexpr std::size_t kFirst = (114U << 8U);
    const std::size_t at = kFirst + index;
    return "127.0." + std::to_string(at >> 8U) + "." + std::to_string(at & 0xFFU);
}

class ZoldWall {
public:
    ZoldWall(std::size_t count, std::size_t silentEvery, std::chrono::milliseconds interval)
        : m_folder(std::filesystem::temp_directory_path() / ("zold-bench-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(m_folder);
        std::vector<std::string> arguments{"--tcp", WallAddress(0) + "-" + WallAddress(count - 1)};
        if (silentEvery > 0) {
            arguments.insert(arguments.end(), {"--silent-every", std::to_string(silentEvery)});
        }
        m_displays = std::make_unique<DisplayProcess>(arguments, 1, std::chrono::seconds(20));
        std::ofstream inventory(m_folder / "wall.toml");
        for (std::size_t i = 0; i < count; ++i) {
            inventory << "[[display]]\nname = \"d" << i << "\"\nhost = \"" << WallAddress(i) << "\"\n";
        }
        inventory.close();
        zold::ServiceConfig config;
        config.inventory = (m_folder / "wall.toml").string();
        config.listenHost = "127.0.118.1";
        config.listenPort = 0;
        config.interval = interval;
        m_service = std::make_unique<zold::Service>(config);
    }
    ~ZoldWall() {
        m_service.reset();
        m_displays.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    ZoldWall(const ZoldWall&) = delete;
    ZoldWall& operator=(const ZoldWall&) = delete;

    // Nothing when the displays and the service run; else why not.
    std::string Start() {
        if (!m_displays->Ready()) {
            return m_displays->Error();
        }
        std::string error;
        return m_service->Start(&error) ? std::string() : error;
    }
    zold::Service& Service() { return *m_service; }

private:
    std::filesystem::path m_folder;
    std::unique_ptr<DisplayProcess> m_displays;
    std::unique_ptr<zold::Service> m_service;
};

} // namespace bench
