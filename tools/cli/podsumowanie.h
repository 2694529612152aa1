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
// the log files. `frm` may be none when start-up failed; `wynik` is the run's result (tables and log
// files).
std::string podsumowanieJson(const TfrmConvert* frm, const WynikKonwersji& wynik, const ScriptedOperator& ui,
                             int kod);

// The summary of a run a second signal ends at once: the tables so far, verdict broken by the operator,
// "ended_by_signal" true.
std::string podsumowaniePoSygnale(const TfrmConvert* frm, const ScriptedOperator& ui);

// The file zapiszPlik fills before it renames it over `file`.
std::string plikCzesciowy(const std::string& file);

// Writes `text` to `file` whole: into plikCzesciowy(file) first, then renamed over it, so that the file
// is never left half written. False (with a line on standard error) when it cannot.
bool zapiszPlik(const std::string& file, const std::string& text);

}  // namespace konw::cli
