// Plans, executions, reports and resolutions: the tables that hold the unit's budget itself.
#include <fmt/format.h>

#include <algorithm>

#include "tools/demo/tables.h"
#include "tools/demo/values.h"

namespace konw::demo {

namespace {

const Paragraph& paragraphOf(Rng& rng, char typ) {
  const auto& all = paragraphs();
  for (;;) {
    const auto& p = all[rng.below(all.size())];
    if (p.typ == typ) return p;
  }
}

std::string taskCode(Rng& rng) {
  return fmt::format("Z{:03}", rng.between(1, 40));
}

// Splits the large-table row count: plans are smaller than the monthly executions.
std::int64_t share(std::int64_t rows, int percent) {
  return rows * percent / 100;
}

const char* kSourceDigits = "0789";

// Rows 1..n of `t`, each made by `row` for a classification position drawn at random: a chapter and a
// paragraph of revenue (revenue = true) or expenditure, from the table's own random sequence.
template <class MakeRow>
void fillPositions(DemoTable& t, std::int64_t n, bool revenue, MakeRow row) {
  Rng rng = Rng::forName(t.pdx);
  t.rows.reserve(static_cast<std::size_t>(n));
  const auto& ch = chapters();
  for (std::int64_t i = 1; i <= n; ++i) {
    const Chapter& c = ch[rng.below(ch.size())];
    const Paragraph& p = paragraphOf(rng, revenue ? 'D' : 'W');
    t.rows.push_back(row(i, rng, c, p));
  }
}

// A plan of revenue (revenue = true) or expenditure: one row per classification position and task.
void fillPlan(DemoTable& t, std::int64_t n, bool revenue) {
  fillPositions(t, n, revenue, [revenue](std::int64_t i, Rng& rng, const Chapter& c, const Paragraph& p) {
    const std::int64_t plan = rng.between(1000, 250000000);
    const std::int64_t change = rng.chance(30) ? rng.between(-plan / 5, plan / 4) : 0;
    db::Row r;
    r.reserve(12);
    r.push_back(num(i));
    r.push_back(txt(i % 3 == 0 ? "2023" : "2024"));
    r.push_back(txt(c.dzial));
    r.push_back(txt(c.rozdzial));
    r.push_back(txt(p.par));
    r.push_back(rng.chance(10) ? null() : txt(std::string(1, kSourceDigits[rng.below(4)])));
    if (!revenue) r.push_back(txt(p.par[0] == '6' ? "MJ" : (p.par[0] == '3' ? "SW" : "WB")));
    r.push_back(rng.chance(40) ? null() : txt(taskCode(rng)));
    r.push_back(zl(plan + change));
    r.push_back(zl(plan));
    r.push_back(change != 0 ? day(2024, static_cast<unsigned>(rng.between(1, 12)),
                                  static_cast<unsigned>(rng.between(1, 28)))
                            : null());
    if (revenue) r.push_back(rng.chance(5) ? txt("Korekta wg uchwały Rady Gminy") : null());
    return r;
  });
}

// Monthly execution of revenue or expenditure.
void fillExecution(DemoTable& t, std::int64_t n, bool revenue) {
  fillPositions(t, n, revenue, [revenue](std::int64_t i, Rng& rng, const Chapter& c, const Paragraph& p) {
    const std::int64_t a = rng.between(0, 9000000);
    db::Row r;
    r.reserve(12);
    r.push_back(num(i));
    r.push_back(txt("2024"));
    r.push_back(num(static_cast<std::int64_t>(1 + (i - 1) % 12)));
    r.push_back(txt(c.dzial));
    r.push_back(txt(c.rozdzial));
    r.push_back(txt(p.par));
    r.push_back(rng.chance(10) ? null() : txt(std::string(1, kSourceDigits[rng.below(4)])));
    if (revenue) {
      r.push_back(zl(a + rng.between(0, 50000)));
      r.push_back(zl(a));
      r.push_back(rng.chance(70) ? zl(0) : zl(rng.between(100, 200000)));
      r.push_back(rng.chance(90) ? null() : zl(rng.between(1, 5000)));
    } else {
      r.push_back(zl(a));
      r.push_back(zl(a + rng.between(0, 300000)));
      r.push_back(rng.chance(95) ? zl(0) : zl(rng.between(100, 30000)));
      r.push_back(
          day(2024, static_cast<unsigned>(1 + (i - 1) % 12), static_cast<unsigned>(rng.between(1, 28))));
    }
    return r;
  });
}

// Report rows with the gaps a user's data really has: a missing year, quarter or value text.
void fillReport(DemoTable& t, int n) {
  Rng rng = Rng::forName(t.pdx);
  const char* kinds[] = {"Rb-27S", "Rb-28S", "Rb-NDS", "Rb-Z", "Rb-N"};
  const auto& ch = chapters();
  for (int i = 1; i <= n; ++i) {
    const Chapter& c = ch[rng.below(ch.size())];
    t.rows.push_back(
        {num(i), i % 11 == 0 ? null() : txt("2024"), i % 7 == 0 ? null() : txt(std::to_string(1 + i % 4)),
         txt(kinds[rng.below(5)]), txt(c.dzial), txt(c.rozdzial),
         rng.chance(20) ? null() : txt(paragraphs()[rng.below(paragraphs().size())].par),
         i % 5 == 0 ? null() : txt(fmt::format("W{}", rng.between(1, 9))), zl(rng.between(0, 90000000))});
  }
}

const char* kPlanIndex = "IDX_KLASYF";

}  // namespace

void addBudgetTables(std::vector<DemoTable>& out, std::int64_t rows, bool jb) {
  {
    DemoTable t = demoTable(
        "PLANDOCH", "PLANDOCH",
        "ID:+,ROK:A4,DZIAL:A3,ROZDZIAL:A5,PAR:A3,PAR4:A1,ZADANIE:A10,KWOTA:N,KWOTAPIERW:N,DATAZM:D,UWAGA:"
        "A80",
        1);
    t.large = true;
    t.autoIncField = "ID";
    t.tdef.secondary = {{kPlanIndex, {"DZIAL", "ROZDZIAL", "PAR"}, true}};
    t.fbPrimary = {"ID"};
    // Firebird's reports need one more index; Paradox never had it.
    t.fbIndexes = {{"DZIAL", "ROZDZIAL", "PAR"}, {"ROK", "DZIAL", "ROZDZIAL"}};
    t.skipFbIndexes = {"ROK;DZIAL;ROZDZIAL"};
    const std::int64_t n = share(rows, 15);
    t.fill = [n](DemoTable& d) { fillPlan(d, n, true); };
    if (!jb) out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable(
        "PLANWYD", "PLANWYD",
        "ID:+,ROK:A4,DZIAL:A3,ROZDZIAL:A5,PAR:A3,PAR4:A1,GRUPA:A2,ZADANIE:A10,KWOTA:N,KWOTAPIERW:N,DATAZM:D",
        1);
    t.large = t.dizez = true;
    t.autoIncField = "ID";
    t.tdef.secondary = {{kPlanIndex, {"DZIAL", "ROZDZIAL", "PAR"}, true}, {"", {"ZADANIE"}, true}};
    t.fieldMap = {{"GRUPA", "GRUPA_WYD"}};
    t.fbPrimary = {"ID"};
    t.fbIndexes = {{"DZIAL", "ROZDZIAL", "PAR"}};
    t.skipPdxIndexes = {"ZADANIE"};
    const std::int64_t n = jb ? std::min<std::int64_t>(share(rows, 25) / 10, 20000) : share(rows, 25);
    t.fill = [n](DemoTable& d) { fillPlan(d, n, false); };
    out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable(
        "WYKDOCH", "WYKDOCH",
        "ID:+,ROK:A4,MIESIAC:S,DZIAL:A3,ROZDZIAL:A5,PAR:A3,PAR4:A1,NALEZNOSCI:N,DOCHODY:N,ZALEGLOSCI:N,"
        "NADPLATY:N",
        1);
    t.large = true;
    t.autoIncField = "ID";
    t.tdef.secondary = {{"", {"ROK"}, true}};
    t.fbPrimary = {"ID"};
    // Paradox's index on ROK has only a longer Firebird counterpart: reported, not accepted.
    t.fbIndexes = {{"ROK", "MIESIAC"}};
    const std::int64_t n = share(rows, 25);
    t.fill = [n](DemoTable& d) { fillExecution(d, n, true); };
    if (!jb) out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable(
        "WYKWYD", "WYKWYD",
        "ID:+,ROK:A4,MIESIAC:S,DZIAL:A3,ROZDZIAL:A5,PAR:A3,PAR4:A1,WYDATKI:N,ZOBOWIAZANIA:N,ZOBWYMAG:N,"
        "DATAOPER:D",
        1);
    t.large = t.dizez = true;
    t.autoIncField = "ID";
    t.tdef.secondary = {{kPlanIndex, {"DZIAL", "ROZDZIAL", "PAR"}, true}};
    t.fbPrimary = {"ID"};
    t.fbIndexes = {{"DZIAL", "ROZDZIAL", "PAR"}};
    std::int64_t n = rows - share(rows, 15) - share(rows, 25) - share(rows, 25);
    if (jb) n = std::min<std::int64_t>(n / 10, 20000);
    t.fill = [n](DemoTable& d) { fillExecution(d, n, false); };
    out.push_back(std::move(t));
  }
  for (const char* name : {"SPRAWPLAN", "JBSPRAWPLAN"}) {
    DemoTable t = demoTable(
        name, name, "IDSP:+,ROK:A4,KWARTAL:A1,TYPSPR:A10,DZIAL:A3,ROZDZIAL:A5,PAR:A3,VAL1:A20,KWOTA:N", 1);
    t.dizez = name[0] == 'J';
    if (jb && !t.dizez) continue;
    t.autoIncField = "IDSP";
    t.tdef.secondary = {{"IDX_SPR", {"TYPSPR", "DZIAL", "ROZDZIAL"}, true}};
    t.fbPrimary = {"IDSP"};
    t.fbIndexes = {{"TYPSPR", "DZIAL", "ROZDZIAL"}};
    fillReport(t, t.dizez ? 120 : 300);
    out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable("UWAGI", "UWAGI", "IDUW:+,ROK:A4,PT:A3,TYPSPR:A10,UWAGI:M20,AUTOR:A40", 1);
    t.dizez = true;
    t.autoIncField = "IDUW";
    t.fbPrimary = {"IDUW"};
    t.rows = {
        {num(1), txt("2024"), txt("I"), txt("Rb-27S"),
         txt("Dochody z podatku od nieruchomości wyższe o 4% od planu."), txt("Wiśniewska")},
        {num(2), txt("2024"), txt("II"), txt("Rb-28S"), txt("   "), txt("Wiśniewska")},
        {num(3), txt("2023"), txt("IV"), txt("Rb-28S"), txt(" Zobowiązania wymagalne spłacone w styczniu. "),
         null()},
        {num(4), txt("2023"), null(), txt("Rb-N"), null(), txt("Żółkiewska")},
        {num(5), null(), txt("III"), null(), txt("\r\n\t "), txt("Żółkiewska")},
        {num(6), txt("2024"), txt("I"), txt("Rb-Z"), txt(" ą "), txt("Szczęsny")},
    };
    // The Firebird edition keeps a two-character year and a one-character period.
    t.fbColumns = mirrorColumns(t);
    t.fbColumns[1].sql = "VARCHAR(2)";
    t.fbColumns[2].sql = "VARCHAR(1)";
    t.sizes = {{"ROK", 4, 2}, {"PT", 3, 1}};
    out.push_back(std::move(t));
  }
  if (!jb) {
    DemoTable t =
        demoTable("BILTOBESTIAMAP", "BILTOBESTIAMAP", "TYPSPR:A10,POZBIL:A10,POZBESTIA:A10,OPIS:A80", 2);
    t.fbPrimary = {"TYPSPR", "POZBIL"};
    // Rows without a report kind are leftovers of an old release; Firebird refuses them.
    t.fbCheck = "CHECK (TRIM(\"TYPSPR\") <> '')";
    t.rows = {
        {null(), txt("A.II.1"), txt("0110"), txt("Pozycja bez rodzaju sprawozdania")},
        {null(), txt("B.III"), txt("0310"), null()},
        {txt("BILANS"), txt("A.I"), txt("0100"), txt("Wartości niematerialne")},
        {txt("BILANS"), txt("A.II.1"), txt("0110"), txt("Środki trwałe")},
        {txt("BILANS"), txt("B.III"), txt("0310"), txt("Środki pieniężne")},
        {txt("RZIS"), txt("A"), txt("1000"), txt("Przychody netto z podstawowej działalności")},
        {txt("RZIS"), txt("B"), txt("2000"), txt("Koszty działalności operacyjnej")},
    };
    out.push_back(std::move(t));
  }
  if (!jb) {
    DemoTable t = demoTable(
        "ZMIANYPLANU", "ZMIANYPLANU",
        "IDZM:+,NRUCHWALY:A20,DATAUCHW:D,DZIAL:A3,ROZDZIAL:A5,PAR:A3,PAR4:A1,KWOTA:N,TYPZM:A1,OPIS:M20,"
        "STARYKOD:A10",
        1);
    t.autoIncField = "IDZM";
    // STARYKOD went away with the Firebird edition: the comparison reports it and the copy drops it.
    t.fbPrimary = {"IDZM"};
    static const char* kSessions[] = {"XL", "XLI", "XLII", "XLIII"};
    Rng rng = Rng::forName(t.pdx);
    for (int i = 1; i <= 60; ++i) {
      const Chapter& c = chapters()[rng.below(chapters().size())];
      const char typ = rng.chance(50) ? 'D' : 'W';
      t.rows.push_back(
          {num(i), txt(fmt::format("{}/{}/2024", kSessions[i % 4], 200 + i / 4)),
           day(2024, static_cast<unsigned>(1 + i % 12), static_cast<unsigned>(1 + i % 27)), txt(c.dzial),
           txt(c.rozdzial), txt(paragraphOf(rng, typ).par), i % 6 == 0 ? null() : txt("0"),
           zl(rng.between(-5000000, 9000000)), txt(std::string(1, typ)),
           i % 3 == 0 ? txt(fmt::format("Zmiana planu w rozdziale {} na wniosek kierownika jednostki.\r\n"
                                        "Źródło: zwiększenie dochodów własnych.",
                                        c.rozdzial))
                      : null(),
           i % 4 == 0 ? txt(fmt::format("K{:04}", i)) : null()});
    }
    t.fbColumns = mirrorColumns(t);
    t.fbColumns.pop_back();  // STARYKOD
    out.push_back(std::move(t));
  }
  if (!jb) {
    DemoTable t = demoTable("UCHWALY", "UCHWALY",
                            "IDUCHW:+,NUMER:A20,DATA:D,TYTUL:A200,TRESC:M40,ORGAN:A1,OBOWIAZUJE:L", 1);
    t.autoIncField = "IDUCHW";
    t.tdef.secondary = {{"", {"NUMER"}, true}};
    t.fbPrimary = {"IDUCHW"};
    t.fbIndexes = {{"NUMER"}};
    const char* tytuly[] = {"w sprawie uchwały budżetowej Gminy Łubowo na rok 2024",
                            "w sprawie zmian w budżecie gminy na 2024 rok",
                            "w sprawie wieloletniej prognozy finansowej Gminy Łubowo",
                            "w sprawie zaciągnięcia kredytu długoterminowego",
                            "w sprawie udzielenia pomocy finansowej Powiatowi Gnieźnieńskiemu"};
    for (int i = 1; i <= 25; ++i)
      t.rows.push_back(
          {num(i), txt(fmt::format("{}/{}/{}", i < 10 ? "XXXIX" : "XL", 180 + i, i < 4 ? 2023 : 2024)),
           day(i < 4 ? 2023 : 2024, static_cast<unsigned>(1 + i % 12),
               static_cast<unsigned>(1 + (i * 3) % 28)),
           txt(tytuly[i % 5]),
           i % 2 ? txt(fmt::format("§ 1. {}.\r\n§ 2. Wykonanie uchwały powierza się Wójtowi Gminy.\r\n"
                                   "§ 3. Uchwała wchodzi w życie z dniem podjęcia.",
                                   tytuly[i % 5]))
                 : null(),
           txt(i % 3 ? "R" : "W"), i % 4 == 0 ? null() : flag(i % 7 != 0)});
    out.push_back(std::move(t));
  }
  if (!jb) {
    DemoTable t = demoTable("ZADANIA", "ZADANIA", "KOD:A10,NAZWA:A120,DZIAL:A3,ROZDZIAL:A5,WIELOLETNIE:L", 1);
    t.fbPrimary = {"KOD"};
    const char* zad[] = {"Przebudowa drogi gminnej w Łubowie",    "Budowa sieci wodociągowej w Woźnikach",
                         "Termomodernizacja szkoły w Łubowie",    "Zakup samochodu dla OSP Fałkowo",
                         "Remont świetlicy wiejskiej w Myszkach", "Oświetlenie uliczne w Owieczkach"};
    for (int i = 1; i <= 40; ++i) {
      const Chapter& c = chapters()[static_cast<std::size_t>(i * 7) % chapters().size()];
      t.rows.push_back({txt(fmt::format("Z{:03}", i)),
                        txt(fmt::format("{} - etap {}", zad[i % 6], 1 + i / 6)), txt(c.dzial),
                        txt(c.rozdzial), i % 5 == 0 ? null() : flag(i % 3 == 0)});
    }
    // Firebird puts the classification before the name; the control tables accept the new order.
    t.fbColumns = {{"KOD", "VARCHAR(10) NOT NULL"},
                   {"DZIAL", "VARCHAR(3)"},
                   {"ROZDZIAL", "VARCHAR(5)"},
                   {"NAZWA", "VARCHAR(120)"},
                   {"WIELOLETNIE", "CHAR(1)"}};
    t.orders = {{"NAZWA", 2, 4}, {"DZIAL", 3, 2}, {"ROZDZIAL", 4, 3}};
    out.push_back(std::move(t));
  }
  {
    DemoTable t =
        demoTable("JEDNOSTKI", "JEDNOSTKI",
                  "IDJEDN:+,SYMBOL:A10,NAZWA:A120,REGON:A9,NIP:A13,ADRES:A80,DYREKTOR:A60,DATAOTW:D", 1);
    t.dizez = true;
    t.autoIncField = "IDJEDN";
    t.tdef.secondary = {{"", {"SYMBOL"}, true}};
    t.fbPrimary = {"IDJEDN"};
    t.fbIndexes = {{"SYMBOL"}};
    t.rows = {
        {num(1), txt("UG"), txt("Urząd Gminy Łubowo"), txt("631258960"), txt("784-10-22-333"),
         txt("Łubowo 26, 62-260 Łubowo"), txt("Jerzy Szczęsny"), day(1990, 5, 27)},
        {num(2), txt("SP-LUB"), txt("Szkoła Podstawowa im. Marii Konopnickiej w Łubowie"), txt("000987654"),
         null(), txt("ul. Szkolna 3, 62-260 Łubowo"), txt("Anna Kołodziej"), day(1999, 9, 1)},
        {num(3), txt("GOPS"), txt("Gminny Ośrodek Pomocy Społecznej w Łubowie"), txt("631000111"),
         txt("784-10-99-001"), txt("Łubowo 26, 62-260 Łubowo"), null(), day(1991, 1, 1)},
        {num(4), txt("GBP"), txt("Gminna Biblioteka Publiczna w Łubowie"), null(), null(), null(), null(),
         null()},
        {num(7), txt("PRZ-F"), txt("Przedszkole Samorządowe w Fałkowie"), txt("301234567"), null(),
         txt("Fałkowo 12, 62-260 Łubowo"), txt("Beata Żak"), day(2012, 9, 1)},
    };
    out.push_back(std::move(t));
  }
  if (!jb) {
    DemoTable t = demoTable("HARMONOGRAM", "HARMONOGRAM",
                            "ROK:A4,MIESIAC:S,DZIAL:A3,ROZDZIAL:A5,KWOTA:N,GODZWPROW:T,ZATWIERDZONY:L", 0);
    // A working table without any key on either side; the control tables accept that.
    t.skipNoIndex = true;
    Rng rng = Rng::forName(t.pdx);
    for (int m = 1; m <= 12; ++m)
      for (int k = 0; k < 4; ++k) {
        const Chapter& c = chapters()[rng.below(chapters().size())];
        t.rows.push_back(
            {txt("2024"), num(m), txt(c.dzial), txt(c.rozdzial), zl(rng.between(100000, 90000000)),
             k == 3 ? null()
                    : clock(static_cast<int>(rng.between(7, 15)), static_cast<int>(rng.between(0, 59))),
             k == 2 ? null() : flag(m < 4)});
      }
    out.push_back(std::move(t));
  }
  // Buffers of imported plans: the main unit's in BUFOR, the subordinate units' in BUFOR\JO.
  for (const bool jo : {false, true}) {
    const char* name = jo ? "BUF_JBPLAN" : "BUF_PLANDOCH";
    DemoTable t = demoTable(name, name,
                            jo ? "ID:+,ROK:A4,DZIAL:A3,ROZDZIAL:A5,PAR:A3,KWOTA:N,JEDNOSTKA:A10"
                               : "ID:+,ROK:A4,DZIAL:A3,ROZDZIAL:A5,PAR:A3,PAR4:A1,KWOTA:N",
                            1);
    t.subdir = jo ? "BUFOR/JO" : "BUFOR";
    t.listed = false;
    t.fbPrimary = {"ID"};
    Rng rng = Rng::forName(t.pdx);
    for (int i = 1; i <= 30; ++i) {
      const Chapter& c = chapters()[rng.below(chapters().size())];
      db::Row r{num(i), txt("2025"), txt(c.dzial), txt(c.rozdzial),
                txt(paragraphOf(rng, jo ? 'W' : 'D').par)};
      if (jo) {
        r.push_back(zl(rng.between(1000, 5000000)));
        r.push_back(txt(i % 2 ? "SP-LUB" : "PRZ-F"));
      } else {
        r.push_back(i % 4 ? txt("0") : null());
        r.push_back(zl(rng.between(1000, 5000000)));
      }
      t.rows.push_back(std::move(r));
    }
    out.push_back(std::move(t));
  }
}

}  // namespace konw::demo
