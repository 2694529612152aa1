#include "tools/demo/tables.h"

#include <fmt/format.h>

#include <cctype>
#include <optional>
#include <stdexcept>

#include "db/paradox/field_type.h"

namespace konw::demo {

std::vector<db::paradox::FieldSpec> fieldList(const std::string& text) {
  std::vector<db::paradox::FieldSpec> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(',', pos);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(pos, end - pos);
    const std::size_t colon = item.find(':');
    if (colon == std::string::npos || colon + 1 >= item.size())
      throw std::invalid_argument("field list item: " + item);
    db::paradox::FieldSpec f;
    f.name = item.substr(0, colon);
    f.type = item[colon + 1];
    const std::string size = item.substr(colon + 2);
    f.size = size.empty() ? 0 : std::stoi(size);
    // Blob fields keep part of their value in the record; the product's tables use the engine's default.
    if (f.size == 0 && (f.type == 'M' || f.type == 'B')) f.size = 10;
    out.push_back(f);
    pos = end + 1;
  }
  return out;
}

DemoTable demoTable(std::string pdx, std::string fb, const std::string& fields, int keyFields) {
  DemoTable t;
  t.pdx = std::move(pdx);
  t.fb = std::move(fb);
  t.tdef.fields = fieldList(fields);
  t.tdef.keyFields = keyFields;
  return t;
}

std::string fbTypeFor(const db::paradox::FieldSpec& f) {
  using db::paradox::PdxType;
  const std::optional<PdxType> type = db::paradox::typeFromLetter(f.type);
  const auto none = [&f] {
    return std::invalid_argument(std::string("no Firebird type for Paradox type ") + f.type);
  };
  if (!type) throw none();
  switch (*type) {
    case PdxType::Alpha:
      return fmt::format("VARCHAR({})", f.size);
    case PdxType::Short:
      return "SMALLINT";
    case PdxType::Long:
    case PdxType::AutoInc:
      return "INTEGER";
    case PdxType::Number:
      return "DOUBLE PRECISION";
    // Money stays exact in Firebird; the engine reports it as BCD, not Currency.
    case PdxType::Money:
      return "NUMERIC(15,2)";
    case PdxType::Bcd:
      return fmt::format("NUMERIC(15,{})", f.size);
    case PdxType::Date:
      return "DATE";
    case PdxType::Time:
      return "TIME";
    case PdxType::Timestamp:
      return "TIMESTAMP";
    // The copy writes logical values as "T" / "N".
    case PdxType::Logical:
      return "CHAR(1)";
    case PdxType::Memo:
      return "BLOB SUB_TYPE TEXT";
    case PdxType::Binary:
      return "BLOB SUB_TYPE 0";
    // The product's tables have none of these.
    case PdxType::FmtMemo:
    case PdxType::Ole:
    case PdxType::Graphic:
    case PdxType::Bytes:
      throw none();
  }
  throw none();
}

std::string fbNameOf(const DemoTable& t, const std::string& pdxField) {
  for (const auto& [p, f] : t.fieldMap)
    if (p == pdxField) return f;
  std::string up = pdxField;
  for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return up;
}

std::vector<FbColumn> mirrorColumns(const DemoTable& t) {
  std::vector<FbColumn> out;
  for (std::size_t i = 0; i < t.tdef.fields.size(); ++i) {
    const auto& f = t.tdef.fields[i];
    std::string sql = fbTypeFor(f);
    if (static_cast<int>(i) < t.tdef.keyFields) sql += " NOT NULL";
    out.push_back({fbNameOf(t, f.name), sql});
  }
  return out;
}

int fbColumnIndex(const DemoTable& t, const std::string& name) {
  for (std::size_t i = 0; i < t.fbColumns.size(); ++i)
    if (t.fbColumns[i].name == name) return static_cast<int>(i);
  return -1;
}

