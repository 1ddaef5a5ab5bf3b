#include "FleetReport.h"

#include "Outcome.h"

#include <algorithm>
#include <array>
#include <map>

namespace zolctl {

namespace {

constexpr std::size_t kValuesWidth = 48;

bool Succeeded(const Json& row) {
    return row.value("error", "") == "ok";
}

std::string ValueText(const Json& value) {
    if (value.is_null()) {
        return "?";
    }
    if (value.is_string()) {
        return value.get<std::string>();
    }
    return value.dump();
}

// "Power=true Value12=10"; cut short with "..." when it is wider than the column.
std::string ValuesCell(const Json& row) {
    std::string text;
    if (const auto values = row.find("values"); values != row.end() && values->is_object()) {
        for (const auto& [name, value] : values->items()) {
            text += (text.empty() ? "" : " ") + name + "=" + ValueText(value);
        }
    }
    if (const auto outs = row.find("outs"); outs != row.end() && outs->is_array() && !outs->empty()) {
        text += (text.empty() ? "outs=" : " outs=") + outs->dump();
    }
    if (const auto reply = row.find("reply"); reply != row.end() && reply->is_string()) {
        text += (text.empty() ? "reply=" : " reply=") + reply->get<std::string>();
    }
    if (text.size() > kValuesWidth) {
        text = text.substr(0, kValuesWidth - 3) + "...";
    }
    return text.empty() ? "-" : text;
}

std::string Cell(const Json& row, const char* key) {
    const auto found = row.find(key);
    return found == row.end() ? "-" : ValueText(*found);
}

} // namespace

std::string FleetTable(const std::vector<Json>& rows) {
    constexpr std::size_t kColumns = 6;
    using Line = std::array<std::string, kColumns>;
    std::vector<Line> lines = {{"NAME", "ADDRESS", "RESULT", "VALUES", "ERROR", "TIME"}};
    for (const Json& row : rows) {
        if (row.is_null()) {
            continue;
        }
        lines.push_back({Cell(row, "name"), Cell(row, "address"), Cell(row, "result"), ValuesCell(row),
                         Cell(row, "error"), std::to_string(row.value("elapsedMs", 0LL)) + " ms"});
    }
    std::array<std::size_t, kColumns> widths{};
    for (const Line& line : lines) {
        for (std::size_t i = 0; i < kColumns; ++i) {
            widths[i] = std::max(widths[i], line[i].size());
        }
    }
    std::string text;
    for (const Line& line : lines) {
        std::string printed;
        for (std::size_t i = 0; i < kColumns; ++i) {
            printed += line[i];
            if (i + 1 < kColumns) {
                printed += std::string(widths[i] - line[i].size() + 2, ' ');
            }
        }
        text += printed + "\n";
    }
    return text;
}

FleetReport::FleetReport(ReportForm form, std::size_t displays, std::ostream& out, std::ostream& err)
    : m_form(form), m_rows(displays), m_out(out), m_err(err) {}

void FleetReport::Add(std::size_t position, Json row) {
    if (m_form == ReportForm::JsonLines) {
        m_out << JsonText(row) << '\n';
        m_out.flush();
    }
    if (position < m_rows.size()) {
        m_rows[position] = std::move(row);
    }
}

int FleetReport::Finish(std::chrono::milliseconds elapsed) {
    std::size_t ok = 0;
    std::map<std::string, std::size_t> failures;
    for (const Json& row : m_rows) {
        if (row.is_null()) {
            continue;
        }
        if (Succeeded(row)) {
            ++ok;
        } else {
            ++failures[row.value("error", "unknown")];
        }
    }
    const std::size_t failed = m_rows.size() - ok;
    if (m_form == ReportForm::Table) {
        m_out << FleetTable(m_rows);
        // The table has no room for why; each display that failed says it on stderr.
        for (const Json& row : m_rows) {
            if (!row.is_null() && !Succeeded(row)) {
                m_err << "zolctl: " << row.value("name", "") << ": " << row.value("message", "") << '\n';
            }
        }
    } else if (m_form == ReportForm::Json) {
        Json document = Json::object();
        document["result"] = failed == 0;
        document["displays"] = m_rows;
        document["summary"] = {
            {"total", m_rows.size()}, {"ok", ok}, {"failed", failed}, {"elapsedMs", elapsed.count()}};
        m_out << JsonText(document) << '\n';
    }
    m_out.flush();

    std::string kinds;
    for (const auto& [kind, count] : failures) {
        kinds += (kinds.empty() ? " (" : ", ") + kind + " " + std::to_string(count);
    }
    if (!kinds.empty()) {
        kinds += ")";
    }
    const long long tenths = (elapsed.count() + 50) / 100;
    m_err << "zolctl: " << m_rows.size() << (m_rows.size() == 1 ? " display: " : " displays: ") << ok
          << " ok, " << failed << " failed" << kinds << " in " << tenths / 10 << "." << tenths % 10 << " s\n";
    return failed == 0 ? 0 : 1;
}

} // namespace zolctl
