#include "DisplayJson.h"

#include "ArgumentSyntax.h"

#include "helpers/OperationTable.h"

#include <cstdio>
#include <ctime>

namespace zold {

namespace {

Json PowerText(const DisplayState& state) {
    if (!state.power) {
        return "unknown";
    }
    return *state.power ? "on" : "off";
}

} // namespace

std::string IsoTime(SystemTime time) {
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch());
    const std::time_t seconds = static_cast<std::time_t>(sinceEpoch.count() / 1000);
    const int milliseconds = static_cast<int>(sinceEpoch.count() % 1000);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, milliseconds);
    return text;
}

Json DisplayJson(const WallDisplay& display, const DisplayState& state, SystemTime now) {
    Json json = Json::object();
    json["name"] = display.name;
    json["groups"] = display.groups;
    json["address"] = display.address;
    json["id"] = display.target.id;
    json["power"] = PowerText(state);
    json["responding"] = state.responding;
    json["error"] = state.polled ? Json(ZOLFleet::ErrorKindName(state.error)) : Json("never-polled");
    if (state.lastSeen) {
        json["lastSeen"] = IsoTime(*state.lastSeen);
        json["lastSeenAgoMs"] = std::max<long long>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(now - *state.lastSeen).count());
    } else {
        json["lastSeen"] = nullptr;
        json["lastSeenAgoMs"] = nullptr;
    }
    json["rttMs"] = state.rtt ? Json(Milliseconds(*state.rtt)) : Json();
    json["values"] = state.values;
    return json;
}

Json DisplaysJson(const Wall& wall, const StateTable::Snapshot& snapshot, SystemTime now) {
    const std::map<std::string, DisplayState>& all = snapshot.states;
    Json displays = Json::array();
    for (const WallDisplay& display : wall.displays) {
        const auto found = all.find(display.name);
        displays.push_back(DisplayJson(display, found == all.end() ? DisplayState{} : found->second, now));
    }
    const SweepState& sweep = snapshot.sweep;
    Json sweepJson = {{"durationMs", sweep.duration.count()},
                      {"completedAt", sweep.completedAt ? Json(IsoTime(*sweep.completedAt)) : Json()}};
    return {{"displays", std::move(displays)}, {"sweep", std::move(sweepJson)}};
}

std::shared_ptr<const std::string> DisplaysDocument::Body(const std::shared_ptr<const Wall>& wall,
                                                          const StateTable& states) {
    const auto asked = std::chrono::steady_clock::now();
    const std::lock_guard lock(m_lock);
    // A document whose state was copied after this request came in is as new as it needs; so requests
    // that waited for one rendering while polls went on do not each render again in turn.
    if (m_body && m_wall == wall && m_renderedAt >= asked) {
        return m_body;
    }
    const auto now = std::chrono::steady_clock::now();
    if (m_body && m_wall == wall && m_generation == states.Generation() &&
        now - m_renderedAt < kMostDocumentAge) {
        return m_body;
    }
    // The copy is taken under the state's lock; the rendering is done outside it, so polls that record
    // their results do not wait for it.
    const StateTable::Snapshot snapshot = states.Take();
    m_body = std::make_shared<const std::string>(
        DisplaysJson(*wall, snapshot, std::chrono::system_clock::now()).dump());
    m_wall = wall;
    m_generation = snapshot.generation;
    m_renderedAt = now;
    return m_body;
}

Json OperationsJson() {
    Json operations = Json::array();
    for (const zol::helpers::Operation& operation : zol::helpers::Operations()) {
        Json arguments = Json::array();
        for (const zolctl::InArgument& argument : zolctl::InArguments(operation)) {
            arguments.push_back(
                {{"name", argument.word},
                 {"syntax",
                  argument.detail.empty() ? argument.kind : argument.kind + ": " + argument.detail}});
        }
        operations.push_back({{"name", std::string(operation.name)}, {"arguments", std::move(arguments)}});
    }
    return {{"operations", std::move(operations)}};
}

} // namespace zold
