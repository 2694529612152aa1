#include "tools/cli/podsumowanie.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tools/cli/headless.h"

namespace konw::cli {

namespace {

const char* nazwaStanu(WynikTabeli::Stan s) {
  switch (s) {
    case WynikTabeli::Stan::Skopiowana:
      return "copied";
    case WynikTabeli::Stan::Pominieta:
      return "skipped";
    case WynikTabeli::Stan::NieZnaleziona:
      return "not found";
    case WynikTabeli::Stan::Blad:
      return "failed";
    case WynikTabeli::Stan::Przerwana:
      return "broken";
    case WynikTabeli::Stan::Uszkodzona:
      return "damaged";
    case WynikTabeli::Stan::Odrzucona:
      return "refused";
  }
  return "?";
}

}  // namespace

const char* nazwaWerdyktu(Werdykt werdykt) {
  switch (werdykt) {
    case Werdykt::Zakonczony:
      return "finished";
    case Werdykt::NieRozpoczety:
      return "not started";
    case Werdykt::Niezgodnosc:
      return "structure mismatch";
    case Werdykt::NiezgodnoscKrytyczna:
      return "critical structure mismatch";
    case Werdykt::Blad:
      return "stopped by an error";
    case Werdykt::Przerwany:
      return "broken by the operator";
  }
  return "?";
}

std::string podsumowanieJson(const TfrmConvert* frm, const WynikKonwersji& wynik, const ScriptedOperator& ui,
                             int kod) {
  using nlohmann::ordered_json;
  ordered_json j;
  j["verdict"] = nazwaWerdyktu(wynik.werdykt);
  j["exit_code"] = kod;
  ordered_json tabele = ordered_json::array();
  ordered_json logi = ordered_json::array();
  if (frm) {
    j["edition"] = !frm->edycja ? "" : *frm->edycja == Edycja::JST ? "JST" : "JB";
    j["kind"] = static_cast<int>(frm->RodzajKonwersji);
    j["locations"] = {{"firebird", frm->SciezkaInterbase}, {"paradox", frm->SciezkaParadoxa}};
    j["data_version"] = frm->WersjaDanych;
    const DaneJednostki& u = frm->jednostka;
    j["unit"] = {{"name", u.NAZWA},    {"voivodeship", u.Wojewodztwo}, {"county", u.Powiat},
                 {"commune", u.Gmina}, {"commune_kind", u.TypGminy},   {"gus_code", u.KodGUS()}};
    for (const WynikTabeli& t : wynik.tabele) {
      ordered_json tabela = {{"paradox", t.paradox},
                             {"firebird", t.firebird},
                             {"outcome", nazwaStanu(t.stan)},
                             {"rows_read", t.odczytane},
                             {"rows_written", t.zapisane}};
      if (t.oczekiwane >= 0) tabela["rows_expected"] = t.oczekiwane;
      tabela["seconds"] = std::round(t.sekundy * 1000) / 1000;
      tabela["differences"] = t.roznice;
      tabela["values"] = {{"verified", t.zweryfikowana},
                          {"differences", t.roznicWartosci},
                          {"lines", t.roznicePoKopii},
                          {"changed_after_copy", t.zmienionaPoKopii}};
      if (t.poZakonczeniu >= 0) tabela["values"]["rows_after_run"] = t.poZakonczeniu;
      tabele.push_back(std::move(tabela));
    }
    for (const std::string& plik : wynik.plikiLogow) logi.push_back(plik);
  }
  j["tables"] = std::move(tabele);
  ordered_json boxy = ordered_json::array();
  for (const ScriptedOperator::Box& b : ui.boxes())
    boxy.push_back({{"kind", nazwaRodzaju(b.kind)}, {"caption", b.caption}, {"text", b.text}});
  j["messages"] = std::move(boxy);
  j["log_files"] = std::move(logi);
  // Texts the product stored in another encoding are shown, not refused.
  return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string podsumowaniePoSygnale(const TfrmConvert* frm, const ScriptedOperator& ui) {
  WynikKonwersji wynik;
  if (frm) wynik = frm->StanKonwersji(Werdykt::Przerwany);
  wynik.werdykt = Werdykt::Przerwany;
  auto j = nlohmann::ordered_json::parse(podsumowanieJson(frm, wynik, ui, 6));
  j["ended_by_signal"] = true;
  // The table the run is at (named, not yet given an outcome nor a time) is broken with the run: its copy
  // ends uncommitted.
  if (!wynik.tabele.empty()) {
    const WynikTabeli& t = wynik.tabele.back();
    if (t.stan == WynikTabeli::Stan::Pominieta && t.sekundy == 0 && !t.paradox.empty() && !t.firebird.empty())
      j["tables"].back()["outcome"] = nazwaStanu(WynikTabeli::Stan::Przerwana);
  }
  return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string plikCzesciowy(const std::string& file) {
  return file + ".tmp";
}

bool zapiszPlik(const std::string& file, const std::string& text) {
  const std::string czesciowy = plikCzesciowy(file);
  {
    std::ofstream out(czesciowy, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      std::fprintf(stderr, "konwersja-cli: cannot write %s: %s\n", czesciowy.c_str(), std::strerror(errno));
      std::remove(czesciowy.c_str());
      return false;
    }
  }
  if (std::rename(czesciowy.c_str(), file.c_str()) != 0) {
    std::fprintf(stderr, "konwersja-cli: cannot write %s: %s\n", file.c_str(), std::strerror(errno));
    std::remove(czesciowy.c_str());
    return false;
  }
  return true;
}

}  // namespace konw::cli
