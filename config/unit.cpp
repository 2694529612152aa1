#include "config/unit.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "db/engine.h"

namespace konw {

namespace {

struct PoleParams {
  const char* name;
  db::FieldType type;
};

// The fields the unit table must have, with their types.
constexpr std::array<PoleParams, 28> kPolaParams = {{
    {"TypUzytk", db::FieldType::String},  {"IdJST", db::FieldType::Integer},
    {"TYPJST", db::FieldType::String},    {"JedB", db::FieldType::String},
    {"NAZWA", db::FieldType::String},     {"REGON", db::FieldType::String},
    {"WK", db::FieldType::String},        {"PK", db::FieldType::String},
    {"GK", db::FieldType::String},        {"GT", db::FieldType::String},
    {"PT", db::FieldType::String},        {"Wojewodztwo", db::FieldType::String},
    {"Powiat", db::FieldType::String},    {"Gmina", db::FieldType::String},
    {"TypGminy", db::FieldType::String},  {"RIOw", db::FieldType::String},
    {"PostName", db::FieldType::String},  {"MailAdr", db::FieldType::String},
    {"POP3", db::FieldType::String},      {"SMTP", db::FieldType::String},
    {"POP3port", db::FieldType::Integer}, {"SMTPport", db::FieldType::Integer},
    {"UserId", db::FieldType::String},    {"PostPass", db::FieldType::String},
    {"SerwTime", db::FieldType::Integer}, {"KodRIO", db::FieldType::String},
    {"IsPost", db::FieldType::Boolean},   {"ConectType", db::FieldType::Integer},
}};

void sprawdzPolaParams(db::Table& params) {
  for (const auto& p : kPolaParams) {
    db::Field* f = params.findField(p.name);
    if (!f) throw db::EngineError(db::errc::kNotFound, std::string("Params.DB: brak pola ") + p.name);
    if (f->dataType() != p.type)
      throw db::EngineError(db::errc::kConversion, std::string("Params.DB: pole ") + p.name + " ma typ " +
                                                       db::fieldTypeName(f->dataType()) + " zamiast " +
                                                       db::fieldTypeName(p.type));
  }
}

}  // namespace

DaneJednostki CzytajDaneJednostki(db::Table& params) {
  if (!params.active()) {
    params.open();
    sprawdzPolaParams(params);
  }
  DaneJednostki d;
  if (params.isEmpty()) return d;
  auto pole = [&](const char* name) { return params.fieldByName(name).asString(); };
  d = {pole("NAZWA"), pole("Wojewodztwo"), pole("Powiat"), pole("Gmina"), pole("TypGminy"),
       pole("WK"),    pole("PK"),          pole("GK"),     pole("GT")};
  // An empty kind shows no optional line: the unit is still identified by its GUS code.
  const std::string typ = pole("TYPJST");
  const char rodzaj = typ.empty() ? '\0' : typ[0];
  d.woj = rodzaj == 'G' || rodzaj == 'M' || rodzaj == 'P' || rodzaj == 'W';
  d.pow = rodzaj == 'G' || rodzaj == 'M' || rodzaj == 'P';
  d.gm = rodzaj == 'G';
  d.zwiazek = rodzaj == 'Z';
  return d;
}

std::optional<std::string> OdczytajWersjeDanych(db::Query& q) {
  q.close();
  q.clearSql();
  q.addSql("Select ParStr,Kod From Conf");
  q.open();
  // Only the WerPl row holds the version: another row's text (a path, a name) is no version at all.
  if (q.isEmpty() || !q.locate("KOD", {std::string("WerPl")}, false)) return std::nullopt;
  return q.fieldByName("ParStr").asString();
}

namespace {

struct NumerWersji {
  std::string_view calosc, ulamek;  // digits before and after the dot
};

std::optional<NumerWersji> numerWersji(std::string_view t) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  const std::size_t kropka = t.find('.');
  if (kropka == std::string_view::npos) return std::nullopt;
  NumerWersji n{t.substr(0, kropka), t.substr(kropka + 1)};
  auto cyfry = [](std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!cyfry(n.calosc) || !cyfry(n.ulamek)) return std::nullopt;
  return n;
}

// <0, 0 or >0 as a is below, equal to or above b, both read as decimal numbers.
int porownaj(const NumerWersji& a, const NumerWersji& b) {
  auto bezZer = [](std::string_view s) {
    while (s.size() > 1 && s.front() == '0') s.remove_prefix(1);
    return s;
  };
  const std::string_view ca = bezZer(a.calosc), cb = bezZer(b.calosc);
  if (ca.size() != cb.size()) return ca.size() < cb.size() ? -1 : 1;
  if (int c = ca.compare(cb); c != 0) return c;
  std::string ua(a.ulamek), ub(b.ulamek);
  const std::size_t n = std::max(ua.size(), ub.size());
  ua.resize(n, '0');
  ub.resize(n, '0');
  return ua.compare(ub);
}

}  // namespace

OcenaWersji OcenWersjeDanych(const std::optional<std::string>& wersja) {
  const std::optional<NumerWersji> n = wersja ? numerWersji(*wersja) : std::nullopt;
  if (!n) return OcenaWersji::Nieprawidlowa;
  return porownaj(*n, NumerWersji{"3", "65"}) < 0 ? OcenaWersji::ZaStara : OcenaWersji::Wystarczajaca;
}

std::string CoZamiastWersji(const std::optional<std::string>& wersja) {
  if (!wersja) return "brak wiersza WerPl w tabeli Conf";
  if (wersja->empty()) return "pusty tekst w wierszu WerPl tabeli Conf";
  return "\"" + *wersja + "\"";
}

std::string OpisWersjiDanych(const std::optional<std::string>& wersja) {
  if (OcenWersjeDanych(wersja) != OcenaWersji::Nieprawidlowa) return *wersja;
  // Short: the window's label has room for little more than a version.
  if (!wersja) return "brak wiersza WerPl w Conf";
  return (wersja->empty() ? std::string("pusty") : "\"" + *wersja + "\"") + " (nieprawidłowy)";
}

}  // namespace konw
