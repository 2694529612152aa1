// A conversion through a Firebird server that stops answering in the middle of a copy (frozen with
// SIGSTOP; the test server of tools/fb-test-server, whose pid file names the process): the window goes on
// while the copy waits, its break button answered "Tak" ends the run as a break, well before the time-out,
// and the next run converts everything.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "control/konwersja_dm.h"
#include "db/drivers.h"
#include "support/env_guard.h"
#include "support/frozen_server.h"
#include "support/scratch_dir.h"
#include "tools/demo/demo.h"

namespace {

namespace fs = std::filesystem;

std::int64_t liczba(db::Database& baza, const std::string& sql) {
  db::Query q;
  q.setDatabase(&baza);
  q.addSql(sql);
  q.open();
  return q.field(0).asInteger();
}

TEST(PrzerwanieNaSerwerze, BreakWhileAFrozenServerKeepsTheCopyWaitingEndsTheRunAsABreak) {
  const char* serwer = std::getenv("KONWERSJA_TEST_FB_SERVER");
  if (!serwer || !*serwer) GTEST_SKIP() << "needs a Firebird server (KONWERSJA_TEST_FB_SERVER)";
  const pid_t pid = test::fbServerPid();
  if (!pid) GTEST_SKIP() << "the test server's pid file (tools/fb-test-server) names no running process";

  db::registerBuiltinDrivers();
  test::TempDir katalog;
  fs::permissions(katalog.path, fs::perms::all);  // the server writes the database as its own user
  konw::demo::Options opcje;
  opcje.dir = katalog.path / "demo";
  opcje.rows = 3000;
  opcje.server = serwer;
  konw::demo::createDemo(opcje);
  fs::create_directories(katalog.path / "bin");
  test::EnvGuard prefix("WINEPREFIX", (opcje.dir / "wine").c_str()), winini("KONWERSJA_WININI", nullptr),
      dysk("KONWERSJA_DRIVE_C", nullptr), czas("KONWERSJA_TIMEOUT", "60");

  konw::ScriptedOperator ui;
  konw::TfrmConvert frm(ui, {}, (katalog.path / "bin" / "konwersja").string());
  frm.identyfikatorStanowiska = [] { return std::string("020000000001"); };
  ASSERT_TRUE(frm.FormCreate());

  // The server stops 300 rows into a large table; the copy then waits for it at the next batch, and
  // the window's events go on meanwhile: three turns without a row copied in between are that wait,
  // in which the operator breaks.
  std::optional<test::Frozen> zamrozony;
  int ostatnia = -1, bezPostepu = 0;
  bool przerwal = false;
  ui.onProcessMessages = [&] {
    const int pozycja = ui.progressPosition("PasekCzastkowy");
    if (!zamrozony && pozycja >= 300) zamrozony.emplace(pid);
    if (zamrozony && !przerwal && pozycja == ostatnia && ++bezPostepu == 3) {
      przerwal = true;
      ui.answer(konw::kYes);
      frm.PotwierdzPrzerwanie();
    }
    if (pozycja != ostatnia) bezPostepu = 0;
    ostatnia = pozycja;
  };
  ui.answer(konw::kYes);
  const konw::Werdykt werdykt = frm.Konwertuj().werdykt;
  zamrozony.reset();
  ui.onProcessMessages = nullptr;

  EXPECT_TRUE(przerwal) << "the window was not served while the copy waited";
  EXPECT_EQ(werdykt, konw::Werdykt::Przerwany);
  for (const auto& box : ui.boxes()) EXPECT_NE(box.kind, konw::MsgKind::Error) << box.text;
  const auto& ogolny = ui.memo("mKomunikaty");
  const auto zawiera = [&](const std::string& tekst) {
    return std::ranges::count_if(ogolny, [&](const std::string& l) { return l.find(tekst) != l.npos; });
  };
  EXPECT_EQ(zawiera("przerwano na żądanie operatora w trakcie oczekiwania na odpowiedź serwera"), 1);
  EXPECT_EQ(zawiera("zmiany wycofane"), 1);
  EXPECT_EQ(zawiera("Błąd wystąpił w"), 0);

  // The next run converts every table in full.
  ui.clearBoxes();
  ui.answer(konw::kYes);
  EXPECT_NE(frm.Konwertuj().werdykt, konw::Werdykt::Przerwany);
  for (const auto& box : ui.boxes()) EXPECT_NE(box.kind, konw::MsgKind::Error) << box.text;
  konw::TdmKonw& dm = *frm.dm();
  dm.DBi.connect();
  int duze = 0;
  for (dm.tblLista.first(); !dm.tblLista.eof(); dm.tblLista.next()) {
    const std::string P = dm.tblLista.fieldByName("TABELA").asString();
    const std::string F = dm.tblLista.fieldByName("TABELA_IB").asString();
    if (!frm.przebieg.IstniejeTabelaParadoxa(P) || F == "BILTOBESTIAMAP") continue;
    SCOPED_TRACE(P + "/" + F);
    db::Table t;
    t.setDatabase(&dm.DBp);
    t.setTableName(P + ".DB");
    t.setReadOnly(true);
    t.open();
    EXPECT_EQ(liczba(dm.DBi, "select count(*) from " + F), t.recordCount());
    duze += t.recordCount() >= 300 ? 1 : 0;
  }
  EXPECT_GE(duze, 1);
}

}  // namespace
