// The verification after a table copy: both sides turned into the values the target columns hold, then
// matched row by row, in key order where the keys allow it, otherwise by 64-bit row digests.
#include "convert/weryfikacja.h"

#include <algorithm>
#include <chrono>

#include "control/konwersja_dm.h"
#include "convert/przebieg.h"
#include "db/engine.h"
#include "platform/operator.h"
#include "platform/text.h"

namespace konw {

using db::FieldType;
using namespace wartosci;
using namespace skroty;

namespace {

std::vector<db::FieldDef> opiszKolumny(db::Database& baza, const std::string& select) {
  db::Query opis;
  opis.setDatabase(&baza);
  opis.setUnidirectional(true);
  opis.addSql(select + " WHERE 1 = 0");
  opis.open();
  std::vector<db::FieldDef> kolumny;
  for (int k = 0; k < opis.fieldCount(); ++k) kolumny.push_back(opis.field(k).def());
  opis.close();
  return kolumny;
}

// The columns `nazwy` of the table as the connection's catalog describes them, numbered as a query naming
// them in this order would: no statement travels to the server for it. The catalog does not describe a
// query's columns as nullable; nothing here reads that. Empty when a column is not in the table as named.
std::vector<db::FieldDef> opiszKolumny(db::Database& baza, const std::string& tabelaIb,
                                       const std::vector<std::string>& nazwy) {
  const db::TableDefinition tabela = baza.describeTable(tabelaIb);
  std::vector<db::FieldDef> kolumny;
  for (const std::string& nazwa : nazwy) {
    auto it = std::find_if(tabela.fields.begin(), tabela.fields.end(),
                           [&](const db::FieldDef& f) { return f.name == nazwa; });
    if (it == tabela.fields.end()) return {};
    kolumny.push_back(*it);
    kolumny.back().number = static_cast<int>(kolumny.size());
  }
  return kolumny;
}

// "SELECT "A","B" FROM T": the columns the INSERT's parameters name, in their order. Text in no character
// set is read as the bytes it holds (CAST to OCTETS): a NONE column would come decoded in the
// connection's set, and the copy's bytes are compared as bytes. `opis`, when given, receives the columns of
// the query returned when they are known already (the plain query), else stays empty.
// `krotkie` (when given, one per column) reads blob values of at most that many characters (bytes without
// a set; 0: none) as text in a column of their own, appended after the others, whose position goes into
// `(*pozycje)[k]` (-1 for a column without one); the blob column then holds only the longer ones. A blob read
// as a blob costs round trips of its own through a server; text comes with its row.
std::string zapytanieOdczytu(db::Database& baza, db::Query& insert, const std::string& tabelaIb,
                             std::vector<db::FieldDef>* opis = nullptr, const std::vector<int>& krotkie = {},
                             std::vector<int>* pozycje = nullptr) {
  std::vector<std::string> nazwy, kolumnyInsertu;
  std::string lista;
  for (int k = 0; k < insert.paramCount(); ++k) {
    kolumnyInsertu.push_back(insert.param(k).name());
    nazwy.push_back(quoteIdentifier(kolumnyInsertu.back()));
    lista += (k ? "," : "") + nazwy.back();
  }
  const std::string proste = "SELECT " + lista + " FROM " + tabelaIb;
  std::vector<db::FieldDef> kolumny = opiszKolumny(baza, tabelaIb, kolumnyInsertu);
  if (kolumny.empty()) kolumny = opiszKolumny(baza, proste);
  const bool zKrotkimi = pozycje && krotkie.size() == nazwy.size() && kolumny.size() == nazwy.size() &&
                         std::any_of(krotkie.begin(), krotkie.end(), [](int n) { return n > 0; });
  if (pozycje) pozycje->clear();
  if (!zKrotkimi && (kolumny.size() != nazwy.size() ||
                     std::none_of(kolumny.begin(), kolumny.end(), [](const db::FieldDef& k) {
                       return k.binary && (tekstowa(k.type) || k.type == FieldType::Memo);
                     }))) {
    if (opis) *opis = std::move(kolumny);
    return proste;
  }
  lista.clear();
  std::string dodane;
  int dodanych = 0;
  for (std::size_t k = 0; k < nazwy.size(); ++k) {
    const db::FieldDef& c = kolumny[k];
    std::string kolumna = nazwy[k];
    if (c.binary && tekstowa(c.type) && c.size > 0)
      kolumna = "CAST(" + nazwy[k] + " AS " + (c.fixedLength ? "CHAR(" : "VARCHAR(") +
                std::to_string(c.size) + ") CHARACTER SET OCTETS)";
    else if (c.binary && c.type == FieldType::Memo)
      kolumna = "CAST(" + nazwy[k] + " AS BLOB SUB_TYPE 0)";
    if (zKrotkimi) pozycje->push_back(-1);
    // Text in its own set, so that the server turns it into the connection's as it turns the blob.
    const bool bajty = bajtowa(c);
    if (zKrotkimi && krotkie[k] > 0 && blobowa(c.type) && (bajty || !c.charset.empty())) {
      const std::string n = std::to_string(krotkie[k]);
      const std::string dlugosc = (bajty ? "OCTET_LENGTH(" : "CHAR_LENGTH(") + nazwy[k] + ")";
      dodane += ",CASE WHEN " + dlugosc + " <= " + n + " THEN CAST(" + nazwy[k] + " AS VARCHAR(" + n +
                ") CHARACTER SET " + (bajty ? std::string("OCTETS") : c.charset) + ") END";
      kolumna = "CASE WHEN " + dlugosc + " > " + n + " THEN " + kolumna + " END";
      pozycje->back() = static_cast<int>(nazwy.size()) + dodanych++;
    }
    if (kolumna != nazwy[k]) kolumna += " AS " + nazwy[k];
    lista += (k ? "," : "") + kolumna;
  }
  return "SELECT " + lista + dodane + " FROM " + tabelaIb;
}

// The blob columns worth reading with their rows, as text (zapytanieOdczytu's `krotkie`): a blob read as
// a blob costs about two round trips through a server (opened, read), while text widens every row, and a
// server sends rows in batches of about 16 KB (at least 10 rows). Chosen for the whole table when the
// batches cost fewer round trips than the blobs; a column whose longest value sent would widen the row
// too much stays read as blobs.
std::vector<int> KrotkieBloby(const std::vector<db::FieldDef>& kolumny,
                              const std::vector<SumaWierszy::Bloby>& bloby, std::int64_t wierszy) {
  constexpr std::size_t kNajwiecejBajtow = 8000, kNajwiecejRazem = 32000;
  std::vector<int> krotkie(kolumny.size(), 0);
  if (bloby.size() != kolumny.size() || wierszy <= 0) return krotkie;
  // Bytes a row takes in the message, at most four a character (UTF-8).
  auto bajtow = [](const db::FieldDef& c) -> std::size_t {
    if (tekstowa(c.type)) return static_cast<std::size_t>(std::max(c.size, 1)) * (c.binary ? 1 : 4) + 4;
    return 8;
  };
  auto paczek = [wierszy](std::size_t wiersz) {
    // Rows a batch holds, as a Firebird 3 client asks for them (8 KB packets, 2 to 4 of them).
    const std::size_t r = wiersz + 12, pakiet = 8192;
    std::size_t pakiety = (20 * r + pakiet - 1) / pakiet;
    if (pakiety > 4) pakiety = (10 * r + pakiet - 1) / pakiet;
    const std::size_t wPaczce = std::max<std::size_t>(10, std::max<std::size_t>(pakiety, 2) * pakiet / r);
    return static_cast<double>(wierszy) / static_cast<double>(wPaczce);
  };
  std::size_t wiersz = 0, dodane = 0;
  double blobow = 0;
  for (std::size_t k = 0; k < kolumny.size(); ++k) {
    wiersz += bajtow(kolumny[k]);
    if (!blobowa(kolumny[k].type) || bloby[k].niepuste == 0) continue;
    const bool bajty = bajtowa(kolumny[k]);
    const std::size_t n = std::max<std::size_t>(bloby[k].najdluzszy, 1);
    const std::size_t szerokosc = n * (bajty ? 1 : 4) + 4;
    if (szerokosc > kNajwiecejBajtow || dodane + szerokosc > kNajwiecejRazem) continue;
    krotkie[k] = static_cast<int>(n);
    dodane += szerokosc;
    blobow += 2.0 * static_cast<double>(bloby[k].niepuste);
  }
  if (dodane == 0 || paczek(wiersz + dodane) >= paczek(wiersz) + blobow)
    std::fill(krotkie.begin(), krotkie.end(), 0);
  return krotkie;
}

// Adds the seconds from its making to its end to the run's: the time verifying took.
struct Pomiar {
  TPrzebieg& przebieg;
  std::chrono::steady_clock::time_point od = std::chrono::steady_clock::now();
  ~Pomiar() {
    przebieg.DodajCzasWeryfikacji(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - od).count());
  }
};

// Adds up the rows of `odczyt` (open, at its first row) as the read-back adds up stored rows, into
// `stan`; false when `przerwac`, asked every 256 rows, stopped it.
bool SumujZapisane(db::Query& odczyt, const std::vector<db::FieldDef>& kolumny,
                   const std::function<bool()>& przerwac, StanZapisanej& stan,
                   const std::vector<int>& krotkie = {}) {
  std::uint64_t s1 = 0, s2 = 0;
  std::int64_t n = 0;
  for (; !odczyt.eof(); odczyt.next()) {
    if (++n % 256 == 0 && przerwac()) return false;
    std::uint64_t h = kPoczatekWiersza;
    for (std::size_t k = 0; k < kolumny.size(); ++k) {
      const db::Value* v = &odczyt.field(static_cast<int>(k)).value();
      // A short blob value came as text in a column of its own (zapytanieOdczytu); the digest takes text
      // and bytes alike by what the column holds.
      if (k < krotkie.size() && krotkie[k] >= 0 && !odczyt.field(krotkie[k]).isNull())
        v = &odczyt.field(krotkie[k]).value();
      h = dolacz(h, skrotZapisanej(*v, kolumny[k]));
    }
    s1 += h;
    s2 += SumaWierszy::drugi(h);
  }
  stan.wierszy = n;
  stan.suma = s1;
  stan.sumaDruga = s2;
  return true;
}

}  // namespace

