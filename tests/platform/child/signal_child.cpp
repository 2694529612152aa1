// A process that holds an embedded Firebird attachment while the test sends it signals.
//
//   signal_child start|break DIR
//
// Creates DIR/sygnal.fdb, attaches through the program's own database layer and prints "gotowy". In
// "start" mode it then waits for the signal that ends it. In "break" mode it waits for the break
// request, gives the client's shutdown thread time to act on the signal, queries the attachment, prints
// "przerwanie sygnal=N zapytanie=ok" (or the error) and waits for the signal that ends it. Exit 3: no
// break request came, 4: no signal ended the process.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>

#include "db/drivers.h"
#include "db/engine.h"
#include "db/firebird/driver.h"
#include "platform/signals.h"

namespace {

using namespace std::chrono_literals;

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::string query(db::Database& database) {
  try {
    db::Query q;
    q.setDatabase(&database);
    q.addSql("select count(*) from rdb$relations");
    q.open();
    return q.eof() ? "brak wiersza" : "ok";
  } catch (const std::exception& e) {
    return std::string("blad: ") + e.what();
  }
}

void waitToBeEnded() {
  for (int i = 0; i < 2000; ++i) std::this_thread::sleep_for(10ms);
  say("nie zakonczono");
  std::_Exit(4);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string mode = argv[1];
  namespace sygnaly = konw::sygnaly;
  sygnaly::install(mode == "start" ? sygnaly::Mode::Immediate : sygnaly::Mode::Break);
  sygnaly::setBreakMessage("Przerwanie konwersji zgłoszone; ponowne Ctrl+C kończy program natychmiast.");
  db::registerBuiltinDrivers();

  const std::string file = std::string(argv[2]) + "/sygnal.fdb";
  db::Session session;
  db::Database database("DBi", session);
  database.setDriverName("INTRBASE");
  for (const char* line : {"USER NAME=SYSDBA", "PASSWORD=palisandr", "SQLDIALECT=3"}) database.addParam(line);
  database.addParam("SERVER NAME=" + file);
  try {
    db::firebird::ConnectOptions options;
    options.location = file;
    db::firebird::createDatabase(options);
  } catch (const std::exception& e) {
    say(std::string("blad tworzenia bazy: ") + e.what());
    return 1;
  }
  database.connect();
  const std::string before = query(database);
  if (before != "ok") {
    say("zapytanie przed sygnalem: " + before);
    return 1;
  }
  say("gotowy");

  if (mode == "break") {
    for (int i = 0; i < 2000 && !sygnaly::breakRequested(); ++i) std::this_thread::sleep_for(10ms);
    if (!sygnaly::breakRequested()) {
      say("brak przerwania");
      return 3;
    }
    // The client's own handler ran too and woke its shutdown thread; let it finish whatever it does.
    std::this_thread::sleep_for(500ms);
    say("przerwanie sygnal=" + std::to_string(sygnaly::breakSignal()) + " zapytanie=" + query(database));
  }
  waitToBeEnded();
}
