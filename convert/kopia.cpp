// The table copy: empties the Firebird table and inserts every Paradox row through one prepared
// INSERT, with the Firebird auto-numbering (trigger and generator) kept out of the way meanwhile.
#include "convert/kopia.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "control/identyfikatory.h"
#include "control/konwersja_dm.h"
#include "convert/przebieg.h"
#include "convert/triggery.h"
#include "convert/weryfikacja.h"
#include "db/engine.h"
#include "platform/hostpath.h"
#include "platform/operator.h"

namespace konw {

namespace {

constexpr const char* kMiejsce = "TfrmConvert.Convert";

// What a source field's value goes through on its way into its parameter.
enum class Regula : std::uint8_t {
  Zwykla,         // unchanged, a null stays null
  SpacjaDlaNull,  // a null becomes " "
  PustyDlaNull,   // a null becomes ""
  TakNie,         // "T" for true, "N" for false or null
  Klucz,          // a null becomes the key replacement of the source type
  Pogrub,         // "T" when the text is exactly "T", else "N"
  Uwagi,          // null when nothing but blanks and control characters
  PierwszyZnak,   // first character of the text
  DwaZnaki,       // first two characters of the text
};

// A copied source field: where it goes and how, worked out once per table.
struct Wiazanie {
  int pole = 0;      // position in the source table
  int parametr = 0;  // position of the target column, which is also its parameter's
  Regula regula = Regula::Zwykla;
  db::Value zamiennikNull;  // Klucz: the value in place of a null
  // A column that keeps bytes (OCTETS, NONE, a binary blob): text goes as this source table's own
  // code-page bytes, as the old engine handed it over, not as the program's UTF-8.
  const db::Dataset* bajtyZ = nullptr;
};

// The rule of a source field; later tests replace the rule chosen by earlier ones.
Regula wybierzRegule(const std::string& tabelaPdx, const std::string& pole, db::FieldType typ, bool wKluczu) {
  Regula r = Regula::Zwykla;
  if (pole == "PAR4" || pole == "PAR") r = Regula::SpacjaDlaNull;
  if ((tabelaPdx == "JBSPRAWPLAN" || tabelaPdx == "SPRAWPLAN") &&
      (pole == "ROK" || pole == "DZIAL" || pole == "ROZDZIAL" || pole == "KWARTAL" || pole == "TYPSPR" ||
       pole == "VAL1"))
    r = Regula::PustyDlaNull;
  if (typ == db::FieldType::Boolean) r = Regula::TakNie;
  if (wKluczu) r = Regula::Klucz;
  if (pole == "POGRUB") r = Regula::Pogrub;
  if (pole == "UWAGI") r = Regula::Uwagi;
  const bool uwagi = tabelaPdx + ".DB" == "UWAGI.DB";
  if (uwagi && pole == "PT") r = Regula::PierwszyZnak;
  if (uwagi && pole == "ROK") r = Regula::DwaZnaki;
  return r;
}

bool tylkoBiale(const std::string& text) {
  for (unsigned char c : text)
    if (c > ' ') return false;
  return true;
}

// The value's text; a null reads as empty text.
std::string tekst(const db::Value& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  return db::valueToText(v);
}

// The texts that rules hand over, made once so that a row copies them without allocating.
const db::Value kSpacja{std::string(" ")};
const db::Value kPusty{std::string()};
const db::Value kTak{std::string("T")};
const db::Value kNie{std::string("N")};

// The first `count` characters of UTF-8 text (whole characters, never a part of one).
std::string PierwszeZnaki(const std::string& text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t n = 0; n < count && end < text.size(); ++n) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return text.substr(0, end);
}

void ustawWgReguly(db::Param& p, const Wiazanie& w, const db::Value& v) {
  switch (w.regula) {
    case Regula::Zwykla:
      p.setValue(v);
      return;
    case Regula::SpacjaDlaNull:
      p.setValue(db::isNull(v) ? kSpacja : v);
      return;
    case Regula::PustyDlaNull:
      p.setValue(db::isNull(v) ? kPusty : v);
      return;
    case Regula::TakNie: {
      const auto* b = std::get_if<bool>(&v);
      p.setValue(b && *b ? kTak : kNie);
      return;
    }
    case Regula::Klucz:
      p.setValue(db::isNull(v) ? w.zamiennikNull : v);
      return;
    case Regula::Pogrub: {
      const auto* s = std::get_if<std::string>(&v);
      const bool t = s ? *s == "T" : (!db::isNull(v) && db::valueToText(v) == "T");
      p.setValue(t ? kTak : kNie);
      return;
    }
    case Regula::Uwagi: {
      const auto* s = std::get_if<std::string>(&v);
      const bool pusty = s ? tylkoBiale(*s) : tylkoBiale(tekst(v));
      p.setValue(pusty ? db::Value{db::Null{}} : v);
      return;
    }
    case Regula::PierwszyZnak:
      p.setValue(PierwszeZnaki(tekst(v), 1));
      return;
    case Regula::DwaZnaki:
      p.setValue(PierwszeZnaki(tekst(v), 2));
      return;
  }
}

void ustawParametr(db::Param& p, const Wiazanie& w, const db::Value& v) {
  ustawWgReguly(p, w, v);
  if (!w.bajtyZ) return;
  if (const auto* s = std::get_if<std::string>(&p.value()))
    if (auto bajty = w.bajtyZ->textInCodePage(*s)) p.setValue(db::Bytes{std::move(*bajty)});
}

void wykonaj(db::Query& q, const std::string& sql) {
  q.clearSql();
  q.addSql(sql);
  q.execSql();
}

void otworz(db::Query& q, const std::string& sql) {
  q.clearSql();
  q.addSql(sql);
  q.open();
}

// Puts the INSERT into the Firebird table into qryTemp, with the S_BILANSPOZ constants, and works out once
// where every source field goes and by which rule, so that the row loop does no lookups.
std::vector<Wiazanie> przygotujInsert(TdmKonw& dm, db::Table& zrodlo, const std::string& tabelaPdx,
                                      const std::string& tabelaIb) {
  // The primary key of the Firebird table. The copy's reconnection closed TblI, so its definitions are read
  // by opening it once; the definitions stay when it is closed again.
  if (!equalsIgnoreCase(dm.TblI.tableName(), tabelaIb)) dm.TblI.setTableName(tabelaIb);
  if (dm.TblI.active()) {
    dm.TblI.refreshIndexDefs();
  } else {
    dm.TblI.open();
    dm.TblI.close();
  }

  struct Kolumna {
    std::string nazwa;
    db::FieldType typ;
    bool wKluczu;
    bool bajty;
  };
  std::vector<Kolumna> kolumny;
  otworz(dm.qryInterbase, "Select * From " + tabelaIb);
  std::string listaKolumn, listaParametrow;
  for (int k = 0; k < dm.qryInterbase.fieldCount(); ++k) {
    const db::Field& c = dm.qryInterbase.field(k);
    kolumny.push_back({c.name(), c.dataType(), dm.PoleWKluczuGlownym(c), c.def().binary});
    if (k > 0) {
      listaKolumn += ",";
      listaParametrow += ",";
    }
    listaKolumn += quoteIdentifier(c.name());
    listaParametrow += ":" + quoteIdentifier(c.name());
  }
  dm.qryInterbase.close();
  db::Query& insert = dm.qryTemp;
  insert.clearSql();
  insert.addSql("INSERT INTO " + tabelaIb + " (" + listaKolumn + ") " + "VALUES (" + listaParametrow + ")");

  if (tabelaPdx + ".DB" == "S_BILANSPOZ.DB") {
    const std::pair<const char*, db::Value> stale[] = {
        {"MNOZNIK", std::int64_t{1}}, {"DOPUSZCZAZNAK", std::int64_t{0}}, {"HINTEDYCJI", std::string()}};
    for (const auto& [nazwa, wartosc] : stale) {
      if (zrodlo.findField(nazwa)) continue;
      db::Param& p = insert.paramByName(nazwa);
      p.setDataType(std::holds_alternative<std::string>(wartosc) ? db::FieldType::String
                                                                 : db::FieldType::Integer);
      p.setValue(wartosc);
    }
  }

  std::vector<Wiazanie> wiazania;
  for (int i = 0; i < zrodlo.fieldCount(); ++i) {
    const db::Field& f = zrodlo.field(i);
    const std::string pole = upperAscii(f.name());
    const std::string cel = dm.OdpowiednikPola(pole, TdmKonw::Kierunek::ParadoxDoFirebird);
    for (int k = 0; k < static_cast<int>(kolumny.size()); ++k) {
      if (!equalsIgnoreCase(kolumny[k].nazwa, cel)) continue;
      insert.param(k).setDataType(kolumny[k].typ);
      Wiazanie w{i, k, wybierzRegule(tabelaPdx, pole, f.dataType(), kolumny[k].wKluczu), db::Null{},
                 kolumny[k].bajty ? &zrodlo : nullptr};
      if (w.regula == Regula::Klucz) w.zamiennikNull = WartoscPolaKlucza(f.dataType());
      wiazania.push_back(std::move(w));
      break;
    }
  }
  return wiazania;
}

// Keeps the Firebird auto-numbering out of a copy's way: the trigger is inactive from the guard's start
// and active again when it ends, whatever way the copy ends, since the product numbers its rows
// through it. The journal of the control directory records the trigger before it goes off and forgets it
// once it is on again, so that a process killed in between leaves the next start of the program what to
// switch back on.
class WylaczonyTrigger {
 public:
  WylaczonyTrigger(TPrzebieg& przebieg, db::Query& q)
      : przebieg_(przebieg), q_(q), wpis_(WpisBiezacejTabeli(*przebieg.dm)) {
    zapisany_ = przebieg_.wylaczenia.Zapisz(*przebieg_.dm, przebieg_.log, wpis_);
    try {
      wykonaj(q_, "alter trigger " + wpis_.trigger + " inactive;");
    } catch (...) {
      aktywny_ = true;
      odnotujWlaczenie();
      przebieg_.wylaczenia.Zwolnij();
      throw;
    }
  }
  // Switches the trigger back on, on a new connection when the copy's fails; an error here is the copy's
  // and names the trigger.
  void Wlacz() {
    aktywny_ = true;
    if (const std::string blad = wlacz(); !blad.empty()) throw db::EngineError(db::errc::kSqlError, blad);
  }
  ~WylaczonyTrigger() {
    if (!aktywny_) {
      // The copy is failing with its own error; a trigger that stays off is an error of the run besides.
      try {
        if (const std::string blad = wlacz(); !blad.empty()) {
          przebieg_.flagi.BladKonwersji = true;
          przebieg_.log.ZapiszKomunikat("*** " + blad + " ***", kOgolny | kBledy | kBledyKrytyczne,
                                        kNiezgodnoscKrytyczna | kNiezgodnosc);
        }
      } catch (...) {
        przebieg_.flagi.BladKonwersji = true;
      }
    }
    przebieg_.wylaczenia.Zwolnij();
  }
  WylaczonyTrigger(const WylaczonyTrigger&) = delete;
  WylaczonyTrigger& operator=(const WylaczonyTrigger&) = delete;

