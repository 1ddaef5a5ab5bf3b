// Headless Chromium driven over the DevTools protocol on a pipe (--remote-debugging-pipe): commands go
// to its descriptor 3 and replies and events come from its descriptor 4, each message one JSON text
// ended by a NUL byte. One page, attached in flat mode, so that page commands carry its session id.
#pragma once

#include "ChildProcess.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

namespace browsertest {

using Json = nlohmann::json;
using std::chrono::milliseconds;

// What a command returned: its result, or why there is none.
struct Reply {
    bool ok = false;
    Json result;
    std::string error;
};

class HeadlessBrowser {
public:
    // Starts Chromium with a fresh profile under workDir (removed again when the browser is destroyed)
    // and its output in workDir/chromium.log, and opens one page of this size. Ready() tells whether
    // that worked, Error() why not.
    HeadlessBrowser(const std::string& executable, const std::filesystem::path& workDir, int width,
                    int height);
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    bool Ready() const { return m_ready; }
    const std::string& Error() const { return m_error; }

    // A command to the page (or, with toBrowser, to the browser itself), waiting at most `wait`.
    Reply Call(const std::string& method, const Json& params, milliseconds wait, bool toBrowser = false);
    // Loads the URL and waits for its load event.
    Reply Navigate(const std::string& url, milliseconds wait);
    // The value of a JavaScript expression in the page (a promise is awaited); an exception is an error.
    Reply Evaluate(const std::string& expression, milliseconds wait = milliseconds(5000));
    // Evaluates the expression every 100 ms until it is true or `wait` has passed; the last value or error
    // is in the reply either way.
    Reply WaitUntil(const std::string& expression, milliseconds wait);
    // The page as a PNG file.
    Reply Screenshot(const std::filesystem::path& file, milliseconds wait = milliseconds(10000));

private:
    bool Send(const Json& message, std::chrono::steady_clock::time_point deadline);
    // The next whole message from the browser, or null at the deadline or when the pipe ended.
    Json Receive(std::chrono::steady_clock::time_point deadline);
    Reply Await(int id, std::chrono::steady_clock::time_point deadline, const std::string& method);
    bool OpenPage(int width, int height);

    std::filesystem::path m_profile;
    int m_toBrowser = -1;
    int m_fromBrowser = -1;
    std::unique_ptr<ChildProcess> m_process;
    std::string m_buffer;    // bytes received, not yet a whole message
    std::string m_sessionId; // the page's
    bool m_loaded = false;   // a Page.loadEventFired of the page arrived since the last Navigate
    int m_nextId = 0;
    bool m_ready = false;
    std::string m_error;
};

} // namespace browsertest
