// The budget unit's own tables (Params, Conf, users) and the dictionaries of the budget classification.
#include <fmt/format.h>

#include <set>

#include "tools/demo/tables.h"
#include "tools/demo/values.h"

namespace konw::demo {

void addUnitTables(std::vector<DemoTable>& out, bool jb) {
  {
    DemoTable t = demoTable(
        "Params", "PARAMS",
        "TypUzytk:A1,IdJST:I,TYPJST:A1,JedB:A1,NAZWA:A252,REGON:A9,WK:A2,PK:A2,GK:A2,GT:A2,PT:A1,"
        "Wojewodztwo:A40,Powiat:A40,Gmina:A40,TypGminy:A20,RIOw:A35,PostName:A35,MailAdr:A128,POP3:A80,"
        "SMTP:A80,POP3port:I,SMTPport:I,UserId:A30,PostPass:A15,SerwTime:I,KodRIO:A2,IsPost:L,ConectType:I",
        0);
    t.dizez = true;
    // One row, no key: the Firebird table has no index either, which the control tables accept.
    t.skipNoIndex = true;
    t.rows.push_back({txt(jb ? "B" : "J"),
                      num(300307),
                      txt("G"),
                      txt(jb ? "T" : "N"),
                      txt(jb ? "Szkoła Podstawowa im. Marii Konopnickiej w Łubowie" : "Gmina Łubowo"),
                      txt("631258960"),
                      txt("30"),
                      txt("03"),
                      txt("07"),
                      txt("2"),
                      null(),
                      txt("wielkopolskie"),
                      txt("gnieźnieński"),
                      txt("Łubowo"),
                      txt("gmina wiejska"),
                      txt("RIO w Poznaniu"),
                      txt("Urząd Gminy Łubowo"),
                      txt("skarbnik@lubowo.example.pl"),
                      txt("poczta.lubowo.example.pl"),
                      txt("poczta.lubowo.example.pl"),
                      num(110),
                      num(25),
                      txt("skarbnik"),
                      null(),
                      num(15),
                      txt("PO"),
                      flag(false),
                      num(1)});
    out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable("Conf", "CONF", "Kod:A10,ParStr:A60,ParInt:I,ParData:D,Opis:A80", 1);
    t.dizez = true;
    t.fbPrimary = {"KOD"};
    t.rows = {
        {txt("WerPl"), txt("3.67"), num(367), day(2024, 1, 15), txt("Wersja struktury danych")},
        {txt("RokBudz"), txt("2024"), num(2024), null(), txt("Bieżący rok budżetowy")},
        {txt("Waluta"), txt("PLN"), null(), null(), txt("Waluta planu i sprawozdań")},
        {txt("Zaokr"), txt("0.01"), num(2), null(), txt("Dokładność zaokrągleń kwot")},
        {txt("Archiwum"), txt("C:\\Kalmiro\\ARCHIWUM\\"), null(), day(2023, 12, 29),
         txt("Katalog kopii zapasowych")},
        {txt("OstKopia"), null(), null(), day(2024, 3, 28), txt("Data ostatniej kopii danych")},
    };
    out.push_back(std::move(t));
  }
  {
    DemoTable t =
        demoTable("USER", "USER_",
                  "IDUSER:+,LOGIN:A20,NAZWISKO:A40,IMIE:A30,HASLO:A32,UPRAWNIENIA:A20,ADMIN:L,AKTYWNY:L,"
                  "DATAUTW:@,OSTLOGOWANIE:@",
                  1);
    t.dizez = true;
    t.autoIncField = "IDUSER";
    t.tdef.secondary = {{"", {"LOGIN"}, true}};
    t.fbPrimary = {"IDUSER"};
    t.fbIndexes = {{"LOGIN"}};
    t.rows = {
        {num(1), txt("admin"), txt("Administrator"), null(), txt("5f4dcc3b5aa765d61d8327deb882cf99"),
         txt("WSZYSTKIE"), flag(true), flag(true), stamp(2019, 1, 2, 8, 0, 0), stamp(2024, 3, 28, 15, 42, 7)},
        {num(2), txt("skarbnik"), txt("Wiśniewska"), txt("Małgorzata"),
         txt("e10adc3949ba59abbe56e057f20f883e"), txt("PLAN;SPRAW"), flag(false), flag(true),
         stamp(2019, 1, 2, 8, 15, 0), stamp(2024, 3, 28, 14, 1, 55)},
        {num(3), txt("ksiegowa"), txt("Żółkiewska"), txt("Grażyna"), txt("25d55ad283aa400af464c76d713c07ad"),
         txt("SPRAW"), flag(false), flag(true), stamp(2020, 6, 1, 9, 30, 0), null()},
        {num(5), txt("wojt"), txt("Szczęsny"), txt("Jerzy"), null(), txt("PODGLĄD"), null(), flag(false),
         stamp(2021, 2, 11, 12, 0, 0), stamp(2022, 12, 30, 10, 5, 0)},
    };
    out.push_back(std::move(t));
  }
}

namespace {

// Marks every n-th entry from `from` (user's changes and additions spread through the dictionary).
std::vector<std::size_t> every(std::size_t count, std::size_t from, std::size_t n) {
  std::vector<std::size_t> out;
  for (std::size_t i = from; i < count; i += n) out.push_back(i);
  return out;
}

}  // namespace

void addDictionaries(std::vector<DemoTable>& out) {
  {
    DemoTable t = demoTable("DZIALY", "DZIALY", "DZIAL:A3,NAZWA:A120,AKTYWNY:L", 1);
    t.dictionary = t.dizez = true;
    t.dictKey = t.dictKeyIb = "DZIAL";
    t.fbPrimary = {"DZIAL"};
    std::set<std::string> seen;
    for (const auto& c : chapters())
      if (seen.insert(c.dzial).second) t.rows.push_back({txt(c.dzial), txt(c.nazwaDzialu), flag(true)});
    t.rows.push_back({txt("020"), txt("Leśnictwo"), null()});
    t.changedByUser = {2, 7};
    t.addedByUser = {static_cast<std::size_t>(t.rows.size() - 1)};
    t.productOnly = {{txt("630"), txt("Turystyka"), flag(true)},
                     {txt("730"), txt("Szkolnictwo wyższe i nauka"), flag(false)}};
    out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable("ROZDZIAL", "ROZDZIALY", "DZIAL:A3,ROZDZIAL:A5,NAZWA:A150,AKTYWNY:L", 2);
    t.dictionary = t.dizez = true;
    t.dictKey = t.dictKeyIb = "DZIAL;ROZDZIAL";
    t.fbPrimary = {"DZIAL", "ROZDZIAL"};
    for (const auto& c : chapters())
      t.rows.push_back({txt(c.dzial), txt(c.rozdzial), txt(c.nazwaRozdzialu), flag(true)});
    t.changedByUser = every(t.rows.size(), 3, 9);
    t.addedByUser = {5, 19};
    t.productOnly = {
        {txt("600"), txt("60014"), txt("Drogi publiczne powiatowe"), flag(true)},
        {txt("801"), txt("80150"),
         txt("Realizacja zadań wymagających stosowania specjalnej organizacji nauki"), flag(true)},
        {txt("852"), txt("85228"), txt("Usługi opiekuńcze i specjalistyczne usługi opiekuńcze"),
         flag(false)}};
    out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable("PARAGRAF", "PARAGRAFY", "PAR:A3,NAZWA:A120,TYP:A1,POGRUB:A1,OPIS:M20", 1);
    t.dictionary = t.dizez = true;
    t.dictKey = t.dictKeyIb = "PAR";
    t.tdef.secondary = {{"", {"TYP"}, true}};
    t.fbPrimary = {"PAR"};
    t.fbIndexes = {{"TYP"}};
    int n = 0;
    for (const auto& p : paragraphs()) {
      ++n;
      db::Value opis =
          n % 4 == 0
              ? txt(fmt::format("Paragraf {}: {}.\r\nStosować zgodnie z objaśnieniami do klasyfikacji.",
                                p.par, p.nazwa))
              : null();
      t.rows.push_back({txt(p.par), txt(p.nazwa), txt(std::string(1, p.typ)),
                        n % 5 == 0 ? txt("T") : (n % 3 == 0 ? null() : txt("N")), opis});
    }
    t.changedByUser = every(t.rows.size(), 1, 6);
    t.addedByUser = {12};
    t.productOnly = {{txt("097"), txt("Wpływy z różnych dochodów"), txt("D"), txt("N"), null()}};
    // The product widened the names; the control tables record that.
    t.fbColumns = mirrorColumns(t);
    t.fbColumns[1].sql = "VARCHAR(250)";
    t.sizes = {{"NAZWA", 120, 250}};
    out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable("ZRODLA", "ZRODLA", "PAR4:A1,NAZWA:A80", 1);
    t.dictionary = t.dizez = true;
    t.dictKey = t.dictKeyIb = "PAR4";
    t.fbPrimary = {"PAR4"};
    t.rows = {{txt("0"), txt("Dochody i wydatki bez wyodrębnionego źródła")},
              {txt("1"), txt("Środki z budżetu Unii Europejskiej")},
              {txt("7"), txt("Środki własne jednostki")},
              {txt("8"), txt("Środki krajowe - współfinansowanie")},
              {txt("9"), txt("Środki z budżetu państwa - współfinansowanie")}};
    out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable("KONTA", "KONTA", "KONTO:A20,NAZWA:A120,SYNTETYKA:L,POZIOM:S", 1);
    t.dictionary = true;
    t.dictKey = "KONTO";
    t.dictKeyIb = "NR_KONTA";
    t.fieldMap = {{"KONTO", "NR_KONTA"}};
    t.fbPrimary = {"NR_KONTA"};
    const char* konta[][2] = {{"130", "Rachunek bieżący jednostki"},
                              {"133", "Rachunek budżetu"},
                              {"134", "Kredyty bankowe"},
                              {"135", "Rachunek środków funduszy specjalnego przeznaczenia"},
                              {"201", "Rozrachunki z odbiorcami i dostawcami"},
                              {"221", "Należności z tytułu dochodów budżetowych"},
                              {"222", "Rozliczenie dochodów budżetowych"},
                              {"223", "Rozliczenie wydatków budżetowych"},
                              {"224", "Rozliczenie dotacji budżetowych"},
                              {"231", "Rozrachunki z tytułu wynagrodzeń"},
                              {"901", "Dochody budżetu"},
                              {"902", "Wydatki budżetu"},
                              {"909", "Rozliczenia międzyokresowe"},
                              {"961", "Wynik wykonania budżetu"}};
    for (const auto& k : konta) {
      t.rows.push_back({txt(k[0]), txt(k[1]), flag(true), num(1)});
      t.rows.push_back(
          {txt(std::string(k[0]) + "-01"), txt(std::string(k[1]) + " - analityka"), flag(false), num(2)});
    }
    t.changedByUser = every(t.rows.size(), 4, 7);
    t.addedByUser = {9, 21};
    t.productOnly = {{txt("140"), txt("Środki pieniężne w drodze"), flag(true), num(1)}};
    out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable("S_BILANSPOZ", "S_BILANSPOZ",
                            "IDPOZ:+,SYMBOL:A10,NAZWA:A150,POZIOM:S,POGRUB:A1,KOLEJNOSC:I", 1);
    t.dictionary = t.dizez = true;
    t.dictKey = t.dictKeyIb = "SYMBOL";
    t.autoIncField = "IDPOZ";
    t.tdef.secondary = {{"", {"SYMBOL"}, true}};
    t.fbPrimary = {"IDPOZ"};
    t.fbIndexes = {{"SYMBOL"}};
    const char* poz[][3] = {{"A", "Aktywa trwałe", "1"},
                            {"A.I", "Wartości niematerialne i prawne", "2"},
                            {"A.II", "Rzeczowe aktywa trwałe", "2"},
                            {"A.II.1", "Środki trwałe", "3"},
                            {"A.II.1.1", "Grunty", "4"},
                            {"A.II.1.2", "Budynki, lokale i obiekty inżynierii", "4"},
                            {"B", "Aktywa obrotowe", "1"},
                            {"B.I", "Zapasy", "2"},
                            {"B.II", "Należności krótkoterminowe", "2"},
                            {"B.III", "Środki pieniężne", "2"},
                            {"C", "Fundusz", "1"},
                            {"D", "Zobowiązania i rezerwy", "1"}};
    std::int64_t id = 0;
    for (const auto& p : poz) {
      ++id;
      const int level = p[2][0] - '0';
      t.rows.push_back(
          {num(id * 10), txt(p[0]), txt(p[1]), num(level), level == 1 ? txt("T") : null(), num(id)});
    }
    t.changedByUser = {3, 8};
    t.addedByUser = {11};
    t.productOnly = {{num(500), txt("B.IV"), txt("Rozliczenia międzyokresowe"), num(2), null(), num(50)}};
    // Columns the Firebird edition added; the copy fills them with fixed values.
    t.fbColumns = mirrorColumns(t);
    t.fbColumns.push_back({"MNOZNIK", "INTEGER DEFAULT 1 NOT NULL"});
    t.fbColumns.push_back({"DOPUSZCZAZNAK", "INTEGER DEFAULT 0 NOT NULL"});
    t.fbColumns.push_back({"HINTEDYCJI", "VARCHAR(200)"});
    t.orders = {{"MNOZNIK", 0, 7}, {"DOPUSZCZAZNAK", 0, 8}, {"HINTEDYCJI", 0, 9}};
    out.push_back(std::move(t));
  }
  {
    DemoTable t = demoTable("JEDNMIARY", "JEDNMIARY", "SYMBOL:A10,NAZWA:A40", 0);
    t.dictionary = true;
    t.dictKey = t.dictKeyIb = "SYMBOL";
    // Neither side has a key: the comparison reports the Firebird table without indexes.
    t.rows = {{txt("szt."), txt("sztuka")},        {txt("km"), txt("kilometr")},
              {txt("m2"), txt("metr kwadratowy")}, {txt("os."), txt("osoba")},
              {txt("godz."), txt("godzina")},      {txt("kpl."), txt("komplet")}};
    t.changedByUser = {1};
    t.productOnly = {{txt("ha"), txt("hektar")}};
    out.push_back(std::move(t));
  }
}

}  // namespace konw::demo
