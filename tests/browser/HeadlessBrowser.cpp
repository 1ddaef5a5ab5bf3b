#include "HeadlessBrowser.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace browsertest {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The standard base64 alphabet, as the protocol sends screenshots.
std::string DecodeBase64(const std::string& text) {
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= 'A' && c <= 'Z') {
            digit = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            digit = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            digit = c - '0' + 52;
        } else if (c == '+') {
            digit = 62;
        } else if (c == '/') {
            digit = 63;
        }
        if (digit < 0) {
            continue; // padding
        }
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return out;
}

} // namespace

HeadlessBrowser::HeadlessBrowser(const std::string& executable, const std::filesystem::path& workDir,
                                 int width, int height)
    : m_profile(workDir / "chromium-profile") {
    // A write to a browser that died must fail with EPIPE, not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    std::error_code ignored;
    std::filesystem::remove_all(m_profile, ignored);
    std::filesystem::create_directories(m_profile, ignored);
    int commands[2] = {-1, -1};
    int replies[2] = {-1, -1};
    if (::pipe2(commands, O_CLOEXEC) != 0 || ::pipe2(replies, O_CLOEXEC) != 0) {
        m_error = std::string("no pipe: ") + std::strerror(errno);
        for (int fd : {commands[0], commands[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        return;
    }
    ChildSetup setup;
    setup.argv = {executable,
                  "--headless=new",
                  "--no-sandbox",
                  "--disable-gpu",
                  "--no-first-run",
                  "--no-default-browser-check",
                  "--disable-extensions",
                  "--disable-background-networking",
                  "--disable-component-update",
                  "--disable-sync",
                  "--user-data-dir=" + m_profile.string(),
                  "--remote-debugging-pipe",
                  "about:blank"};
    setup.fds = {{commands[0], 3}, {replies[1], 4}};
    setup.outputFile = (workDir / "chromium.log").string();
    m_process = std::make_unique<ChildProcess>(setup);
    ::close(commands[0]);
    ::close(replies[1]);
    m_toBrowser = commands[1];
    m_fromBrowser = replies[0];
    if (!m_process->Started()) {
        m_error = "cannot start " + executable + ": " + m_process->Error();
        return;
    }
    m_ready = OpenPage(width, height);
}

HeadlessBrowser::~HeadlessBrowser() {
    try {
        if (m_process && m_process->Running() && m_toBrowser >= 0) {
            // Asked first, so that it takes its renderers down itself; Stop then makes sure.
            Call("Browser.close", Json::object(), milliseconds(2000), true);
        }
    } catch (...) {
        // Out of memory while asking: Stop below ends it all the same.
    }
    if (m_toBrowser >= 0) {
        ::close(m_toBrowser);
    }
    if (m_process) {
        m_process->Stop();
    }
    if (m_fromBrowser >= 0) {
        ::close(m_fromBrowser);
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_profile, ignored); // noexcept with an error code
}

bool HeadlessBrowser::OpenPage(int width, int height) {
    const milliseconds wait(20000); // the first start of a fresh profile is the slow one
    const Reply target = Call("Target.createTarget", {{"url", "about:blank"}}, wait, true);
    if (!target.ok) {
        m_error = "no page: " + target.error;
        return false;
    }
    const Reply attached =
        Call("Target.attachToTarget", {{"targetId", target.result.value("targetId", "")}, {"flatten", true}},
             wait, true);
    if (!attached.ok) {
        m_error = "cannot attach to the page: " + attached.error;
        return false;
    }
    m_sessionId = attached.result.value("sessionId", "");
    for (const auto& [method, params] :
         {std::pair<std::string, Json>{"Page.enable", Json::object()},
          {"Runtime.enable", Json::object()},
          {"Emulation.setDeviceMetricsOverride",
           {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}}}}) {
        const Reply reply = Call(method, params, wait);
        if (!reply.ok) {
            m_error = method + ": " + reply.error;
            return false;
        }
    }
    return true;
}

bool HeadlessBrowser::Send(const Json& message, Clock::time_point deadline) {
    const std::string text = message.dump() + '\0';
    std::size_t sent = 0;
    for (int pass = 0; pass < 10000 && sent < text.size(); ++pass) {
        pollfd waiting{m_toBrowser, POLLOUT, 0};
        if (::poll(&waiting, 1, MsLeft(deadline)) <= 0) {
            return false;
        }
        const ssize_t n = ::write(m_toBrowser, text.data() + sent, text.size() - sent);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return sent == text.size();
}

Json HeadlessBrowser::Receive(Clock::time_point deadline) {
    char chunk[65536];
    // Every pass reads something or ends the wait.
    for (int pass = 0; pass < 100000; ++pass) {
        if (const auto end = m_buffer.find('\0'); end != std::string::npos) {
            Json message = Json::parse(m_buffer.substr(0, end), nullptr, false);
            m_buffer.erase(0, end + 1);
            return message.is_discarded() ? Json::object() : message;
        }
        pollfd waiting{m_fromBrowser, POLLIN, 0};
        if (::poll(&waiting, 1, MsLeft(deadline)) <= 0) {
            return nullptr;
        }
        const ssize_t n = ::read(m_fromBrowser, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return nullptr;
        }
        m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
    return nullptr;
}

Reply HeadlessBrowser::Await(int id, Clock::time_point deadline, const std::string& method) {
    for (int pass = 0; pass < 100000; ++pass) {
        const Json message = Receive(deadline);
        if (message.is_null()) {
            break;
        }
        if (message.value("method", "") == "Page.loadEventFired" &&
            message.value("sessionId", "") == m_sessionId) {
            m_loaded = true;
        }
        if (!message.contains("id") || message["id"] != id) {
            continue; // an event, or the answer to a command given up on earlier
        }
        if (message.contains("error")) {
            return {false, nullptr,
                    method + ": " + message["error"].value("message", message["error"].dump())};
        }
        return {true, message.value("result", Json::object()), ""};
    }
    return {false, nullptr, method + ": no answer from the browser in time"};
}

Reply HeadlessBrowser::Call(const std::string& method, const Json& params, milliseconds wait,
                            bool toBrowser) {
    const auto deadline = Clock::now() + wait;
    const int id = ++m_nextId;
    Json message = {{"id", id}, {"method", method}, {"params", params}};
    if (!toBrowser) {
        message["sessionId"] = m_sessionId;
    }
    if (!Send(message, deadline)) {
        return {false, nullptr, method + ": cannot write to the browser"};
    }
    return Await(id, deadline, method);
}

Reply HeadlessBrowser::Navigate(const std::string& url, milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    m_loaded = false;
    Reply reply = Call("Page.navigate", {{"url", url}}, wait);
    if (!reply.ok) {
        return reply;
    }
    if (reply.result.contains("errorText")) {
        return {false, reply.result,
                "cannot load " + url + ": " + reply.result["errorText"].get<std::string>()};
    }
    // Events only from here on: wait for the page's load event.
    for (int pass = 0; pass < 100000 && !m_loaded; ++pass) {
        const Json message = Receive(deadline);
        if (message.is_null()) {
            return {false, nullptr, url + " did not finish loading in time"};
        }
        m_loaded = message.value("method", "") == "Page.loadEventFired" &&
                   message.value("sessionId", "") == m_sessionId;
    }
    if (!m_loaded) {
        return {false, nullptr, url + " did not finish loading"};
    }
    return reply;
}

Reply HeadlessBrowser::Evaluate(const std::string& expression, milliseconds wait) {
    Reply reply = Call("Runtime.evaluate",
                       {{"expression", expression}, {"awaitPromise", true}, {"returnByValue", true}}, wait);
    if (!reply.ok) {
        return reply;
    }
    if (reply.result.contains("exceptionDetails")) {
        const Json& details = reply.result["exceptionDetails"];
        const std::string text = details.contains("exception") ? details["exception"].value("description", "")
                                                               : details.value("text", "");
        return {false, nullptr, "the page threw: " + text};
    }
    return {true, reply.result["result"].value("value", Json()), ""};
}

Reply HeadlessBrowser::WaitUntil(const std::string& expression, milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    Reply last;
    for (int pass = 0; pass < 100000; ++pass) {
        last = Evaluate(expression, milliseconds(std::max(MsLeft(deadline), 1000)));
        if (last.ok && last.result == true) {
            return last;
        }
        if (Clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(milliseconds(100));
    }
    if (last.ok) {
        last.ok = false;
        last.error = "still not true after " + std::to_string(wait.count()) + " ms: " + expression;
    }
    return last;
}

Reply HeadlessBrowser::Screenshot(const std::filesystem::path& file, milliseconds wait) {
    // The whole page, not only the window: a clip of the content's size.
    Reply metrics = Call("Page.getLayoutMetrics", Json::object(), wait);
    if (!metrics.ok) {
        return metrics;
    }
    const Json size = metrics.result.value("cssContentSize", Json::object());
    const Json clip = {{"x", 0},
                       {"y", 0},
                       {"width", size.value("width", 1280.0)},
                       {"height", size.value("height", 800.0)},
                       {"scale", 1}};
    Reply reply = Call("Page.captureScreenshot",
                       {{"format", "png"}, {"captureBeyondViewport", true}, {"clip", clip}}, wait);
    if (!reply.ok) {
        return reply;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << DecodeBase64(reply.result.value("data", ""));
    if (!out) {
        return {false, nullptr, "cannot write " + file.string()};
    }
    return reply;
}

} // namespace browsertest
