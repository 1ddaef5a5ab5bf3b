#pragma once

// What the tests of the wall service share: a folder of its own for the inventory and the token, an
// in-process service on a loopback address, and plain HTTP requests to it answered as JSON.

#include "Service.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include <unistd.h>

namespace zoldtest {

inline constexpr char kToken[] = "wall-token-0123456789";

// A folder removed with everything in it when the test ends.
class Folder {
public:
    explicit Folder(const std::string& stem)
        : m_path(std::filesystem::temp_directory_path() / (stem + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    std::string Write(const std::string& name, const std::string& text) const {
        const std::string path = (m_path / name).string();
        std::ofstream(path) << text;
        return path;
    }
    std::string Path(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// One [[display]] of an inventory.
inline std::string DisplayEntry(const std::string& name, const std::string& host,
                                const std::string& groups = "[]") {
    return "[[display]]\nname = \"" + name + "\"\nhost = \"" + host + "\"\ngroups = " + groups + "\n";
}

struct Reply {
    int status = 0; // 0: no answer at all
    nlohmann::json json;
    std::string body;
    std::string contentType;
};

inline Reply ToReply(const httplib::Result& result) {
    Reply reply;
    if (!result) {
        return reply;
    }
    reply.status = result->status;
    reply.body = result->body;
    reply.contentType = result->get_header_value("Content-Type");
    reply.json = nlohmann::json::parse(result->body, nullptr, false);
    return reply;
}

class Http {
public:
    Http(const std::string& host, std::uint16_t port) : m_client(host, port) {
        m_client.set_connection_timeout(std::chrono::seconds(5));
        m_client.set_read_timeout(std::chrono::seconds(20));
    }
    Reply Get(const std::string& path) { return ToReply(m_client.Get(path)); }
    // With `token` empty no Authorization header is sent.
    Reply Post(const std::string& path, const std::string& body = "", const std::string& token = kToken) {
        httplib::Headers headers;
        if (!token.empty()) {
            headers.emplace("Authorization", "Bearer " + token);
        }
        return ToReply(m_client.Post(path, headers, body, "application/json"));
    }
    httplib::Client& Client() { return m_client; }

private:
    httplib::Client m_client;
};

// Waits, 10 ms at a time and at most `limit`, until the condition holds.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

// True once every display named has a finished poll.
inline bool Polled(const zold::Service& service, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (!service.States().Find(name).polled) {
            return false;
        }
    }
    return true;
}

} // namespace zoldtest