 private:
  void odnotujWlaczenie() {
    if (zapisany_) przebieg_.wylaczenia.Wykresl(*przebieg_.dm, przebieg_.log, wpis_);
    zapisany_ = false;
  }
  // Switches the trigger on through the copy's connection, else through a new one (the copy's may be
  // lost); empty when it is on, otherwise what stopped it.
  std::string wlacz() {
    try {
      wykonaj(q_, "alter trigger " + wpis_.trigger + " active;");
      odnotujWlaczenie();
      return {};
    } catch (const db::EngineError&) {
    }
    try {
      TdmKonw& dm = *przebieg_.dm;
      db::Database baza("DBi_triggery", dm.session);
      baza.setDriverName(dm.DBi.driverName());
      for (const std::string& linia : dm.DBi.params()) baza.addParam(linia);
      baza.connect();
      {
        db::Query q;
        q.setDatabase(&baza);
        wykonaj(q, "alter trigger " + wpis_.trigger + " active;");
      }
      GeneratorZaNajwiekszym(baza, wpis_);
      baza.disconnect();
      odnotujWlaczenie();
      return {};
    } catch (const db::EngineError& e) {
      return "Nie udało się ponownie włączyć triggera " + wpis_.trigger + " tabeli " + wpis_.tabela + ": " +
             trim(e.what()) + "; zostanie włączony przy następnym uruchomieniu programu";
    }
  }
  TPrzebieg& przebieg_;
  db::Query& q_;
  WpisTriggera wpis_;
  bool zapisany_ = false;
  bool aktywny_ = false;
};

// The error of a source row, raised again with the row named (`opis`), so that the error block says
// which Paradox record failed.
[[noreturn]] void zglosWiersz(const db::EngineError& e, const std::string& opis) {
  std::vector<db::EngineError::Entry> entries = e.entries();
  entries.push_back({e.code(), opis});
  db::EngineError nazwany(std::move(entries));
  nazwany.withNative(e.nativeCode());
  throw nazwany;
}

// Inserts `liczba` rows of `zrodlo` from its first through the prepared INSERT. A refused row of
// BILTOBESTIAMAP without TYPSPR is left out (`typspr`): Firebird does not accept it. After each row
// `poWierszu` tells whether to go on; the rows read before it stops are all in when this returns.
// A large table travels in batches (through a server); a refused row is then reported after later rows
// were read, so whether it may be left out is noted for every row as it is read. The error of a refused
// row names it through `opisWiersza` (its position from 0). The largest `autoinc` of the rows read is
// kept in `najwiekszy`.
template <typename PoWierszu, typename OpisWiersza>
void kopiujWiersze(db::Table& zrodlo, db::Query& insert, const std::vector<Wiazanie>& wiazania,
                   std::int32_t liczba, const db::Field* typspr, const db::Field* autoinc,
                   std::int64_t& najwiekszy, SumaWierszy* suma, PoWierszu&& poWierszu,
                   OpisWiersza&& opisWiersza) {
  std::vector<bool> pomijalny;
  if (typspr) pomijalny.reserve(static_cast<std::size_t>(liczba));
  auto moznaPominac = [&](std::uint64_t wiersz) {
    return typspr && wiersz < pomijalny.size() && pomijalny[wiersz];
  };
  // A refused row that may not be left out ends the copy with its own error; nothing queued after it goes in.
  // A call cancelled by a break is never a refused row: the rows queued with it did not go in.
  auto odrzucony = [&](const db::BatchRowError& e) {
    if (!db::isWaitInterrupted(e) && moznaPominac(e.tag())) {
      if (suma) suma->wycofaj(e.tag());
      return;
    }
    insert.discardBatch();
    try {
      e.rethrowCause();
    } catch (const db::EngineError& przyczyna) {
      zglosWiersz(przyczyna, opisWiersza(e.tag()));
    }
  };
  auto wyslij = [&] {
    for (;;) {
      try {
        insert.flushBatch();
        return;
      } catch (const db::BatchRowError& e) {
        odrzucony(e);
      }
    }
  };

  if (liczba >= 256) insert.beginBatch(128);
  // Whatever ends the copy early (a source row that cannot be read, a break), a group still on its way
  // to the server is waited for before the caller goes on with the connection.
  struct Porzucenie {
    db::Query& insert;
    ~Porzucenie() {
      if (std::uncaught_exceptions() > 0) insert.discardBatch();
    }
  } porzucenie{insert};
  zrodlo.first();
  for (std::int32_t r = 0; r < liczba; ++r) {
    const auto wiersz = static_cast<std::uint64_t>(r);
    if (typspr) pomijalny.push_back(typspr->asString().empty());
    if (autoinc && !autoinc->isNull()) najwiekszy = std::max(najwiekszy, autoinc->asInteger());
    try {
      for (const Wiazanie& w : wiazania)
        ustawParametr(insert.param(w.parametr), w, zrodlo.field(w.pole).value());
      if (suma) suma->dodaj(insert, wiersz, moznaPominac(wiersz));
      insert.addToBatch(wiersz);
    } catch (const db::BatchRowError& e) {
      odrzucony(e);
    } catch (const db::EngineError& e) {
      if (db::isWaitInterrupted(e)) throw;
      // A value its parameter refuses: the row never went out. The rows before it go in first, and
      // an earlier refused row is the copy's error rather than this one.
      if (!moznaPominac(wiersz)) {
        wyslij();
        zglosWiersz(e, opisWiersza(wiersz));
      } else if (suma) {
        suma->wycofaj(wiersz);
      }
    }
    if (!poWierszu()) break;
    zrodlo.next();
  }
  wyslij();
}

// "Rekord nr N tabeli P (klucz: A=1, B=x)": the source row at `wiersz` (from 0), its key fields read
// again from the table. Only for an error, so the walk to the row costs nothing in a copy.
std::string OpisRekordu(db::Table& zrodlo, const std::string& tabelaPdx, std::uint64_t wiersz) {
  std::string opis = "Rekord nr " + std::to_string(wiersz + 1) + " tabeli " + tabelaPdx;
  try {
    std::vector<std::string> klucz;
    for (const db::IndexDef& ix : zrodlo.indexDefs())
      if (ix.primary) klucz = splitList(ix.fields, ';');
    if (klucz.empty()) return opis;
    zrodlo.first();
    for (std::uint64_t i = 0; i < wiersz && !zrodlo.eof(); ++i) zrodlo.next();
    if (zrodlo.eof()) return opis;
    std::string wartosci;
    for (const std::string& pole : klucz) {
      const db::Field* f = zrodlo.findField(pole);
      if (!f) continue;
      if (!wartosci.empty()) wartosci += ", ";
      wartosci += f->name() + "=" + (f->isNull() ? std::string("(pusta)") : f->asString());
    }
    if (!wartosci.empty()) opis += " (klucz: " + wartosci + ")";
  } catch (const db::EngineError&) {
    // The row's number alone names it when the table cannot be read again.
  }
  return opis;
}

// The files of a Paradox table (its .DB and .MB, found ignoring case) with their size and modification
// time, noted when the copy opens the table and compared when its rows are in: a table that another
// program changed meanwhile was read half old, half new.
struct PlikTabeli {
  std::filesystem::path sciezka;
  std::uintmax_t rozmiar = 0;
  std::filesystem::file_time_type czas;
  bool operator==(const PlikTabeli&) const = default;
};

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

// A break during the rows: the copy's transaction is given up.
struct KopiaPrzerwana {};

enum class Zatwierdzenie { Zatwierdzone, Wycofane, Nieznane };
struct WynikZatwierdzenia {
  Zatwierdzenie stan = Zatwierdzenie::Zatwierdzone;
  std::exception_ptr blad;  // the commit's error, when it failed
};

// Commits the copy of `tabelaIb`. When the commit fails, what the table holds now says whether it took
// effect: the rows the read-back found (`stan`; without it, their number `skopiowane`) are committed,
// anything else is not. The table is read on the copy's connection, else on a new one; when neither can
// read it the outcome is unknown. It is read in a transaction that reserves it: a commit that reached the
// server while the connection was lost may still be in progress there, and the copy's transaction holds
// the table until the server has committed or undone it.
WynikZatwierdzenia ZatwierdzKopie(TdmKonw& dm, const std::string& tabelaIb,
                                  const std::optional<StanZapisanej>& stan,
                                  const std::optional<std::string>& skopiowane) {
  WynikZatwierdzenia w;
  try {
    dm.DBi.commit();
    return w;
  } catch (const db::EngineError&) {
    w.blad = std::current_exception();
  }
  dm.DBi.rollback();
  w.stan = Zatwierdzenie::Nieznane;
  for (int proba = 0; proba < 2 && w.stan == Zatwierdzenie::Nieznane; ++proba) {
    try {
      if (proba > 0) {
        dm.DBi.disconnect();
        dm.DBi.connect();
      }
      dm.DBi.startTransaction({upperAscii(tabelaIb)});
      bool zatwierdzone = false;
      if (stan) {
        zatwierdzone = TakiSam(OdczytajStan(dm.DBi, *stan), *stan);
      } else {
        db::Query q;
        q.setDatabase(&dm.DBi);
        otworz(q, "SELECT COUNT(*) FROM " + tabelaIb);
        zatwierdzone = std::to_string(q.field(0).asInteger()) == skopiowane.value_or("0");
      }
      dm.DBi.rollback();
      w.stan = zatwierdzone ? Zatwierdzenie::Zatwierdzone : Zatwierdzenie::Wycofane;
    } catch (const db::EngineError&) {
      dm.DBi.rollback();
      // Read again on a new connection; after that the outcome stays unknown.
    }
  }
  return w;
}

}  // namespace

