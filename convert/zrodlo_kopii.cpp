// The Paradox side of a table copy.
#include "convert/zrodlo_kopii.h"

#include <algorithm>
#include <system_error>

#include "log/conversion_log.h"
#include "platform/hostpath.h"
#include "platform/text.h"

namespace konw {

void ZrodloKopii::zbierz(db::Dataset& d) {
  for (const db::ReadWarning& w : d.takeWarnings()) {
    if (!equalsIgnoreCase(w.table, plik)) continue;
    uszkodzona_ = uszkodzona_ || w.damage;
    if (w.expectedRows >= 0) oczekiwane_ = w.expectedRows;
    std::string linia = "*** Tabela " + w.table;
    if (w.record > 0) linia += ", rekord " + std::to_string(w.record);
    if (!w.field.empty()) linia += ", pole " + w.field;
    linia += ": " + w.text + " ***";
    std::vector<std::string>& cel = w.note ? uwagi_ : ostrzezenia_;
    if (std::find(cel.begin(), cel.end(), linia) == cel.end()) cel.push_back(linia);
  }
}

void ZrodloKopii::zapisz(TLogKonwersji& log, db::Dataset& inny) {
  if (tabela) zbierz(*tabela);
  zbierz(inny);
  for (const std::string& linia : ostrzezenia_)
    log.ZapiszKomunikat(linia, kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
  for (const std::string& linia : uwagi_) log.ZapiszKomunikat(linia, kDodatkoweInfo);
  ostrzezenia_.clear();
  uwagi_.clear();
}

std::vector<PlikTabeli> PlikiTabeli(const std::string& katalog, const std::string& tabela) {
  namespace fs = std::filesystem;
  std::vector<PlikTabeli> pliki;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(hostPath(katalog), ec)) {
    const std::string nazwa = e.path().filename().string();
    if (!equalsIgnoreCase(nazwa, tabela + ".DB") && !equalsIgnoreCase(nazwa, tabela + ".MB")) continue;
    PlikTabeli p{e.path(), e.file_size(ec), e.last_write_time(ec)};
    if (!ec) pliki.push_back(std::move(p));
  }
  std::ranges::sort(pliki, {}, &PlikTabeli::sciezka);
  return pliki;
}

// Raises the copy's error when the table's files are not as they were when it was opened.
void SprawdzPlikiTabeli(const std::vector<PlikTabeli>& przed, const std::string& katalog,
                        const std::string& tabela) {
  const std::vector<PlikTabeli> teraz = PlikiTabeli(katalog, tabela);
  if (teraz == przed) return;
  std::string plik = tabela + ".DB";
  for (const PlikTabeli& p : przed)
    if (std::ranges::find(teraz, p) == teraz.end()) plik = p.sciezka.filename().string();
  throw db::EngineError(db::errc::kCorrupt,
                        "Plik " + plik + " tabeli Paradox " + tabela +
                            " zmienił się w trakcie kopiowania (czy inny program zapisuje dane?); tabela "
                            "nie została skopiowana, należy zamknąć inne programy i powtórzyć konwersję");
}

}  // namespace konw