std::optional<SumaWierszy> PrzygotujSume(TPrzebieg& przebieg, db::Query& insert,
                                         const std::string& tabelaIb) {
  if (!przebieg.weryfikacja() || insert.paramCount() == 0) return std::nullopt;
  try {
    db::Database& baza = przebieg.dane().DBi;
    // The plain query was described on the way: it is not asked again.
    std::vector<db::FieldDef> kolumny;
    const std::string sql = zapytanieOdczytu(baza, insert, tabelaIb, &kolumny);
    if (kolumny.empty()) kolumny = opiszKolumny(baza, sql);
    if (kolumny.size() != static_cast<std::size_t>(insert.paramCount())) return std::nullopt;
    return SumaWierszy(std::move(kolumny));
  } catch (const db::EngineError&) {
    return std::nullopt;
  }
}

namespace {

// The primary key's positions among the copied columns `nazwy`, when every column of it is copied.
std::vector<int> KluczKopii(const std::vector<db::IndexDef>& indeksy, const std::vector<std::string>& nazwy) {
  std::vector<int> klucz;
  for (const db::IndexDef& indeks : indeksy) {
    if (!indeks.primary) continue;
    for (const std::string& pole : splitList(indeks.fields)) {
      auto it = std::find(nazwy.begin(), nazwy.end(), pole);
      if (it == nazwy.end()) return {};
      klucz.push_back(static_cast<int>(it - nazwy.begin()));
    }
    break;
  }
  return klucz;
}

// The sent side: the Paradox rows from the first, bound into the INSERT's parameters as the copy binds
// them.
class WyslaneWiersze {
 public:
  WyslaneWiersze(db::Table& zrodlo, db::Query& insert, const std::function<void()>& ustawWiersz,
                 const std::function<bool()>& pomijalny)
      : zrodlo_(zrodlo), insert_(insert), ustawWiersz_(ustawWiersz), pomijalny_(pomijalny) {}

