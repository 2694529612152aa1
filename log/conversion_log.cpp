// The four log categories: memos on the page "Wyniki" and, during a run, files in the Paradox data
// directory (Windows-1250, CR LF, every line flushed).
#include "log/conversion_log.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "db/error.h"
#include "platform/cp1250.h"
#include "platform/hostpath.h"
#include "platform/operator.h"
#include "platform/text.h"

namespace konw {

namespace {

constexpr Kategoria kKolejnosc[] = {Kategoria::Ogolny, Kategoria::DodatkoweInfo, Kategoria::Bledy,
                                    Kategoria::BledyKrytyczne};

std::string bezRozszerzeniaLog(const std::string& name) {
  return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
}

}  // namespace

void PlikLogu::zamknij() noexcept {
  if (plik) {
    std::fclose(plik);
    plik = nullptr;
  }
}

void TLogKonwersji::UstawKatalog(const std::string& katalog) {
  for (std::size_t k = 0; k < logi.size(); ++k) logi[k].sciezka = katalog + kNazwyLogow[k];
}

void TLogKonwersji::ZamknijPlikiLogow() noexcept {
  for (auto& log : logi) log.zamknij();
}

void TLogKonwersji::ZapiszLinie(const std::string& tekst, Kategorie categories) {
  // The first failure ends the write: the categories after it do not get the line. A file that cannot
  // take the line makes the run's logs incomplete, which the run must not report as a success.
  try {
    // Values quoted in a line may hold NULs, other control bytes and bytes the code page leaves
    // undefined: the pages and the files show them escaped.
    const std::string line = escapeControls(tekst);
    for (Kategoria k : kKolejnosc) {
      if ((categories & kat(k)) == 0) continue;
      const auto index = static_cast<std::size_t>(k);
      ui_.appendLine(static_cast<Strona>(index), line);
      if (sekcja_) {
        if (sekcje_.size() <= *sekcja_) sekcje_.resize(*sekcja_ + 1);
        sekcje_[*sekcja_][index].push_back(line);
      }
      std::FILE* f = logi[index].plik;
      if (!f) return;
      // Engine messages may end their lines with a bare LF: the file's lines all end in CR LF.
      const std::string bytes = crLf(utf8ToCp1250(line)) + "\r\n";
      if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fflush(f) != 0) {
        BladZapisu = flagi_.BladKonwersji = true;
        logi[index].niekompletny = true;
        return;
      }
    }
  } catch (const std::exception&) {
    // Writing a log line happens inside error handlers too: it must not throw. Out of memory while
    // encoding the line is the only failure left, and it counts as a failed write.
    BladZapisu = flagi_.BladKonwersji = true;
  }
}

void TLogKonwersji::ZapiszKomunikat(const std::string& line, Kategorie categories, Znaczniki marks) {
  for (Kategoria k : {Kategoria::DodatkoweInfo, Kategoria::Bledy, Kategoria::BledyKrytyczne}) {
    const auto index = static_cast<std::size_t>(k);
    if ((categories & kat(k)) != 0 && NaglowekDoZapisu[index]) {
      OtworzSekcjeTabeli(k);
      NaglowekDoZapisu[index] = false;
    }
  }
  if (marks & kNiezgodnoscKrytyczna) flagi_.NiezgodnoscKrytyczna = true;
  if (marks & kNiezgodnosc) flagi_.Niezgodnosc = true;
  ZapiszLinie(line, categories);
}

void TLogKonwersji::OtworzSekcjeTabeli(Kategoria category) {
  ZapiszLinie(" ", kat(category));
  ZapiszLinie(std::string(30, '-'), kat(category));
  ZapiszLinie(etykietaTabeli_(), kat(category));
}

void TLogKonwersji::NaglowekTabeli(Kategoria category) {
  ZapiszLinie(etykietaTabeli_(), kat(category));
}

std::string TLogKonwersji::TekstBleduBazy() {
  std::exception_ptr current = std::current_exception();
  if (!current) return {};
  try {
    std::rethrow_exception(current);
  } catch (const db::EngineError& e) {
    return std::string(e.what()) + "\r\nError code: " + std::to_string(e.code());
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return {};
  }
}

