#pragma once

// How a run over many displays is reported: a table (one row per display, in inventory order), one JSON
// document with every display (--json), or one JSON line per display as it finishes (--jsonl); and a
// summary line on stderr.
//
// A row is a JSON object: "name", "address", "result", "connectStatus", "error" (the fleet engine's kind
// name, "ok" when the display gave the answer asked for), "message" for a failure, "values", "elapsedMs",
// and what the command adds ("outs" for op, "reply" for raw).

#include "RecordJson.h"

#include <chrono>
#include <cstddef>
#include <ostream>
#include <vector>

namespace zolctl {

enum class ReportForm { Table, Json, JsonLines };

class FleetReport {
public:
    FleetReport(ReportForm form, std::size_t displays, std::ostream& out, std::ostream& err);

    // The row of the display at `position` of the selection; a --jsonl line is printed at once.
    void Add(std::size_t position, Json row);
    // Prints the table or the document and the summary. The exit status: 0 when every display succeeded,
    // else 1.
    int Finish(std::chrono::milliseconds elapsed);

private:
    ReportForm m_form;
    std::vector<Json> m_rows;
    std::ostream& m_out;
    std::ostream& m_err;
};

// The table's text for the rows given (null rows are skipped).
std::string FleetTable(const std::vector<Json>& rows);

} // namespace zolctl