  StronaWeryfikacji strona() {
    return {[this](bool) {
              zrodlo_.first();
              poczatek_ = true;
            },
            [this](Wiersz& wiersz, std::int64_t& rekord, bool& pom) {
              if (!poczatek_) zrodlo_.next();
              poczatek_ = false;
              if (zrodlo_.eof()) return false;
              ustawWiersz_();
              wiersz.resize(static_cast<std::size_t>(insert_.paramCount()));
              for (std::size_t k = 0; k < wiersz.size(); ++k)
                wiersz[k] = insert_.param(static_cast<int>(k)).value();
              rekord = zrodlo_.recNo();
              pom = pomijalny_ && pomijalny_();
              return true;
            }};
  }

 private:
  db::Table& zrodlo_;
  db::Query& insert_;
  const std::function<void()>& ustawWiersz_;
  const std::function<bool()>& pomijalny_;
  bool poczatek_ = true;
};

// The stored side: the Firebird table read through `sql`, in key order through `sqlWgKlucza` when the
// matching asks for it.
class ZapisaneWiersze {
 public:
  ZapisaneWiersze(db::Database& baza, std::string sql, std::string sqlWgKlucza)
      : sql_(std::move(sql)), sqlWgKlucza_(std::move(sqlWgKlucza)) {
    odczyt_.setDatabase(&baza);
    odczyt_.setUnidirectional(true);
    odczyt_.addSql(sql_);
    odczyt_.open();
  }
  std::vector<db::FieldDef> kolumny() {
    std::vector<db::FieldDef> kolumny;
    for (int k = 0; k < odczyt_.fieldCount(); ++k) kolumny.push_back(odczyt_.field(k).def());
    return kolumny;
  }
  StronaWeryfikacji strona() {
    return {[this](bool kluczem) { odNowa(kluczem); },
            [this](Wiersz& wiersz, std::int64_t& rekord, bool& pom) {
              if (!poczatek_) odczyt_.next();
              poczatek_ = false;
              if (odczyt_.eof()) return false;
              wiersz.resize(static_cast<std::size_t>(odczyt_.fieldCount()));
              for (std::size_t k = 0; k < wiersz.size(); ++k)
                wiersz[k] = odczyt_.field(static_cast<int>(k)).value();
              rekord = 0;
              pom = false;
              return true;
            }};
  }
  // The rows as stored now, from the first, in the order the table holds them.
  db::Query& odPoczatku() {
    odczyt_.close();
    odczyt_.clearSql();
    odczyt_.addSql(sql_);
    odczyt_.open();
    return odczyt_;
  }
  void zamknij() { odczyt_.close(); }

