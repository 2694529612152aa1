// What a conversion would meet, found before it.
#include "convert/przewidywanie.h"

#include <algorithm>

#include "control/konwersja_dm.h"
#include "convert/wiersze_kopii.h"
#include "db/engine.h"
#include "db/firebird/charset.h"
#include "platform/text.h"

namespace konw {

void PrzewidzKopie(TdmKonw& dm, db::Table& zrodlo, const std::string& tabelaPdx, const std::string& tabelaIb,
                   std::int64_t& wiersze,
                   const std::function<void(const WartoscDoSprawdzenia&)>& znaleziona) {
  const std::vector<Wiazanie> wiazania = PrzygotujInsert(dm, zrodlo, tabelaPdx, tabelaIb);
  // The INSERT's columns, in its order: every one but the computed ones.
  std::vector<db::FieldDef> kolumny;
  for (const db::FieldDef& k : dm.DBi.describeTable(tabelaIb).fields)
    if (!k.computed) kolumny.push_back(k);
  db::Query& insert = dm.qryTemp;
  // The set the Firebird driver connects in, as it chooses it: the language driver's, else the
  // database's default.
  const db::firebird::Charset* polaczenie = nullptr;
  if (dm.DBi.driverName() == "INTRBASE") {
    std::optional<std::string> zestaw;
    if (auto ld = db::paramValue(dm.DBi.params(), "LANGDRIVER"))
      zestaw = db::firebird::charsetForLanguageDriver(*ld);
    if (!zestaw) {
      db::Query q;
      q.setDatabase(&dm.DBi);
      q.addSql("SELECT RDB$CHARACTER_SET_NAME FROM RDB$DATABASE");
      q.open();
      zestaw = db::firebird::charsetForDatabaseDefault(q.field(0).isNull() ? "" : q.field(0).asString());
    }
    polaczenie = db::firebird::Charset::find(*zestaw);
  }
  const OdmowaTekstu odmowa = [polaczenie](const std::string& t,
                                           const db::FieldDef& k) -> std::optional<DrogaTekstu> {
    if (!polaczenie || k.binary) return std::nullopt;
    auto droga = db::firebird::textOnItsWay(t, *polaczenie, k.charset);
    if (!droga) return std::nullopt;
    return DrogaTekstu{droga->refused, droga->reason};
  };
  std::vector<db::Param> parametry;
  for (const db::FieldDef& k : kolumny) parametry.emplace_back(k.name);

  // A column the INSERT names that neither a field nor a constant fills: the server gets no value for
  // it, and the first row is refused.
  std::vector<bool> wypelniona(kolumny.size(), false);
  for (const Wiazanie& w : wiazania) wypelniona[static_cast<std::size_t>(w.parametr)] = true;
  std::vector<std::size_t> stale;
  for (std::size_t k = 0; k < kolumny.size(); ++k)
    if (!wypelniona[k] && insert.paramByName(kolumny[k].name).bound()) stale.push_back(k);
  auto sprawdz = [&](std::uint64_t wiersz, const std::string& pole, const db::FieldDef& k,
                     const db::Value& v) {
    Przyjecie p = PrzyjecieWKolumnie(v, k, odmowa);
    if (p.skutek == Przyjecie::Skutek::Przyjeta) return;
    znaleziona({wiersz, OpisBiezacegoRekordu(zrodlo, tabelaPdx, wiersz), pole, k.name, wartosci::opis(v, k),
                std::move(p)});
  };

  wiersze = 0;
  const int pola = zrodlo.fieldCount();
  for (zrodlo.first(); !zrodlo.eof(); zrodlo.next(), ++wiersze) {
    const auto wiersz = static_cast<std::uint64_t>(wiersze);
    // Every field is read, the ones no column takes too: what the reader cannot read is said as well.
    for (int i = 0; i < pola; ++i) static_cast<void>(zrodlo.field(i).value());
    if (wiersze == 0) {
      for (std::size_t k = 0; k < kolumny.size(); ++k) {
        if (wypelniona[k]) continue;
        if (std::find(stale.begin(), stale.end(), k) != stale.end()) {
          sprawdz(wiersz, "", kolumny[k], insert.paramByName(kolumny[k].name).value());
          continue;
        }
        znaleziona({wiersz,
                    OpisBiezacegoRekordu(zrodlo, tabelaPdx, wiersz),
                    "",
                    kolumny[k].name,
                    "",
                    {Przyjecie::Skutek::Odrzucona,
                     "kolumna bez odpowiednika w tabeli Paradox nie dostanie wartości (No value for "
                     "parameter)"}});
      }
    }
    for (const Wiazanie& w : wiazania) {
      db::Param& p = parametry[static_cast<std::size_t>(w.parametr)];
      const db::Field& f = zrodlo.field(w.pole);
      try {
        UstawParametr(p, w, f.value());
      } catch (const db::EngineError& e) {
        // Text the Paradox table's own code page lacks, for a column that keeps bytes.
        znaleziona({wiersz,
                    OpisBiezacegoRekordu(zrodlo, tabelaPdx, wiersz),
                    f.name(),
                    kolumny[static_cast<std::size_t>(w.parametr)].name,
                    wartosci::opis(f.value()),
                    {Przyjecie::Skutek::Odrzucona, trim(e.what())}});
        continue;
      }
      sprawdz(wiersz, f.name(), kolumny[static_cast<std::size_t>(w.parametr)], p.value());
    }
  }
}

std::vector<std::string> TriggeryBazy(db::Database& baza) {
  db::Query q;
  q.setDatabase(&baza);
  q.addSql(
      "SELECT TRIM(RDB$TRIGGER_NAME), RDB$TRIGGER_TYPE FROM RDB$TRIGGERS WHERE RDB$RELATION_NAME IS NULL "
      "AND COALESCE(RDB$TRIGGER_INACTIVE, 0) = 0 AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
      "ORDER BY RDB$TRIGGER_NAME");
  q.open();
  std::vector<std::string> linie;
  for (; !q.eof(); q.next()) {
    const std::int64_t typ = q.field(1).asInteger();
    const char* kiedy = typ == 8192   ? "ON CONNECT"
                        : typ == 8193 ? "ON DISCONNECT"
                        : typ == 8194 ? "ON TRANSACTION START"
                        : typ == 8195 ? "ON TRANSACTION COMMIT"
                        : typ == 8196 ? "ON TRANSACTION ROLLBACK"
                                      : "na zmianę struktury bazy (DDL)";
    linie.push_back("trigger bazy " + trim(q.field(0).asString()) + " (" + kiedy + ")");
  }
  q.close();
  return linie;
}

}  // namespace konw