db::Value WartoscPolaKlucza(db::FieldType type) {
  using db::FieldType;
  switch (type) {
    case FieldType::String:
    case FieldType::WideString:
      return std::string(" ");
    case FieldType::Smallint:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
    case FieldType::AutoInc:
    case FieldType::LargeInt:
      return std::int64_t{0};
    case FieldType::Boolean:
      return false;
    default:
      return db::Null{};
  }
}

bool TPrzebieg::IstniejeTabelaParadoxa(const std::string& name) const {
  std::error_code ec;
  return std::filesystem::is_regular_file(hostPath(SciezkaParadoxa + "\\" + name + ".db"), ec);
}

std::string TPrzebieg::LiczbaRekordow(const std::string& name) {
  db::Query& q = dm->qryTemp;
  otworz(q, "SELECT COUNT(*) FROM " + (name == "USER" ? std::string("USER_") : name));
  const std::int64_t count = q.fieldByName("COUNT").asInteger();
  q.close();
  return std::to_string(count);
}

void TPrzebieg::Convert() {
  if (flagi.Przerwano) return;
  TdmKonw& dm = *this->dm;
  // What the Paradox reader repaired, skipped or doubted in the table, each said once, also when the copy
  // fails: the operator must know which values did not arrive as stored.
  std::optional<db::Table> zrodlo;
  std::string plikPdx;
  std::vector<std::string> ostrzezenia, uwagi;
  // Whether the table gave less than it holds: rows it counts not reached (how many it counts), values
  // not readable.
  bool uszkodzona = false;
  long oczekiwane = -1;
  auto zbierz = [&](db::Dataset& d) {
    for (const db::ReadWarning& w : d.takeWarnings()) {
      if (!equalsIgnoreCase(w.table, plikPdx)) continue;
      uszkodzona = uszkodzona || w.damage;
      if (w.expectedRows >= 0) oczekiwane = w.expectedRows;
      std::string linia = "*** Tabela " + w.table;
      if (w.record > 0) linia += ", rekord " + std::to_string(w.record);
      if (!w.field.empty()) linia += ", pole " + w.field;
      linia += ": " + w.text + " ***";
      // A note (a value read as the old engine read it) is additional information, no mismatch.
      std::vector<std::string>& cel = w.note ? uwagi : ostrzezenia;
      if (std::find(cel.begin(), cel.end(), linia) == cel.end()) cel.push_back(linia);
    }
  };
  auto zapiszOstrzezenia = [&] {
    if (zrodlo) zbierz(*zrodlo);
    zbierz(dm.qryParadox);
    for (const std::string& linia : ostrzezenia)
      log.ZapiszKomunikat(linia, kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
    for (const std::string& linia : uwagi) log.ZapiszKomunikat(linia, kDodatkoweInfo);
    ostrzezenia.clear();
    uwagi.clear();
  };
  try {
    // Both databases are reconnected only after a copy that failed, which may have left anything open
    // on them; otherwise the statements the copy uses are closed, which is all a reconnection did here.
    if (polaczeniaPoBledzie_ || !dm.DBp.connected() || !dm.DBi.connected()) {
      dm.DBi.disconnect();
      dm.DBp.disconnect();
      dm.DBp.connect();
      dm.DBi.connect();
      polaczeniaPoBledzie_ = false;
    } else {
      dm.qryInterbase.close();
      dm.qryParadox.close();
      dm.qryTemp.close();
    }

    db::Table& lista = dm.tblLista;
    const std::string trigger = lista.fieldByName("TRIGGER_IB").asString();
    const std::string generator = lista.fieldByName("GENERATOR_IB").asString();
    const std::string autoIdPdx = lista.fieldByName("AUTOINC_PDX").asString();
    const std::string tabelaPdx = lista.fieldByName("TABELA").asString();
    const std::string tabelaIb = lista.fieldByName("TABELA_IB").asString();
    plikPdx = tabelaPdx + ".DB";
    WynikTabeli* wynik = tabele.empty() ? nullptr : &tabele.back();
    if (const std::string odmowa = BlednyIdentyfikatorListy(lista); !odmowa.empty()) {
      if (wynik) wynik->stan = WynikTabeli::Stan::Odrzucona;
      log.ZapiszKomunikat(odmowa, kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
      return;
    }

    const bool ObslugaTriggera = !trigger.empty() && !generator.empty() && !autoIdPdx.empty();
    if (!ObslugaTriggera) log.ZapiszKomunikat("  (trigger, generator lub auto-id puste)", kOgolny);

    std::optional<WylaczonyTrigger> wylaczony;
    if (ObslugaTriggera) wylaczony.emplace(*this, dm.qryInterbase);

    // The table is opened (and decrypted) once: its row count, its rows and the largest number of its
    // auto-increment field all come from this one opening. Read only: the product's Paradox data is
    // never changed by a conversion.
    const std::vector<PlikTabeli> plikiPrzed = PlikiTabeli(SciezkaParadoxa, tabelaPdx);
    zrodlo.emplace();
    zrodlo->setDatabase(&dm.DBp);
    zrodlo->setTableName(plikPdx);
    zrodlo->setReadOnly(true);
    zrodlo->open();
    bool bladDostepu = false;
    std::int32_t LiczbaZrodlowych = 0;
    try {
      LiczbaZrodlowych = static_cast<std::int32_t>(zrodlo->recordCount());
    } catch (const db::EngineError&) {
      bladDostepu = true;
    }
    const db::Field* autoinc = nullptr;
    if (ObslugaTriggera) {
      autoinc = zrodlo->findField(autoIdPdx);
      if (!autoinc)
        throw db::EngineError(db::errc::kNotFound,
                              "Nie znaleziono pola \"" + autoIdPdx + "\" w tabeli " + tabelaPdx);
    }
    std::int64_t NajwiekszyIndeks = 0;

    // The emptying and the copy are one transaction: a failure anywhere in it leaves the Firebird table
    // with the rows it had before.
    // What the commit makes true, said once it is: the rows the table holds and the state the check
    // after the run's last commit compares with.
    std::optional<std::string> skopiowane;
    std::optional<StanZapisanej> stan;
    // A table left with the rows it had before: the generator stays past their numbers, so that the
    // product's next insert through the trigger does not collide.
    const auto GeneratorPoWycofaniu = [&](bool obsluga) {
      if (!obsluga) return;
      try {
        GeneratorZaNajwiekszym(dm.DBi, WpisBiezacejTabeli(dm));
      } catch (const db::EngineError&) {
        // The copy's own error says more; the connection is likely gone (the trigger's guard retries).
      }
    };
    // The table is reserved for the copy alone: no other connection adds rows to it until the commit, and
    // one that has written into it and not ended stops the copy before anything is deleted.
    try {
      dm.DBi.startTransaction({upperAscii(tabelaIb)});
    } catch (const db::EngineError& e) {
      std::vector<db::EngineError::Entry> wpisy = e.entries();
      wpisy.push_back(
          {e.code(), "Tabela " + tabelaIb +
                         " jest zapisywana przez inne połączenie z bazą danych Firebird (czy program "
                         "Kalmiro jest otwarty na innym stanowisku?); tabeli nie skopiowano"});
      db::EngineError opisany(std::move(wpisy));
      opisany.withNative(e.nativeCode());
      throw opisany;
    }
    try {
      wykonaj(dm.qryInterbase, "Delete From " + tabelaIb);

      if (bladDostepu) {
        if (wynik) wynik->stan = WynikTabeli::Stan::Blad;
        log.ZapiszKomunikat("*** Błąd w trakcie dostępu do danych! (" + tabelaPdx + ") ***",
                            kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
      } else {
        const std::int32_t LiczbaPol = zrodlo->fieldCount();
        if (wynik) wynik->odczytane = LiczbaZrodlowych;
        if (LiczbaZrodlowych == 0) {
          log.ZapiszKomunikat("  brak danych w tabeli", kOgolny);
          // Left empty: the check after the last commit counts its rows (a later table's trigger may add
          // some).
          if (weryfikacja && !flagi.Przerwano) {
            stan.emplace();
            stan->etykieta = EtykietaTabeli();
            stan->tabelaIb = tabelaIb;
            stan->sql = "SELECT 1 FROM " + tabelaIb;
            stan->wynik = tabele.empty() ? SIZE_MAX : tabele.size() - 1;
          }
        } else {
          log.ZapiszKomunikat("  rekordów: " + std::to_string(LiczbaZrodlowych), kOgolny);
          log.ZapiszKomunikat("  pól: " + std::to_string(LiczbaPol), kOgolny);
          ui_.setBar(Pasek::Tabela, 0, LiczbaZrodlowych);

          const std::vector<Wiazanie> wiazania = przygotujInsert(dm, *zrodlo, tabelaPdx, tabelaIb);
          const db::Field* typspr = tabelaIb == "BILTOBESTIAMAP" ? zrodlo->findField("TYPSPR") : nullptr;
          std::optional<SumaWierszy> suma = PrzygotujSume(*this, dm.qryTemp, tabelaIb);
          kopiujWiersze(
              *zrodlo, dm.qryTemp, wiazania, LiczbaZrodlowych, typspr, autoinc, NajwiekszyIndeks,
              suma ? &*suma : nullptr,
              [&] {
                ui_.processMessages();
                if (flagi.Przerwano) return false;
                ui_.stepBar(Pasek::Tabela);
                return true;
              },
              [&](std::uint64_t wiersz) { return OpisRekordu(*zrodlo, tabelaPdx, wiersz); });
          // A break leaves the table as it was: nothing of this copy is committed.
          if (flagi.Przerwano) throw KopiaPrzerwana{};
          // Every value one its column holds: the check after the last commit reads the table once and
          // compares it with what was sent. Otherwise it is read back now, within the copy's transaction,
          // which sees its rows, and every value that differs is named.
          if (suma && suma->pewna() && weryfikacja)
            stan = StanWyslanych(*this, *suma, dm.qryTemp, tabelaIb);
          else
            stan = WeryfikujKopie(
                *this, *zrodlo, dm.qryTemp, tabelaIb,
                [&] {
                  for (const Wiazanie& w : wiazania)
                    ustawParametr(dm.qryTemp.param(w.parametr), w, zrodlo->field(w.pole).value());
                },
                [&] { return typspr && typspr->asString().empty(); });

          zbierz(*zrodlo);
          zrodlo.reset();
          // Counted in the table the rows went into (for USER_ that is also what "USER" counts): by the
          // read-back when it read the whole table in this same transaction, else by the server.
          skopiowane = stan ? std::to_string(stan->wierszy) : LiczbaRekordow(tabelaIb);
        }
      }
      if (zrodlo) zbierz(*zrodlo);
      if (!bladDostepu) SprawdzPlikiTabeli(plikiPrzed, SciezkaParadoxa, tabelaPdx);
    } catch (...) {
      dm.DBi.rollback();
      const bool przerwana = [] {
        try {
          throw;
        } catch (const KopiaPrzerwana&) {
          return true;
        } catch (...) {
          return false;
        }
      }();
      log.ZapiszKomunikat(
          "*** Tabela " + tabelaIb +
              (przerwana ? ": przerwano; tabela zawiera te same wiersze co przed konwersją ***"
                         : ": zmiany wycofane, tabela zawiera te same wiersze co przed konwersją ***"),
          kOgolny | kBledy);
      GeneratorPoWycofaniu(ObslugaTriggera);
      if (!przerwana) throw;
      if (ObslugaTriggera) wylaczony->Wlacz();
      zapiszOstrzezenia();
      return;
    }

    // A commit whose outcome is unknown (the connection lost on its way) is found out from what the table
    // holds, never guessed.
    const WynikZatwierdzenia zatwierdzenie = ZatwierdzKopie(dm, tabelaIb, stan, skopiowane);
    switch (zatwierdzenie.stan) {
      case Zatwierdzenie::Zatwierdzone:
        if (zatwierdzenie.blad)
          log.ZapiszKomunikat("*** Tabela " + tabelaIb +
                                  ": zatwierdzenie zgłosiło błąd, lecz tabela zawiera skopiowane wiersze: "
                                  "zmiany zatwierdzone ***",
                              kOgolny | kBledy);
        break;
      case Zatwierdzenie::Wycofane:
        log.ZapiszKomunikat("*** Tabela " + tabelaIb +
                                ": zmiany wycofane, tabela zawiera te same wiersze co przed konwersją ***",
                            kOgolny | kBledy);
        GeneratorPoWycofaniu(ObslugaTriggera);
        std::rethrow_exception(zatwierdzenie.blad);
      case Zatwierdzenie::Nieznane:
        log.ZapiszKomunikat("*** Tabela " + tabelaIb +
                                ": nie udało się ustalić, czy zmiany zostały zatwierdzone (połączenie z bazą "
                                "Firebird zerwane w trakcie zatwierdzania); stan tabeli nieznany ***",
                            kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
        std::rethrow_exception(zatwierdzenie.blad);
    }
    {
      if (skopiowane) {
        if (wynik) wynik->zapisane = std::stoll(*skopiowane);
        log.ZapiszKomunikat("  ilość skopiowanych rekordów: " + *skopiowane, kOgolny);
      }
      if (uszkodzona) {
        // The rows that could be read are in; the operator must know that the table held more.
        const std::string odczytano = oczekiwane > LiczbaZrodlowych
                                          ? "odczytano " + std::to_string(LiczbaZrodlowych) + " z " +
                                                std::to_string(oczekiwane) + " rekordów"
                                          : "odczytano " + std::to_string(LiczbaZrodlowych) +
                                                " rekordów, części wartości nie udało się odczytać";
        log.ZapiszKomunikat("  " + odczytano + " (tabela Paradox uszkodzona)", kOgolny);
        log.ZapiszKomunikat("*** Tabela " + plikPdx + ": tabela Paradox uszkodzona, " + odczytano + " ***",
                            kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
        if (wynik) {
          wynik->stan = WynikTabeli::Stan::Uszkodzona;
          wynik->oczekiwane = oczekiwane;
        }
      }
      if (stan) {
        if (!dm.tblLista.isEmpty()) stan->zakladka = dm.tblLista.bookmark();
        doSprawdzenia.push_back(std::move(*stan));
      }
    }

    if (ObslugaTriggera) {
      wykonaj(dm.qryInterbase,
              "set generator " + generator + " to " + std::to_string(NajwiekszyIndeks + 1) + " ;");
      log.ZapiszKomunikat("  największa wartość indeksu: " + std::to_string(NajwiekszyIndeks), kOgolny);
      wylaczony->Wlacz();
    }
    zapiszOstrzezenia();
  } catch (...) {
    polaczeniaPoBledzie_ = true;
    zapiszOstrzezenia();
    // A call cancelled by a break while it waited for the server is the break, not an error of the copy.
    bool przerwano = false;
    try {
      throw;
    } catch (const db::EngineError& e) {
      przerwano = flagi.Przerwano && db::isWaitInterrupted(e);
    } catch (...) {
    }
    if (!przerwano) log.ZapiszBlad(kMiejsce);
    throw;
  }
}

std::optional<StanZapisanej> TPrzebieg::PorownajPonownie(const StanZapisanej& tabela) {
  if (!tabela.zakladka) return std::nullopt;
  TdmKonw& dm = *this->dm;
  try {
    dm.tblLista.gotoBookmark(*tabela.zakladka);
    dm.qryInterbase.close();
    dm.qryParadox.close();
    dm.qryTemp.close();
    const std::string tabelaPdx = dm.tblLista.fieldByName("TABELA").asString();
    const std::string tabelaIb = dm.tblLista.fieldByName("TABELA_IB").asString();
    db::Table zrodlo;
    zrodlo.setDatabase(&dm.DBp);
    zrodlo.setTableName(tabelaPdx + ".DB");
    zrodlo.setReadOnly(true);
    zrodlo.open();
    const std::vector<Wiazanie> wiazania = przygotujInsert(dm, zrodlo, tabelaPdx, tabelaIb);
    const db::Field* typspr = tabelaIb == "BILTOBESTIAMAP" ? zrodlo.findField("TYPSPR") : nullptr;
    std::optional<StanZapisanej> porownanie = WeryfikujKopie(
        *this, zrodlo, dm.qryTemp, tabelaIb,
        [&] {
          for (const Wiazanie& w : wiazania)
            ustawParametr(dm.qryTemp.param(w.parametr), w, zrodlo.field(w.pole).value());
        },
        [&] { return typspr && typspr->asString().empty(); }, true);
    // What the reader doubted in the table was said when it was copied.
    zrodlo.takeWarnings();
    return porownanie;
  } catch (const db::EngineError& e) {
    log.ZapiszKomunikat("*** Tabela " + tabela.etykieta +
                            ": nie udało się porównać jej ponownie z tabelą Paradox: " + e.what() + " ***",
                        kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
  }
  return std::nullopt;
}

void TPrzebieg::SprawdzTabelePoZakonczeniu() noexcept {
  if (doSprawdzenia.empty()) return;
  try {
    SprawdzPoZakonczeniu(*this, [this](const StanZapisanej& tabela) { return PorownajPonownie(tabela); });
  } catch (const std::exception& e) {
    doSprawdzenia.clear();
    try {
      log.ZapiszKomunikat(
          std::string("*** Nie udało się sprawdzić skopiowanych tabel po zakończeniu: ") + e.what() + " ***",
          kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
    } catch (...) {
      flagi.NiezgodnoscKrytyczna = flagi.Niezgodnosc = true;
    }
  }
}

}  // namespace konw