 private:
  void odNowa(bool kluczem) {
    if (kluczem != wgKlucza_) {
      odczyt_.close();
      odczyt_.clearSql();
      odczyt_.addSql(kluczem ? sqlWgKlucza_ : sql_);
      wgKlucza_ = kluczem;
      otwarty_ = false;
    }
    if (!otwarty_) odczyt_.open();
    otwarty_ = false;
    poczatek_ = true;
  }
  db::Query odczyt_;
  std::string sql_, sqlWgKlucza_;
  bool otwarty_ = true, wgKlucza_ = false, poczatek_ = true;
};

// What a read-back found, recorded with the table's outcome and said in the run's log.
void ZapiszRoznice(TPrzebieg& przebieg, const WynikWeryfikacji& w, StanZapisanej& stan, bool poZakonczeniu) {
  stan.zgodna = w.roznic == 0;
  stan.roznic = w.roznic;
  stan.linie = w.linie;
  if (WynikTabeli* wynik = przebieg.wynikTabeli(przebieg.biezacaTabela()); !poZakonczeniu && wynik) {
    wynik->roznicWartosci = w.roznic;
    wynik->roznicePoKopii = w.linie;
    stan.wynik = przebieg.biezacaTabela();
  }
  if (w.roznic == 0) return;
  for (const std::string& linia : w.linie)
    przebieg.log().ZapiszKomunikat(linia, kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
  if (poZakonczeniu) return;
  przebieg.log().ZapiszKomunikat("*** Tabela " + stan.etykieta + ": weryfikacja po kopiowaniu wykazała " +
                                     Ile(w.roznic, "różnicę", "różnice", "różnic") +
                                     " (wierszy wysłanych: " + std::to_string(w.wyslanych) +
                                     ", w tabeli firebird: " + std::to_string(w.zapisanych) + ") ***",
                                 kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
}

}  // namespace

std::optional<StanZapisanej> WeryfikujKopie(TPrzebieg& przebieg, db::Table& zrodlo, db::Query& insert,
                                            const std::string& tabelaIb,
                                            const std::function<void()>& ustawWiersz,
                                            const std::function<bool()>& pomijalny, bool poZakonczeniu) {
  if (!przebieg.weryfikacja() || (przebieg.flagi().Przerwano && !poZakonczeniu)) return std::nullopt;
  const Pomiar pomiar{przebieg};
  TdmKonw& dm = przebieg.dane();

  // The columns are the INSERT's parameters, named as the columns are.
  std::vector<std::string> nazwy;
  for (int k = 0; k < insert.paramCount(); ++k) nazwy.push_back(insert.param(k).name());
  if (nazwy.empty()) return std::nullopt;
  // Without the key's definition the rows are matched without it.
  std::vector<int> klucz;
  try {
    klucz = KluczKopii(dm.DBi.describeTable(tabelaIb).indexes, nazwy);
  } catch (const db::EngineError&) {
  }

  // A table that cannot be read back is not known to be right: said, and the run goes on.
  StanZapisanej stan;
  stan.etykieta = przebieg.EtykietaTabeli();
  stan.tabelaIb = tabelaIb;
  WynikWeryfikacji w;
  try {
    // Read in the order the table holds its rows first (no index to walk), in key order only when the
    // comparison asks for it.
    stan.sql = zapytanieOdczytu(dm.DBi, insert, tabelaIb);
    std::string sqlWgKlucza = stan.sql;
    for (std::size_t i = 0; i < klucz.size(); ++i)
      sqlWgKlucza += (i ? "," : " ORDER BY ") + quoteIdentifier(nazwy[static_cast<std::size_t>(klucz[i])]);
    ZapisaneWiersze zapisane(dm.DBi, stan.sql, sqlWgKlucza);
    stan.kolumny = zapisane.kolumny();
    WyslaneWiersze wyslane(zrodlo, insert, ustawWiersz, pomijalny);
    const auto przerwac = [&] {
      przebieg.ui().processMessages();
      return przebieg.flagi().Przerwano && !poZakonczeniu;
    };
    StronaWeryfikacji stronaW = wyslane.strona(), stronaZ = zapisane.strona();
    w = PorownajWiersze(nazwy, stan.kolumny, klucz, stronaW, stronaZ, stan.etykieta, przerwac);
    // What the check after the last commit compares with: the rows as stored now, differences included.
    if (!w.przerwana && !poZakonczeniu && !SumujZapisane(zapisane.odPoczatku(), stan.kolumny, przerwac, stan))
      return std::nullopt;
    zapisane.zamknij();
  } catch (const db::EngineError& e) {
    przebieg.log().ZapiszKomunikat(
        "*** Tabela " + stan.etykieta + ": nie udało się zweryfikować kopii: " + e.what() + " ***",
        kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
    return std::nullopt;
  }
  if (w.przerwana) return std::nullopt;
  ZapiszRoznice(przebieg, w, stan, poZakonczeniu);
  return stan;
}

StanZapisanej OdczytajStan(db::Database& baza, const StanZapisanej& wzor,
                           const std::function<void()>& pompuj) {
  StanZapisanej teraz;
  db::Query odczyt;
  odczyt.setDatabase(&baza);
  odczyt.setUnidirectional(true);
  const auto sumuj = [&](const std::string& sql, const std::vector<int>& krotkie) {
    odczyt.close();
    odczyt.clearSql();
    odczyt.addSql(sql);
    odczyt.open();
    SumujZapisane(
        odczyt, wzor.kolumny,
        [&] {
          if (pompuj) pompuj();
          return false;
        },
        teraz, krotkie);
    odczyt.close();
  };
  if (!wzor.sqlKrotkie.empty()) {
    try {
      sumuj(wzor.sqlKrotkie, wzor.krotkie);
      return teraz;
    } catch (const db::EngineError&) {
      // Read as blobs after all, as below; a fault of the connection shows there again.
      teraz = StanZapisanej{};
    }
  }
  sumuj(wzor.sql, {});
  return teraz;
}

bool TakiSam(const StanZapisanej& a, const StanZapisanej& b) {
  return a.wierszy == b.wierszy && a.suma == b.suma && a.sumaDruga == b.sumaDruga;
}

StanZapisanej StanWyslanych(TPrzebieg& przebieg, const SumaWierszy& suma, db::Query& insert,
                            const std::string& tabelaIb) {
  StanZapisanej stan;
  stan.etykieta = przebieg.EtykietaTabeli();
  stan.tabelaIb = tabelaIb;
  stan.sql = zapytanieOdczytu(przebieg.dane().DBi, insert, tabelaIb);
  const std::vector<int> krotkie = KrotkieBloby(suma.kolumny(), suma.bloby(), suma.wierszy());
  if (std::any_of(krotkie.begin(), krotkie.end(), [](int n) { return n > 0; }))
    stan.sqlKrotkie =
        zapytanieOdczytu(przebieg.dane().DBi, insert, tabelaIb, nullptr, krotkie, &stan.krotkie);
  stan.kolumny = suma.kolumny();
  stan.wierszy = suma.wierszy();
  stan.suma = suma.suma();
  stan.sumaDruga = suma.sumaDruga();
  stan.zgodna = true;
  stan.wynik = przebieg.biezacaTabela();
  return stan;
}

void SprawdzPoZakonczeniu(
    TPrzebieg& przebieg,
    const std::function<std::optional<StanZapisanej>(const StanZapisanej&)>& porownajPonownie) {
  std::vector<StanZapisanej> tabele = przebieg.ZabierzDoSprawdzenia();
  if (tabele.empty()) return;
  const Pomiar pomiar{przebieg};
  const Kategorie krytyczne = kOgolny | kBledy | kBledyKrytyczne;
  const Znaczniki obaZnaczniki = kNiezgodnoscKrytyczna | kNiezgodnosc;
  for (const StanZapisanej& przed : tabele) {
    // The table's lines open its section in each category, under its ListaTabel row's label.
    przebieg.log().NaglowekDoZapisu.fill(false);
    przebieg.log().UstawSekcje(przed.wynik == SIZE_MAX ? std::nullopt : std::optional(przed.wynik));
    if (przed.zakladka) {
      try {
        przebieg.dane().tblLista.gotoBookmark(*przed.zakladka);
        przebieg.log().NaglowekDoZapisu.fill(true);
      } catch (const db::EngineError&) {
        // The row is gone (edited meanwhile): the lines name the table themselves.
      }
    }
    StanZapisanej teraz;
    try {
      teraz = OdczytajStan(przebieg.dane().DBi, przed, [&] { przebieg.ui().processMessages(); });
    } catch (const db::EngineError& e) {
      przebieg.log().ZapiszKomunikat(
          "*** Tabela " + przed.etykieta +
              ": nie udało się sprawdzić tabeli po zakończeniu kopiowania: " + e.what() + " ***",
          krytyczne, obaZnaczniki);
      // A table the run cannot vouch for: the run ends with an error, not with a mismatch found.
      przebieg.flagi().BladKonwersji = true;
      if (WynikTabeli* wynik = przebieg.wynikTabeli(przed.wynik)) wynik->zweryfikowana = false;
      continue;
    }
    WynikTabeli* wynik = przebieg.wynikTabeli(przed.wynik);
    const bool bezZmian = TakiSam(teraz, przed);
    if (bezZmian) {
      if (wynik) wynik->zweryfikowana = true;
      if (przed.zgodna)
        przebieg.log().ZapiszKomunikat("Tabela " + przed.etykieta + ": zweryfikowano " +
                                           Ile(przed.wierszy, "wiersz", "wiersze", "wierszy") +
                                           ", wartości zgodne",
                                       kDodatkoweInfo);
      continue;
    }
    if (wynik) {
      wynik->zweryfikowana = false;
      wynik->zmienionaPoKopii = true;
      wynik->poZakonczeniu = teraz.wierszy;
    }
    przebieg.log().ZapiszKomunikat(
        "*** Tabela " + przed.etykieta + ": zmieniona po skopiowaniu (wierszy po kopiowaniu: " +
            std::to_string(przed.wierszy) + ", po zakończeniu konwersji: " + std::to_string(teraz.wierszy) +
            (teraz.wierszy == przed.wierszy ? ", zmienione wartości" : "") + ") ***",
        krytyczne, obaZnaczniki);
    if (porownajPonownie)
      if (const auto porownanie = porownajPonownie(przed); porownanie && wynik) {
        wynik->roznicWartosci = porownanie->roznic;
        wynik->roznicePoKopii = porownanie->linie;
      }
  }
  przebieg.log().NaglowekDoZapisu.fill(false);
  przebieg.log().UstawSekcje(std::nullopt);
}

}  // namespace konw
