#include "app/widok/okno_wg_nazw.h"

#include "app/widok/projekt_okna.h"
#include "config/discovery.h"
#include "config/unit.h"

namespace konw {

namespace {

// Controls that would change what a run reads: the edition, ListaTabel's rows, the comparisons.
constexpr const char* kNieruchomeWPracy[] = {
    "JST", "JB", "ExRxDBGrid1", "PanelListyTabel", "btnPorownaj", "btnErrAllowPorow", "btnZapiszPorownanie"};

// What starts a comparison, a run or the location dialog.
constexpr const char* kPrzyciskiPorownania[] = {"btnPorownaj", "btnErrAllowPorow", "btnZapiszPorownanie",
                                                "btnKonwert", "btnKonfig"};

constexpr std::pair<const char*, std::string DaneJednostki::*> kEtykietyJednostki[] = {
    {"txtZwiazek", &DaneJednostki::NAZWA},
    {"txtWoj", &DaneJednostki::Wojewodztwo},
    {"txtPow", &DaneJednostki::Powiat},
    {"txtGm", &DaneJednostki::Gmina},
    {"txtWk", &DaneJednostki::WK},
    {"txtPk", &DaneJednostki::PK},
    {"txtGk", &DaneJednostki::GK},
    {"txtGt", &DaneJednostki::GT},
    {"txtTypgminy", &DaneJednostki::TypGminy},
};

// The log pages of PageControlLogi, in the order of Strona.
constexpr const char* kStronyLogow[] = {"TabSheetOgolny", "TabSheetDodatInfo", "TabSheetBledy",
                                        "TabSheetBledyKryt"};

std::string memo(Strona s) {
  return std::string(projekt::kMemoStrony[static_cast<std::size_t>(s)]);
}

std::string pasek(Pasek p) {
  return std::string(projekt::kPaski[static_cast<std::size_t>(p)]);
}

}  // namespace

void OknoWgNazw::showRunning() {
  setActivePage("TabKonwersja");
  setVisible("btnKonwert", false);
  setTabVisible("TabSheetLogi", false);
  setEnabled("btnKonfig", false);
  setEnabled("btnClose", false);
  for (const char* c : {"PanelPaski", "frmConvert", "PageControl", "TabKonwersja", "PanelKonwersja"}) {
    setVisible(c, true);
    setEnabled(c, true);
  }
  setTabVisible("TabKonwersja", true);
  setVisible("btnBreak", true);
  setEnabled("btnBreak", true);
  setFocus("btnBreak");
  for (const char* c : kNieruchomeWPracy) setEnabled(c, false);
  setInert(true);
}

void OknoWgNazw::showRunEnded() {
  setVisible("PanelPaski", false);
  beep();
}

void OknoWgNazw::showIdle(bool wybraneTabele) {
  setInert(false);
  setVisible("btnBreak", false);
  setVisible("btnKonwert", true);
  for (const char* c : {"btnKonfig", "btnClose", "PageControl"}) setEnabled(c, true);
  for (const char* c : kNieruchomeWPracy) setEnabled(c, true);
  setEnabled("ExRxDBGrid1", wybraneTabele);
  restoreWindow();
}

void OknoWgNazw::showResults(Strona strona) {
  setTabVisible("TabSheetLogi", true);
  setActivePage("TabSheetLogi");
  processMessages();
  if (strona != Strona::Porownanie) setActivePage(kStronyLogow[static_cast<std::size_t>(strona)]);
}

void OknoWgNazw::showRunSummary(const std::vector<TabelaPodsumowania>& tabele) {
  podsumowanie_ = tabele;
  std::vector<std::vector<std::string>> wiersze;
  std::vector<bool> oznaczone;
  for (const TabelaPodsumowania& t : tabele) {
    wiersze.push_back({t.problem ? "!" : "", t.tabela, t.wynik, t.wiersze, t.zweryfikowana, t.sekundy});
    oznaczone.push_back(t.problem);
  }
  setListRows("sgPodsumowanie", wiersze, oznaczone);
  WybierzTabelePodsumowania(0);
}

void OknoWgNazw::WybierzTabelePodsumowania(int wiersz) {
  const bool jest = wiersz >= 0 && static_cast<std::size_t>(wiersz) < podsumowanie_.size();
  setMemoText("mSekcjaTabeli",
              jest ? TekstSekcjiTabeli(podsumowanie_[static_cast<std::size_t>(wiersz)]) : "");
}

std::string TekstSekcjiTabeli(const TabelaPodsumowania& tabela) {
  std::string tekst;
  for (std::size_t k = 0; k < tabela.logi.size(); ++k) {
    if (tabela.logi[k].empty()) continue;
    std::string_view podpis;
    for (const auto& p : projekt::kPodpisy)
      if (p.control == kStronyLogow[k]) podpis = p.caption;
    if (!tekst.empty()) tekst += "\r\n\r\n";
    tekst += "=== " + std::string(podpis) + " ===";
    for (const std::string& linia : tabela.logi[k]) tekst += "\r\n" + linia;
  }
  return tekst.empty() ? "Logi nie zawierają wpisów o tej tabeli." : tekst;
}

void OknoWgNazw::showAdvancedPages() {
  for (const char* c : {"TabOpcje", "tsListaTabel", "tsPorownanie"}) setTabVisible(c, true);
}

void OknoWgNazw::showLocations(const std::string& firebird, const std::string& paradox) {
  setCaption("lblSciezkaInterbase", firebird);
  setCaption("lblSciezkaParadoxa", paradox);
}

void OknoWgNazw::showDataVersion(const std::string& wersja) {
  setCaption("lblWersjaPdx", wersja);
}

void OknoWgNazw::showUnit(const DaneJednostki* j) {
  // Cleared, the values go but the lines stay as the last unit left them.
  for (const auto& [label, field] : kEtykietyJednostki) setCaption(label, j ? j->*field : std::string());
  if (!j) return;
  for (const char* c : {"lblWoj", "txtWoj", "txtWk"}) setVisible(c, j->woj);
  for (const char* c : {"lblPow", "txtPow", "txtPk"}) setVisible(c, j->pow);
  for (const char* c : {"lblGm", "txtGm", "txtTypgminy", "txtGk", "txtGt"}) setVisible(c, j->gm);
  for (const char* c : {"lblZwiazek", "txtZwiazek"}) setVisible(c, j->zwiazek);
}

void OknoWgNazw::showEdition(std::optional<Edycja> edycja) {
  setChecked("JST", edycja == Edycja::JST);
  setChecked("JB", edycja == Edycja::JB);
}

void OknoWgNazw::showTable(const std::string& opis) {
  setCaption("lblNazwaTabeli", opis);
  zanotujPasek(Pasek::Tabela, 0, 0);  // the rows of the last table are not this one's
}

void OknoWgNazw::setBar(Pasek p, int position, int max) {
  zanotujPasek(p, position, max);
  setProgressPosition(pasek(p), 0);
  setProgressRange(pasek(p), 0, max);
  setProgressPosition(pasek(p), position);
}

void OknoWgNazw::stepBar(Pasek p) {
  zanotujKrok(p);
  stepProgress(pasek(p));
}

void OknoWgNazw::allowTableChoice(bool allowed) {
  setEnabled("ExRxDBGrid1", allowed);
}

void OknoWgNazw::refreshTableList() {
  refreshGrid("ExRxDBGrid1");
}

void OknoWgNazw::allowComparison(bool allowed) {
  if (allowed) setInert(false);
  for (const char* b : kPrzyciskiPorownania) setEnabled(b, allowed);
  if (!allowed) setInert(true);
}

void OknoWgNazw::appendLine(Strona strona, const std::string& text) {
  appendMemo(memo(strona), text);
}

std::string OknoWgNazw::pageText(Strona strona) const {
  return memoText(memo(strona));
}

}  // namespace konw
