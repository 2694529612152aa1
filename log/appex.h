// TAppException: appends diagnostic blocks to the error log and shows the error to the operator.
#pragma once

#include <ctime>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/sysfacts.h"

namespace konw {

class Operator;

// What the window tells the exception logger about itself.
struct StanOkien {
  std::vector<std::string> forms;    // "Created forms:"
  std::vector<std::string> modules;  // "Created modules:"
  std::string activeControlLine;     // "Active control: ..." / "Active form: ..." / ""
};

// How the system's locale writes a date, a time and a fraction (strftime formats, the decimal separator).
// The neutral locale's two-digit-year date is written in full as year-month-day.
struct FormatyLokalu {
  std::string data = "%Y-%m-%d";
  std::string czas = "%H:%M:%S";
  std::string przecinek = ".";
  // The formats of the locale the environment names (LC_ALL, LC_TIME, LC_NUMERIC, LANG).
  static FormatyLokalu systemu();
};

// "date time" in the formats given.
std::string ZapiszDate(const std::tm& when, const FormatyLokalu& formaty);
// `value` with `miejsc` decimals and the decimal separator given, whatever the process's C locale.
std::string ZapiszLiczbe(double value, int miejsc, const FormatyLokalu& formaty);

class TAppException {
 public:
  TAppException();

  std::string ErrorLog = "except.log";
  std::string UserName;
  std::string Comment;
  bool Active = true;

  // Where to show errors; who to ask for the window's state. Set by the window at start-up.
  Operator* ui = nullptr;
  std::function<StanOkien()> stanOkien;
  std::string programPath;
  // The system facts of a block; readSystemFacts when empty (tests pass fixed ones).
  std::function<SystemFacts()> faktySystemu;
  // The date and the numbers of a block are written so (the system's locale; tests pass fixed ones).
  FormatyLokalu formaty = FormatyLokalu::systemu();

  // An exception nothing caught. `senderIsDataControl` is true for grids and data-aware edits.
  void HandleException(const std::exception_ptr& error, bool senderIsDataControl = false);
  // Called from inside error handlers: the exception being handled, if any, is part of the report.
  void ReportError(const std::string& comment, const std::string& message, const std::string& procedure);
  // Writes one block; throws on an input/output failure.
  void WriteErrorLog(const std::string& body);

 private:
  // "Created forms:", "Created modules:" and the active-control line, each ended by a line break.
  std::string naglowekCiala() const;
};

}  // namespace konw
