#include "config/unit.h"

#include <array>

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

std::string OdczytajWersjeDanych(db::Query& q) {
  q.close();
  q.clearSql();
  q.addSql("Select ParStr,Kod From Conf");
  q.open();
  if (q.isEmpty()) return {};
  q.locate("KOD", {std::string("WerPl")}, false);
  return q.fieldByName("ParStr").asString();
}

bool WersjaWystarczajaca(const std::string& wersja) {
  return wersja >= std::string("3.65");
}

}  // namespace konw