void TLogKonwersji::ZapiszBlad(const std::string& location) {
  std::string text;
  if (!flagi_.BladKonwersji) {
    flagi_.BladKonwersji = true;
    text = "\r\n" + std::string(50, '*') + "\r\nBŁĄD W TRAKCIE KONWERSJI DANYCH: \r\n" + TekstBleduBazy() +
           "\r\nBłąd wystąpił w: " + location;
  }
  ZapiszKomunikat(text, kWszystkie, kNiezgodnosc | kNiezgodnoscKrytyczna);
}

void TLogKonwersji::ZglosBlad(const std::string& procedure, const std::string& message,
                              const std::string& comment) {
  wyjatki_.ReportError(comment, message, procedure);
}

std::string TLogKonwersji::UwagaONiekompletnychLogach() const {
  if (!BladZapisu) return {};
  std::string text =
      "UWAGA: PLIKI LOGÓW KONWERSJI SĄ NIEKOMPLETNE!\r\n\r\nNie wszystkie wiersze przebiegu konwersji udało "
      "się "
      "zapisać do plików logów (brak miejsca na dysku lub błąd zapisu)";
  std::string pliki;
  for (const PlikLogu& log : logi)
    if (log.niekompletny) pliki += "\r\n" + log.sciezka;
  text += pliki.empty() ? "." : ":" + pliki;
  return text + "\r\n\r\nPełny przebieg konwersji pokazuje zakładka \"" + kPodpisStronyWynikow + "\".";
}

bool TLogKonwersji::InitLogFile(PlikLogu& file, bool zapytaj) {
  file.zamknij();
  file.niekompletny = file.utworzony = false;
  try {
    file.sciezka = NazwaPlikuZDataICzasem(file.sciezka);
    if (zapytaj && PlikZawieraDane(file.sciezka)) {
      Button b = ui_.messageBox(
          MsgKind::Warning, kApplicationTitle,
          "Plik z logiem konwersji już istnieje i zawiera dane. Czy chcesz aby program nadpisał te dane? W "
          "przeciwnym wypadku zostanie utworzony nowy plik.",
          kYes | kNo, kYes);
      if (b != kYes) file.sciezka = NazwaPlikuZNumerem(file.sciezka);
    }
    const std::filesystem::path host = hostPath(file.sciezka);
    std::FILE* f = std::fopen(host.c_str(), "wb");
    if (!f) throw std::system_error(errno, std::generic_category(), host.string());
    file.plik = f;
    file.utworzony = true;
    return true;
  } catch (const std::exception&) {
    flagi_.BladKonwersji = true;
    ZglosBlad("TfrmConvert.InitLogFile",
              "Błąd w trakcie tworzenia pliku służącego do zapisu przebiegu konwersji: \r\n" + file.sciezka,
              "");
    return false;
  }
}

std::string UzupelnijDoDlugosci(std::string text, const std::string& fill, std::size_t width) {
  if (fill.empty()) return text;
  while (text.size() < width) text = fill + text;
  return text;
}

std::string NazwaPlikuZDataICzasem(const std::string& name, const std::tm& when) {
  auto two = [](int v) { return UzupelnijDoDlugosci(std::to_string(v), "0", 2); };
  return bezRozszerzeniaLog(name) + "_" + two(when.tm_year + 1900) + two(when.tm_mon + 1) +
         two(when.tm_mday) + two(when.tm_hour) + two(when.tm_min) + two(when.tm_sec) + ".log";
}

std::tm CzasLokalny() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

std::string NazwaPlikuZDataICzasem(const std::string& name) {
  return NazwaPlikuZDataICzasem(name, CzasLokalny());
}

std::string NazwaPlikuZNumerem(const std::string& name) {
  const std::string base = bezRozszerzeniaLog(name);
  for (unsigned long long i = 1;; ++i) {
    std::string candidate = base + std::to_string(i) + ".log";
    std::error_code ec;
    // A name that cannot even be tested is returned: creating it then fails and is reported.
    if (!std::filesystem::exists(hostPath(candidate), ec) || ec) return candidate;
  }
}

bool PlikZawieraDane(const std::string& location) {
  std::ifstream in(hostPath(location), std::ios::binary);
  if (!in) return false;
  char c;
  while (in.get(c)) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return true;
  }
  return false;
}

}  // namespace konw
