#include "Metrics.h"

#include <sstream>

namespace zold {

namespace {

// Label values are display names (letters, digits, '.', '_', '-') and kind names, but escape anyway: the
// format breaks on a stray quote or newline.
std::string Label(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void Header(std::ostringstream& out, const char* name, const char* type, const char* help) {
    out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << ' ' << type << '\n';
}

} // namespace

void Metrics::Observe(const WallResult& result) {
    const ZOLFleet::ErrorKind kind = result.result.error;
    const std::lock_guard lock(m_lock);
    if (kind == ZOLFleet::ErrorKind::Ok || kind == ZOLFleet::ErrorKind::Nak) {
        const double seconds = std::chrono::duration<double>(result.elapsed).count();
        for (std::size_t i = 0; i < kBuckets.size(); ++i) {
            if (seconds <= kBuckets.at(i)) {
                ++m_bucketCounts.at(i);
            }
        }
        ++m_rttCount;
        m_rttSum += seconds;
    }
    if (kind != ZOLFleet::ErrorKind::Ok) {
        ++m_errors[ZOLFleet::ErrorKindName(kind)];
    }
}

std::string Metrics::Render(const Wall& wall, const StateTable& states) const {
    const std::map<std::string, DisplayState> all = states.All();
    std::ostringstream out;
    out.imbue(std::locale::classic());
    auto perDisplay = [&](const char* name, const char* help, auto value) {
        Header(out, name, "gauge", help);
        for (const WallDisplay& display : wall.displays) {
            const auto found = all.find(display.name);
            const DisplayState state = found == all.end() ? DisplayState{} : found->second;
            out << name << "{display=\"" << Label(display.name) << "\"} " << value(state) << '\n';
        }
    };
    perDisplay("zold_display_up", "1 when the display's last poll gave the answer asked for",
               [](const DisplayState& s) { return s.polled && s.error == ZOLFleet::ErrorKind::Ok ? 1 : 0; });
    perDisplay("zold_display_responding", "1 when the display answered its last poll",
               [](const DisplayState& s) { return s.responding ? 1 : 0; });
    perDisplay("zold_display_power_on", "1 when the display answered that it is on",
               [](const DisplayState& s) { return s.power.value_or(false) ? 1 : 0; });

    const std::lock_guard lock(m_lock);
    Header(out, "zold_command_rtt_seconds", "histogram", "round trip of the commands displays answered");
    for (std::size_t i = 0; i < kBuckets.size(); ++i) {
        out << "zold_command_rtt_seconds_bucket{le=\"" << kBuckets.at(i) << "\"} " << m_bucketCounts.at(i)
            << '\n';
    }
    out << "zold_command_rtt_seconds_bucket{le=\"+Inf\"} " << m_rttCount << '\n';
    out << "zold_command_rtt_seconds_sum " << m_rttSum << '\n';
    out << "zold_command_rtt_seconds_count " << m_rttCount << '\n';

    Header(out, "zold_errors_total", "counter", "commands that did not give the answer asked for, by kind");
    for (const auto& [kind, count] : m_errors) {
        out << "zold_errors_total{kind=\"" << Label(kind) << "\"} " << count << '\n';
    }
    Header(out, "zold_sweep_duration_seconds", "gauge", "how long the most recent poll run took");
    out << "zold_sweep_duration_seconds " << std::chrono::duration<double>(states.Sweep().duration).count()
        << '\n';
    return out.str();
}

} // namespace zold
