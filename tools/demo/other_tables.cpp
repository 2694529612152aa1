// Tables outside the plan itself: long-term forecast, grants, attachments, and the working tables
// that the conversion leaves alone.
#include <fmt/format.h>

#include "tools/demo/tables.h"
#include "tools/demo/values.h"

namespace konw::demo {

void addOtherTables(std::vector<DemoTable>& out) {
  {
    DemoTable t =
        demoTable("WIELOLETNIA", "WIELOLETNIA", "ROK:A4,POZYCJA:A10,NAZWA:A200,KWOTA:$,PROGNOZA:#2", 2);
    // KWOTA is a money field in Paradox and exact NUMERIC in Firebird: no data is lost, but the
    // comparison sees Currency against BCD and reports it.
    t.fbPrimary = {"ROK", "POZYCJA"};
    const char* poz[][2] = {
        {"1", "Dochody ogółem"},
        {"1.1", "Dochody bieżące"},
        {"1.1.1", "Dochody z tytułu udziału we wpływach z podatku dochodowego od osób fizycznych"},
        {"1.2", "Dochody majątkowe"},
        {"2", "Wydatki ogółem"},
        {"2.1", "Wydatki bieżące"},
        {"2.2", "Wydatki majątkowe"},
        {"3", "Wynik budżetu"},
        {"6", "Kwota długu"}};
    Rng rng = Rng::forName(t.pdx);
    for (int rok = 2024; rok <= 2030; ++rok)
      for (const auto& p : poz) {
        const std::int64_t grosze = rng.between(100000000, 9000000000);
        db::Value prognoza =
            rok == 2024 ? null() : db::Value(db::Decimal{grosze + rng.between(0, 99999999), 2});
        t.rows.push_back({txt(std::to_string(rok)), txt(p[0]), txt(p[1]), zl(grosze), prognoza});
      }
    out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable(
        "DOTACJE", "DOTACJE",
        "IDDOT:+,ROK:A4,DZIAL:A3,ROZDZIAL:A5,PAR:A3,PAR4:A1,BENEFICJENT:A120,KWOTA:N,DATAUMOWY:D,ROZLICZONA:"
        "L",
        1);
    t.autoIncField = "IDDOT";
    t.fbPrimary = {"IDDOT"};
    const char* ben[] = {"Ludowy Klub Sportowy „Orzeł” Łubowo", "Stowarzyszenie Kobiet Wiejskich w Fałkowie",
                         "Ochotnicza Straż Pożarna w Woźnikach", "Parafia Rzymskokatolicka pw. św. Jakuba",
                         "Powiat Gnieźnieński"};
    Rng rng = Rng::forName(t.pdx);
    for (int i = 1; i <= 45; ++i) {
      const Chapter& c = chapters()[rng.below(chapters().size())];
      t.rows.push_back(
          {num(i), txt(i % 4 ? "2024" : "2023"), txt(c.dzial), txt(c.rozdzial), txt(i % 2 ? "236" : "231"),
           txt("0"), txt(ben[i % 5]), zl(rng.between(500000, 25000000)),
           day(i % 4 ? 2024 : 2023, static_cast<unsigned>(1 + i % 12), static_cast<unsigned>(1 + i % 28)),
           i % 6 == 0 ? null() : flag(i % 4 == 0)});
    }
    // The Firebird table was rebuilt by hand: a wider beneficiary and the date before the amount.
    // None of it is in the control tables, so the comparison reports both.
    t.fbColumns = mirrorColumns(t);
    t.fbColumns[6].sql = "VARCHAR(160)";
    std::swap(t.fbColumns[7], t.fbColumns[8]);
    out.push_back(std::move(t));
  }
  {
    DemoTable t =
        demoTable("ZALACZNIKI", "ZALACZNIKI", "IDZAL:+,NAZWAPLIKU:A80,ZAWARTOSC:B10,OPIS:M20,DATADOD:@", 1);
    t.autoIncField = "IDZAL";
    t.fbPrimary = {"IDZAL"};
    Rng rng = Rng::forName(t.pdx);
    for (int i = 1; i <= 8; ++i) {
      std::string bytes = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
      for (int k = 0; k < 200 * i; ++k) bytes.push_back(static_cast<char>(rng.below(256)));
      t.rows.push_back(
          {num(i), txt(fmt::format("uchwala_XL_{}_2024.pdf", 200 + i)),
           i == 5 ? null() : db::Value(db::Bytes{bytes}),
           i % 2 ? txt("Skan uchwały z podpisami radnych") : null(),
           stamp(2024, static_cast<unsigned>(i), 10 + static_cast<unsigned>(i), 9 + i, 5 * i, i)});
    }
    out.push_back(std::move(t));
  }
  {
    // Local tax rates. One rate was entered without a year; the copy gives that key field 0.
    DemoTable t = demoTable("STAWKI", "STAWKI", "ROK:I,RODZAJ:A10,STAWKA:N,JEDNOSTKA:A10,OPIS:A120", 2);
    t.fbPrimary = {"ROK", "RODZAJ"};
    t.rows = {
        {null(), txt("GRUNTY-IN"), real(0.2), txt("zł/m2"),
         txt("Grunty pozostałe, stawka z uchwały z 1999 r.")},
        {num(2023), txt("BUD-MIESZ"), real(0.99), txt("zł/m2"), txt("Budynki mieszkalne")},
        {num(2023), txt("BUD-DZIAL"), real(25.74), txt("zł/m2"),
         txt("Budynki związane z działalnością gospodarczą")},
        {num(2024), txt("BUD-MIESZ"), real(1.15), txt("zł/m2"), txt("Budynki mieszkalne")},
        {num(2024), txt("BUD-DZIAL"), real(28.78), txt("zł/m2"),
         txt("Budynki związane z działalnością gospodarczą")},
        {num(2024), txt("BUDOWLE"), real(2.0), txt("%"), txt("Budowle - od wartości")},
        {num(2024), txt("ROLNY"), real(158.83), txt("zł/ha"), null()},
        {num(2024), txt("LESNY"), real(53.50), txt("zł/ha"), txt("Podatek leśny od 1 ha fizycznego")},
    };
    out.push_back(std::move(t));
  }
  {
    // Nothing was ever sent, so the column that only Firebird has costs no row.
    DemoTable t = demoTable("POWIADOMIENIA", "POWIADOMIENIA", "IDPOW:I,ADRESAT:A60,TRESC:A200", 1);
    t.fbPrimary = {"IDPOW"};
    t.fbColumns = mirrorColumns(t);
    t.fbColumns.push_back({"PRIORYTET", "SMALLINT"});
    out.push_back(std::move(t));
  }
  {
    // Listed, but this unit never used it: there is no Paradox file.
    DemoTable t = demoTable("ARCHPLAN", "ARCHPLAN", "ID:I,ROK:A4,DZIAL:A3,ROZDZIAL:A5,PAR:A3,KWOTA:N", 1);
    t.writePdx = false;
    t.fbPrimary = {"ID"};
    out.push_back(std::move(t));
  }
  {
    // The change history stays in Paradox: ListaTabelSkip names it.
    DemoTable t = demoTable("HISTORIA", "", "IDH:+,DATA:@,UZYTKOWNIK:A20,OPERACJA:A120", 1);
    t.listed = false;
    t.skipped = true;
    const char* ops[] = {"Dopisanie pozycji planu", "Zmiana kwoty planu", "Usunięcie pozycji wykonania",
                         "Wydruk sprawozdania Rb-27S", "Zamknięcie miesiąca"};
    for (int i = 1; i <= 120; ++i)
      t.rows.push_back({num(i),
                        stamp(2024, static_cast<unsigned>(1 + i / 11), static_cast<unsigned>(1 + i % 28),
                              8 + i % 9, i % 60, (i * 7) % 60),
                        txt(i % 3 ? "skarbnik" : "ksiegowa"), txt(ops[i % 5])});
    out.push_back(std::move(t));
  }
  for (const char* name : {"TMPRAP", "WYDRUKI"}) {
    // Working tables of reports, named by no control table: the run lists them as skipped.
    DemoTable t = demoTable(name, "", "LP:I,TEKST:A120,WARTOSC:N", 0);
    t.listed = false;
    for (int i = 1; i <= 5; ++i)
      t.rows.push_back(
          {num(i), txt(fmt::format("Wiersz zestawienia nr {}", i)), i == 3 ? null() : zl(i * 123456)});
    out.push_back(std::move(t));
  }
  {
    // Only the Firebird edition keeps an event log.
    DemoTable t;
    t.fb = "LOGZDARZEN";
    t.writePdx = false;
    t.listed = false;
    t.fbColumns = {{"ID", "INTEGER NOT NULL"}, {"CZAS", "TIMESTAMP"}, {"OPIS", "VARCHAR(200)"}};
    t.fbPrimary = {"ID"};
    out.push_back(std::move(t));
  }
}

}  // namespace konw::demo
