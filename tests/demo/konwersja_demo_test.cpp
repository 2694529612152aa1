// A whole conversion of the demo installation, found the way a real one is (WIN.INI of the Wine prefix):
// the verdict, the rows that reached Firebird and the log files in the Paradox data directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "control/konwersja_dm.h"
#include "db/drivers.h"
#include "demo/demo_fixture.h"
#include "platform/cp1250.h"
#include "platform/hostpath.h"
#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

std::string bajty(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Every file under the directory with its bytes, the conversion logs left out.
std::map<std::string, std::string> daneParadoxa(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file() && e.path().extension() != ".log") out[e.path().string()] = bajty(e.path());
  return out;
}

class KonwersjaDemo : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { demo_ = new demotest::DemoInstallation(300); }
  static void TearDownTestSuite() {
    if (::testing::UnitTest::GetInstance()->failed_test_count() > 0) {
      std::ifstream log(demo_->errorLog());
      std::cerr << "error log:\n" << log.rdbuf();
    }
    delete demo_;
    demo_ = nullptr;
  }

  std::unique_ptr<konw::TfrmConvert> start(std::vector<std::string> args) {
    return demo_->window(ui, std::move(args));
  }

  // Paradox rows that the copy must have brought over: all of them, except the BILTOBESTIAMAP rows
  // without TYPSPR that Firebird refuses.
  static std::int64_t doPrzeniesienia(konw::TdmKonw& dm, const std::string& P, const std::string& F) {
    db::Table t;
    t.setDatabase(&dm.DBp);
    t.setTableName(P + ".DB");
    t.setReadOnly(true);
    t.open();
    if (F != "BILTOBESTIAMAP") return t.recordCount();
    std::int64_t n = 0;
    for (t.first(); !t.eof(); t.next()) n += t.fieldByName("TYPSPR").asString().empty() ? 0 : 1;
    return n;
  }
  static std::int64_t wFirebirdzie(konw::TdmKonw& dm, const std::string& F) {
    db::Query q;
    q.setDatabase(&dm.DBi);
    q.addSql("select count(*) from " + F);
    q.open();
    return q.field(0).asInteger();
  }

  static demotest::DemoInstallation* demo_;
  demotest::FoundThroughWine env{*demo_};
  konw::ScriptedOperator ui;
};

demotest::DemoInstallation* KonwersjaDemo::demo_ = nullptr;

TEST_F(KonwersjaDemo, JstEditionConvertsEveryListedTable) {
  auto frm = start({});
  ASSERT_TRUE(frm->FormCreate());
  ASSERT_TRUE(ui.boxes().empty()) << ui.boxes().front().text;
  const fs::path dane = konw::hostPath(frm->SciezkaParadoxa);
  const auto przed = daneParadoxa(dane);

  const std::size_t odRunu = ui.memo("mKomunikaty").size();
  ui.answer(konw::kYes);
  frm->Konwertuj();

  // The demo keeps critical structure differences on purpose; everything else went through.
  ASSERT_EQ(ui.boxes().size(), 2u) << ui.boxes().back().text;
  EXPECT_EQ(ui.boxes()[1].kind, konw::MsgKind::Warning);
  EXPECT_TRUE(ui.boxes()[1].text.starts_with(
      "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH NATRAFIONO NA KRYTYCZNĄ NIEZGODNOŚĆ STRUKTURY BAZY!"))
      << ui.boxes()[1].text;
  const auto& ogolny = ui.memo("mKomunikaty");
  for (const auto& l : ogolny) EXPECT_FALSE(l.starts_with("\r\n*****")) << l;
  EXPECT_EQ(std::ranges::count(ogolny, "*** Tabela: ARCHPLAN nie istnieje ***"), 1);
  EXPECT_EQ(std::ranges::count(ogolny, "  TMPRAP") + std::ranges::count(ogolny, "  WYDRUKI"), 2);

  auto& dm = *frm->dm();
  dm.DBi.connect();
  int tabele = 0;
  for (dm.tblLista.first(); !dm.tblLista.eof(); dm.tblLista.next()) {
    const std::string P = dm.tblLista.fieldByName("TABELA").asString();
    const std::string F = dm.tblLista.fieldByName("TABELA_IB").asString();
    if (!frm->przebieg.IstniejeTabelaParadoxa(P)) continue;
    SCOPED_TRACE(P + "/" + F);
    const std::int64_t wiersze = wFirebirdzie(dm, F);
    EXPECT_EQ(wiersze, doPrzeniesienia(dm, P, F));
    // Every table with rows was read back and found as sent.
    const std::string etykieta = konw::equalsIgnoreCase(P, F) ? P : P + "/" + F;
    if (wiersze > 0) {
      const std::string linia =
          "Tabela " + etykieta + ": zweryfikowano " + std::to_string(wiersze) + " wiersz";
      EXPECT_EQ(std::ranges::count_if(ui.memo("mKomInf"),
                                      [&](const std::string& l) {
                                        return l.starts_with(linia) && l.ends_with(", wartości zgodne");
                                      }),
                1);
    }
    ++tabele;
  }
  EXPECT_GE(tabele, 25);
  for (const auto& l : ui.memo("mKomBlKr")) EXPECT_EQ(l.find("wysłano"), std::string::npos) << l;
  for (const auto& l : ui.memo("mKomBlKr")) EXPECT_EQ(l.find("weryfikacja"), std::string::npos) << l;

  // Four logs in the Paradox data directory, closed; the general one holds what the page shows.
  for (std::size_t k = 0; k < frm->przebieg.log().logi.size(); ++k) {
    const fs::path plik = konw::hostPath(frm->przebieg.log().logi[k].sciezka);
    SCOPED_TRACE(plik.string());
    ASSERT_TRUE(fs::exists(plik));
    EXPECT_TRUE(fs::equivalent(plik.parent_path(), dane));
    const std::string nazwa = konw::kNazwyLogow[k];
    EXPECT_TRUE(plik.filename().string().starts_with(nazwa.substr(0, nazwa.size() - 4) + "_"));
    EXPECT_FALSE(frm->przebieg.log().logi[k].otwarty());
  }
  std::string oczekiwany;
  for (std::size_t i = odRunu; i < ogolny.size(); ++i) oczekiwany += konw::utf8ToCp1250(ogolny[i]) + "\r\n";
  EXPECT_EQ(bajty(konw::hostPath(frm->przebieg.log().logi[0].sciezka)), oczekiwany);

  EXPECT_EQ(daneParadoxa(dane), przed) << "the Paradox data must stay as it was";
}

}  // namespace