const std::vector<Chapter>& chapters() {
  static const std::vector<Chapter> all = {
      {"010", "01010", "Rolnictwo i łowiectwo", "Infrastruktura wodociągowa i sanitacyjna wsi"},
      {"010", "01095", "Rolnictwo i łowiectwo", "Pozostała działalność"},
      {"600", "60016", "Transport i łączność", "Drogi publiczne gminne"},
      {"700", "70005", "Gospodarka mieszkaniowa", "Gospodarka gruntami i nieruchomościami"},
      {"710", "71035", "Działalność usługowa", "Cmentarze"},
      {"750", "75011", "Administracja publiczna", "Urzędy wojewódzkie"},
      {"750", "75022", "Administracja publiczna", "Rady gmin (miast i miast na prawach powiatu)"},
      {"750", "75023", "Administracja publiczna", "Urzędy gmin (miast i miast na prawach powiatu)"},
      {"754", "75412", "Bezpieczeństwo publiczne i ochrona przeciwpożarowa", "Ochotnicze straże pożarne"},
      {"756", "75615", "Dochody od osób prawnych, od osób fizycznych i od innych jednostek",
       "Wpływy z podatku rolnego, podatku leśnego, podatku od czynności cywilnoprawnych"},
      {"756", "75616", "Dochody od osób prawnych, od osób fizycznych i od innych jednostek",
       "Wpływy z podatku od nieruchomości od osób fizycznych"},
      {"756", "75621", "Dochody od osób prawnych, od osób fizycznych i od innych jednostek",
       "Udziały gmin w podatkach stanowiących dochód budżetu państwa"},
      {"758", "75801", "Różne rozliczenia", "Część oświatowa subwencji ogólnej"},
      {"758", "75807", "Różne rozliczenia", "Część wyrównawcza subwencji ogólnej dla gmin"},
      {"801", "80101", "Oświata i wychowanie", "Szkoły podstawowe"},
      {"801", "80104", "Oświata i wychowanie", "Przedszkola"},
      {"801", "80113", "Oświata i wychowanie", "Dowożenie uczniów do szkół"},
      {"851", "85154", "Ochrona zdrowia", "Przeciwdziałanie alkoholizmowi"},
      {"852", "85214", "Pomoc społeczna", "Zasiłki okresowe, celowe i pomoc w naturze"},
      {"852", "85219", "Pomoc społeczna", "Ośrodki pomocy społecznej"},
      {"855", "85501", "Rodzina", "Świadczenie wychowawcze"},
      {"855", "85502", "Rodzina", "Świadczenia rodzinne, świadczenie z funduszu alimentacyjnego"},
      {"900", "90002", "Gospodarka komunalna i ochrona środowiska", "Gospodarka odpadami komunalnymi"},
      {"900", "90015", "Gospodarka komunalna i ochrona środowiska", "Oświetlenie ulic, placów i dróg"},
      {"921", "92109", "Kultura i ochrona dziedzictwa narodowego",
       "Domy i ośrodki kultury, świetlice i kluby"},
      {"921", "92116", "Kultura i ochrona dziedzictwa narodowego", "Biblioteki"},
      {"926", "92605", "Kultura fizyczna", "Zadania w zakresie kultury fizycznej"},
  };
  return all;
}

const std::vector<Paragraph>& paragraphs() {
  static const std::vector<Paragraph> all = {
      {"001", "Wpływy z podatku dochodowego od osób fizycznych", 'D'},
      {"031", "Wpływy z podatku od nieruchomości", 'D'},
      {"032", "Wpływy z podatku rolnego", 'D'},
      {"033", "Wpływy z podatku leśnego", 'D'},
      {"034", "Wpływy z podatku od środków transportowych", 'D'},
      {"041", "Wpływy z opłaty skarbowej", 'D'},
      {"049", "Wpływy z innych lokalnych opłat pobieranych przez jednostki samorządu terytorialnego", 'D'},
      {"069", "Wpływy z różnych opłat", 'D'},
      {"075", "Dochody z najmu i dzierżawy składników majątkowych", 'D'},
      {"092", "Wpływy z pozostałych odsetek", 'D'},
      {"201", "Dotacje celowe otrzymane z budżetu państwa na realizację zadań zleconych", 'D'},
      {"292", "Subwencje ogólne z budżetu państwa", 'D'},
      {"302", "Wydatki osobowe niezaliczone do wynagrodzeń", 'W'},
      {"311", "Świadczenia społeczne", 'W'},
      {"401", "Wynagrodzenia osobowe pracowników", 'W'},
      {"404", "Dodatkowe wynagrodzenie roczne", 'W'},
      {"411", "Składki na ubezpieczenia społeczne", 'W'},
      {"412", "Składki na Fundusz Pracy oraz Fundusz Solidarnościowy", 'W'},
      {"421", "Zakup materiałów i wyposażenia", 'W'},
      {"426", "Zakup energii", 'W'},
      {"427", "Zakup usług remontowych", 'W'},
      {"430", "Zakup usług pozostałych", 'W'},
      {"441", "Podróże służbowe krajowe", 'W'},
      {"444", "Odpisy na zakładowy fundusz świadczeń socjalnych", 'W'},
      {"605", "Wydatki inwestycyjne jednostek budżetowych", 'W'},
      {"606", "Wydatki na zakupy inwestycyjne jednostek budżetowych", 'W'},
  };
  return all;
}

std::vector<DemoTable> buildCatalogue(std::int64_t rows, bool jb) {
  std::vector<DemoTable> out;
  addUnitTables(out, jb);
  addDictionaries(out);
  addBudgetTables(out, rows, jb);
  if (!jb) addOtherTables(out);
  for (auto& t : out) {
    // Product tables carry the product's password; the Firebird side mirrors them unless the table
    // definition built its own columns (the deliberate differences).
    t.tdef.password = "wrzo";
    if (t.fbColumns.empty() && !t.fb.empty()) t.fbColumns = mirrorColumns(t);
  }
  return out;
}

}  // namespace konw::demo
