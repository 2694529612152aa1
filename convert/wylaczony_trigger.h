// The trigger a table copy keeps off while it copies, switched on again whatever way the copy ends.
#pragma once

#include <string>

#include "convert/triggery.h"

namespace db {
class Database;
class Query;
}  // namespace db

namespace konw {

class TPrzebieg;

// Keeps the Firebird auto-numbering out of a copy's way: the trigger is inactive from the guard's start
// and active again when it ends, whatever way the copy ends, since the product numbers its rows
// through it. The journal of the control directory records the trigger before it goes off and forgets it
// once it is on again, so that a process killed in between leaves the next start of the program what to
// switch back on.
class WylaczonyTrigger {
 public:
  WylaczonyTrigger(TPrzebieg& przebieg, db::Query& q);
  // Switches the trigger back on, on a new connection when the copy's fails; an error here is the copy's
  // and names the trigger.
  void Wlacz();
  // Switches the trigger on inside the copy's transaction: on with its commit, then said by Wlaczony();
  // still off after its rollback, when the guard switches it on as after any failure.
  void WlaczZTransakcja();
  void Wlaczony();
  ~WylaczonyTrigger();
  WylaczonyTrigger(const WylaczonyTrigger&) = delete;
  WylaczonyTrigger& operator=(const WylaczonyTrigger&) = delete;

 private:
  void odnotujWlaczenie();
  // Switches the trigger on through the copy's connection, else through a new one (the copy's may be
  // lost); empty when it is on, otherwise what stopped it.
  std::string wlacz();
  // As wlacz(); a trigger that stays off is an error of the run, named in the logs.
  void wlaczAlboZglos();
  // Whether the trigger is off, or cannot be found out (read on the copy's connection, else a new one).
  bool mozeBycWylaczony() noexcept;
  // Connects `baza` to the database the copy writes into, as the copy's connection is connected.
  void polaczJakKopia(db::Database& baza);
  // The statement that switches the trigger on.
  std::string wlaczenie() const { return "alter trigger " + wpis_.trigger + " active;"; }
  TPrzebieg& przebieg_;
  db::Query& q_;
  WpisTriggera wpis_;
  bool zapisany_ = false;
  bool aktywny_ = false;
};

}  // namespace konw
