// The dictionary comparison: before a dictionary table is copied, its entries in Paradox are matched
// by key with those of the product's own dictionary in Firebird, and what the copy will add, remove or
// change is logged. Neither database is written.
#include "convert/slownik.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "control/konwersja_dm.h"
#include "convert/przebieg.h"
#include "db/engine.h"
#include "platform/operator.h"
#include "platform/text.h"

namespace konw {

namespace {

constexpr const char* kMiejsce = "TfrmConvert.PorownajZawartoscTabeliSlownikow";
constexpr const char* kMiejsceKlucza = "TfrmConvert.WstawWartosciZTabeli";
constexpr std::int64_t kMikrosekundDoby = 86'400'000'000;

bool jestTekstem(const db::Value& v) {
  return std::holds_alternative<std::string>(v) || std::holds_alternative<db::Bytes>(v);
}

bool jestDataCzasem(const db::Value& v) {
  return std::holds_alternative<db::Date>(v) || std::holds_alternative<db::Time>(v) ||
         std::holds_alternative<db::DateTime>(v);
}

std::string tekst(const db::Value& v) {
  if (const auto* b = std::get_if<db::Bytes>(&v)) return b->data;
  return std::get<std::string>(v);
}

// A date, time or date-time as microseconds from day zero.
__int128 mikrosekundy(const db::Value& v) {
  if (const auto* d = std::get_if<db::Date>(&v)) return static_cast<__int128>(d->day) * kMikrosekundDoby;
  if (const auto* t = std::get_if<db::Time>(&v)) return t->us;
  const auto& dt = std::get<db::DateTime>(v);
  return static_cast<__int128>(dt.date.day) * kMikrosekundDoby + dt.time.us;
}

// A text compared with a number or a date is read as a number first; the product's data writes the
// decimal separator as a comma or as a dot.
db::Value liczbaZTekstu(const std::string& s) {
  std::string t = trim(s);
  for (char& c : t)
    if (c == ',') c = '.';
  try {
    return db::Decimal::parse(t);
  } catch (const std::exception&) {
    // Not a plain decimal: read below as a number with an exponent, or refused.
  }
  // Exponent forms ("1.5E3"); no "inf" nor "nan".
  const bool dozwolone = !t.empty() && t.find_first_not_of("0123456789+-.eE") == std::string::npos;
  const auto d = dozwolone ? parseDouble(t) : std::nullopt;
  if (d && std::isfinite(*d)) return *d;
  throw db::EngineError(db::errc::kConversion, "Nie można porównać wartości '" + s + "' z liczbą ani datą");
}

// Two numbers or dates by value.
bool rowneLiczbowo(const db::Value& a, const db::Value& b) {
  const bool dataA = jestDataCzasem(a), dataB = jestDataCzasem(b);
  if (!dataA && !dataB) return db::valuesEqual(a, b, false);
  if (dataA && dataB) return mikrosekundy(a) == mikrosekundy(b);
  const db::Value& data = dataA ? a : b;
  const db::Value& liczba = dataA ? b : a;
  if (const auto* i = std::get_if<std::int64_t>(&liczba))
    return mikrosekundy(data) == static_cast<__int128>(*i) * kMikrosekundDoby;
  return db::valueToDouble(data) == db::valueToDouble(liczba);
}

// Makes current the entry of `dataset` whose key fields (`lista`) equal `klucz`. An entry without a key
// is found nowhere, and so is any entry when the list names a field the dataset lacks: that list's own
// key reads fail and are reported entry by entry in the pass over this side.
bool znajdzWpis(db::Dataset& dataset, const std::string& lista, const KluczSlownika& klucz) {
  if (klucz.empty()) return false;
  for (const std::string& nazwa : splitList(lista))
    if (!dataset.findField(nazwa)) return false;
  return dataset.locate(lista, klucz, false);
}

}  // namespace

std::string KluczNaTekst(const KluczSlownika& klucz) {
  if (klucz.size() == 1) return db::valueToText(klucz.front());
  std::string out;
  for (const db::Value& v : klucz) out += db::valueToText(v) + ";";
  return out;
}

bool RowneWartosciSlownika(const db::Value& paradox, const db::Value& firebird) {
  if (db::isNull(paradox) || db::isNull(firebird)) return db::isNull(paradox) && db::isNull(firebird);
  auto jakoTekst = [](const db::Value& v) -> db::Value {
    if (const auto* b = std::get_if<bool>(&v)) return WartoscTN(*b);
    return v;
  };
  const db::Value p = jakoTekst(paradox);
  const db::Value f = jakoTekst(firebird);
  const bool tekstP = jestTekstem(p), tekstF = jestTekstem(f);
  if (tekstP && tekstF) return tekst(p) == tekst(f);
  if (std::holds_alternative<db::Bytes>(p) || std::holds_alternative<db::Bytes>(f))
    throw db::EngineError(db::errc::kConversion, "Nie można porównać danych binarnych z liczbą ani datą");
  if (tekstP) return rowneLiczbowo(liczbaZTekstu(tekst(p)), f);
  if (tekstF) return rowneLiczbowo(p, liczbaZTekstu(tekst(f)));
  return rowneLiczbowo(p, f);
}

bool WstawWartosciZTabeli(TPrzebieg& przebieg, db::Dataset& dataset, StronaSlownika strona,
                          KluczSlownika& klucz) {
  const bool paradox = strona == StronaSlownika::Paradox;
  TdmKonw& dm = przebieg.dane();
  TLogKonwersji& log = przebieg.log();
  try {
    const std::string lista =
        dm.tblLista.fieldByName(paradox ? "KLUCZ_SLOWNIKA" : "KLUCZ_SLOWNIKA_IB").asString();
    KluczSlownika odczytany;
    for (const std::string& nazwa : splitList(lista)) odczytany.push_back(dataset.fieldByName(nazwa).value());
    klucz = std::move(odczytany);
    return true;
  } catch (...) {
    // Whatever stopped the read is reported in the run's error block below.
    log.ZapiszKomunikat("*** Błąd przy pobieraniu wartości z klucza słownika. ***",
                        kOgolny | kBledy | kBledyKrytyczne);
    try {
      db::Table& l = dm.tblLista;
      log.ZapiszKomunikat(
          "  Identyfikator tabeli: " + l.fieldByName("IDTF").asString() + "\r\n" +
              "  słownik: " + l.fieldByName(paradox ? "TABELA" : "TABELA_IB").asString() + "\r\n" +
              "  klucz: " + l.fieldByName(paradox ? "KLUCZ_SLOWNIKA" : "KLUCZ_SLOWNIKA_IB").asString(),
          kOgolny | kBledy | kBledyKrytyczne);
    } catch (const db::EngineError&) {
      // The list's row cannot be read either: the error block below still names the operation.
    }
    log.ZapiszBlad(kMiejsceKlucza);
    log.ZglosBlad(kMiejsceKlucza, "Błąd przy pobieraniu wartości z klucza słownika.", "");
    return false;
  }
}

void TPrzebieg::PorownajZawartoscTabeliSlownikow() {
  if (flagi_.Przerwano) return;
  TdmKonw& dm = dane();
  try {
    db::Table& lista = dm.tblLista;
    const std::string tabelaPdx = lista.fieldByName("TABELA").asString();
    const std::string tabelaIb = lista.fieldByName("TABELA_IB").asString();
    const std::string kluczPdx = lista.fieldByName("KLUCZ_SLOWNIKA").asString();
    const std::string kluczIb = lista.fieldByName("KLUCZ_SLOWNIKA_IB").asString();

    db::Query& pdx = dm.qryParadox;
    db::Query& ib = dm.qryInterbase;
    pdx.clearSql();
    pdx.addSql("Select * From" + quoteIdentifier(tabelaPdx));
    pdx.open();
    ib.clearSql();
    ib.addSql("Select * From" + quoteIdentifier(tabelaIb));
    ib.open();
    // The dictionary's rows are all read for the comparison anyway: counted as they are fetched, not by
    // a statement of its own.
    const std::int64_t liczbaIb = ib.recordCount();

    ui_.setBar(Pasek::Tabela, 0, static_cast<int>(pdx.recordCount() + liczbaIb));

    std::int32_t LiczbaDodanych = 0, LiczbaUsunietych = 0, LiczbaZmienionych = 0;
    // A key that could not be read leaves the previous one; before the first read there is none.
    KluczSlownika klucz;

    for (pdx.first(); !pdx.eof();) {
      WstawWartosciZTabeli(*this, pdx, StronaSlownika::Paradox, klucz);
      if (!znajdzWpis(ib, kluczIb, klucz)) ++LiczbaDodanych;
      ui_.processMessages();
      if (flagi_.Przerwano) break;
      ui_.stepBar(Pasek::Tabela);
      pdx.next();
    }
    if (LiczbaDodanych >= 1)
      log_.ZapiszKomunikat("  Ilość haseł dodanych w formacie Firebird: " + std::to_string(LiczbaDodanych),
                           kOgolny);

    if (!flagi_.Przerwano) {
      for (ib.first(); !ib.eof();) {
        WstawWartosciZTabeli(*this, ib, StronaSlownika::Firebird, klucz);
        if (!znajdzWpis(pdx, kluczPdx, klucz)) {
          if (++LiczbaUsunietych == 1)
            log_.ZapiszKomunikat("  Klucze haseł usuniętych z formatu Firebird: ", kDodatkoweInfo);
          log_.ZapiszKomunikat("    " + KluczNaTekst(klucz), kDodatkoweInfo);
        } else {
          std::string zmienione;
          for (int j = 0; j < pdx.fieldCount(); ++j) {
            if (j >= ib.fieldCount())
              throw db::EngineError(db::errc::kNotFound, "Tabela " + tabelaIb + " ma mniej pól niż tabela " +
                                                             tabelaPdx + " formatu Paradox");
            const db::Field& poleP = pdx.field(j);
            const db::Value wartoscP = poleP.dataType() == db::FieldType::Boolean
                                           ? db::Value{WartoscTN(poleP.asBoolean())}
                                           : poleP.value();
            if (RowneWartosciSlownika(wartoscP, ib.field(j).value())) continue;
            if (zmienione.empty()) {
              log_.ZapiszKomunikat("  Klucz hasła zmienionego: " + KluczNaTekst(klucz), kDodatkoweInfo);
            } else {
              zmienione += ", ";
            }
            zmienione += poleP.name();
          }
          if (!zmienione.empty()) {
            ++LiczbaZmienionych;
            log_.ZapiszKomunikat("    Zmiana w polach: " + zmienione, kDodatkoweInfo);
          }
        }
        ui_.processMessages();
        if (flagi_.Przerwano) break;
        ui_.stepBar(Pasek::Tabela);
        ib.next();
      }
    }

    if (LiczbaUsunietych >= 1)
      log_.ZapiszKomunikat("  Ilość haseł usuniętych z formatu Firebird: " + std::to_string(LiczbaUsunietych),
                           kOgolny | kDodatkoweInfo);
    if (LiczbaZmienionych >= 1)
      log_.ZapiszKomunikat(
          "  Ilość haseł zmienionych przez użytkownika: " + std::to_string(LiczbaZmienionych),
          kOgolny | kDodatkoweInfo);
    if (LiczbaUsunietych >= 1 || LiczbaZmienionych >= 1)
      log_.ZapiszKomunikat("      (szczegółowe informacje: zakładki \"" + std::string(kPodpisStronyWynikow) +
                               "\"-\"" + kPodpisyStronLogow[1] + "\")",
                           kOgolny);
    pdx.close();
    ib.close();
  } catch (...) {
    log_.ZapiszBlad(kMiejsce);
    throw;
  }
}

}  // namespace konw
