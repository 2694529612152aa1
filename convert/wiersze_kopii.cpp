// The rows of a table copy.
#include "convert/wiersze_kopii.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "control/konwersja_dm.h"
#include "convert/kopia.h"
#include "convert/suma_wierszy.h"
#include "platform/text.h"

namespace konw {

namespace {

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

// The error of a source row, raised again with the row named (`opis`), so that the error block says
// which Paradox record failed.
[[noreturn]] void zglosWiersz(const db::EngineError& e, const std::string& opis) {
  std::vector<db::EngineError::Entry> entries = e.entries();
  entries.push_back({e.code(), opis});
  db::EngineError nazwany(std::move(entries));
  nazwany.withNative(e.nativeCode());
  throw nazwany;
}

}  // namespace

void UstawParametr(db::Param& p, const Wiazanie& w, const db::Value& v) {
  ustawWgReguly(p, w, v);
  if (!w.bajtyZ) return;
  if (const auto* s = std::get_if<std::string>(&p.value()))
    if (auto bajty = w.bajtyZ->textInCodePage(*s)) p.setValue(db::Bytes{std::move(*bajty)});
}

std::vector<Wiazanie> PrzygotujInsert(TdmKonw& dm, db::Table& zrodlo, const std::string& tabelaPdx,
                                      const std::string& tabelaIb) {
  // The Firebird table's columns and primary key, from what the connection keeps of the system tables.
  const db::TableDefinition tabela = dm.DBi.describeTable(tabelaIb);
  struct Kolumna {
    std::string nazwa;
    db::FieldType typ;
    bool wKluczu;
    bool bajty;
  };
  std::vector<Kolumna> kolumny;
  std::string listaKolumn, listaParametrow;
  for (const db::FieldDef& c : tabela.fields) {
    // The server works a computed column out itself and refuses an INSERT that names it.
    if (c.computed) continue;
    kolumny.push_back({c.name, c.type, TdmKonw::PoleWKluczuGlownym(tabela.indexes, c.name), c.binary});
    if (!listaKolumn.empty()) {
      listaKolumn += ",";
      listaParametrow += ",";
    }
    listaKolumn += quoteIdentifier(c.name);
    listaParametrow += ":" + quoteIdentifier(c.name);
  }
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

void KopiujWiersze(db::Table& zrodlo, db::Query& insert, const std::vector<Wiazanie>& wiazania,
                   std::int32_t liczba, const db::Field* typspr, const db::Field* autoinc,
                   std::int64_t& najwiekszy, SumaWierszy* suma, const std::function<bool()>& poWierszu,
                   const std::function<std::string(std::uint64_t)>& opisWiersza) {
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

  // Through a server the rows travel in groups as large as the driver's message allows; a table of a few
  // rows is one group.
  if (liczba >= 3) insert.beginBatch(static_cast<std::size_t>(liczba));
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
        UstawParametr(insert.param(w.parametr), w, zrodlo.field(w.pole).value());
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

std::string OpisBiezacegoRekordu(db::Table& zrodlo, const std::string& tabelaPdx, std::uint64_t wiersz) {
  std::string opis = "Rekord nr " + std::to_string(wiersz + 1) + " tabeli " + tabelaPdx;
  try {
    std::vector<std::string> klucz;
    for (const db::IndexDef& ix : zrodlo.indexDefs())
      if (ix.primary) klucz = splitList(ix.fields, ';');
    std::string wartosci;
    for (const std::string& pole : klucz) {
      const db::Field* f = zrodlo.findField(pole);
      if (!f) continue;
      if (!wartosci.empty()) wartosci += ", ";
      wartosci += f->name() + "=" + (f->isNull() ? std::string("(pusta)") : f->asString());
    }
    if (!wartosci.empty()) opis += " (klucz: " + wartosci + ")";
  } catch (const db::EngineError&) {
    // The row's number alone names it when its key cannot be read.
  }
  return opis;
}

std::string OpisRekordu(db::Table& zrodlo, const std::string& tabelaPdx, std::uint64_t wiersz) {
  try {
    zrodlo.first();
    for (std::uint64_t i = 0; i < wiersz && !zrodlo.eof(); ++i) zrodlo.next();
    if (!zrodlo.eof()) return OpisBiezacegoRekordu(zrodlo, tabelaPdx, wiersz);
  } catch (const db::EngineError&) {
    // The row's number alone names it when the table cannot be read again.
  }
  return "Rekord nr " + std::to_string(wiersz + 1) + " tabeli " + tabelaPdx;
}

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

}  // namespace konw
