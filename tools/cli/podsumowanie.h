// The machine-readable summary of a headless run (--json FILE).
#pragma once

#include <string>
#include <vector>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"

namespace konw::cli {

// The verdict's name in the summary.
const char* nazwaWerdyktu(Werdykt werdykt);

// The summary as JSON text: verdict and exit code, locations, data version, unit, every table the run
// took up (outcome, rows read and written, seconds, the structure differences), the boxes shown and
// the log files. `frm` may be none when start-up failed.
std::string podsumowanieJson(const TfrmConvert* frm, const ScriptedOperator& ui, Werdykt werdykt, int kod);

// Writes `text` to `file`; false (with a line on standard error) when it cannot.
bool zapiszPlik(const std::string& file, const std::string& text);

}  // namespace konw::cli
