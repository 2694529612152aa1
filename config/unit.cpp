// The budget unit's identification and the Paradox data version.
#include <array>

#include "app/konwersja.h"
#include "control/konwersja_dm.h"

namespace konw {

namespace {

struct PoleParams {
  const char* name;
  db::FieldType type;
};

// The fields the unit table must have, with their types.
constexpr std::array<PoleParams, 28> kPolaParams = {{
    {"TypUzytk", db::FieldType::String},   {"IdJST", db::FieldType::Integer},     {"TYPJST", db::FieldType::String},
    {"JedB", db::FieldType::String},       {"NAZWA", db::FieldType::String},      {"REGON", db::FieldType::String},
    {"WK", db::FieldType::String},         {"PK", db::FieldType::String},         {"GK", db::FieldType::String},
    {"GT", db::FieldType::String},         {"PT", db::FieldType::String},         {"Wojewodztwo", db::FieldType::String},
    {"Powiat", db::FieldType::String},     {"Gmina", db::FieldType::String},      {"TypGminy", db::FieldType::String},
    {"RIOw", db::FieldType::String},       {"PostName", db::FieldType::String},   {"MailAdr", db::FieldType::String},
    {"POP3", db::FieldType::String},       {"SMTP", db::FieldType::String},       {"POP3port", db::FieldType::Integer},
    {"SMTPport", db::FieldType::Integer},  {"UserId", db::FieldType::String},     {"PostPass", db::FieldType::String},
    {"SerwTime", db::FieldType::Integer},  {"KodRIO", db::FieldType::String},     {"IsPost", db::FieldType::Boolean},
    {"ConectType", db::FieldType::Integer},
}};

// Value labels and the fields they show.
constexpr std::array<std::pair<const char*, const char*>, 9> kEtykietyJednostki = {{
    {"txtZwiazek", "NAZWA"},
    {"txtWoj", "Wojewodztwo"},
    {"txtPow", "Powiat"},
    {"txtGm", "Gmina"},
    {"txtWk", "WK"},
    {"txtPk", "PK"},
    {"txtGk", "GK"},
    {"txtGt", "GT"},
    {"txtTypgminy", "TypGminy"},
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

void TfrmConvert::WyczyscDaneJednostki() {
  for (const auto& [label, field] : kEtykietyJednostki) ui_.setCaption(label, "");
}

bool TfrmConvert::UstawInformacjeOJednostce() {
  try {
    db::Table& params = dm_->PARAMS;
    if (!params.active()) {
      params.open();
      sprawdzPolaParams(params);
    }
    for (const auto& [label, field] : kEtykietyJednostki)
      ui_.setCaption(label, params.isEmpty() ? std::string() : params.fieldByName(field).asString());

    // An empty kind (or no record) shows no optional line: the unit is still identified by its GUS code.
    const std::string typ = params.isEmpty() ? std::string() : params.fieldByName("TYPJST").asString();
    const char rodzaj = typ.empty() ? '\0' : typ[0];
    const bool woj = rodzaj == 'G' || rodzaj == 'M' || rodzaj == 'P' || rodzaj == 'W';
    const bool pow = rodzaj == 'G' || rodzaj == 'M' || rodzaj == 'P';
    const bool gm = rodzaj == 'G';
    const bool zwiazek = rodzaj == 'Z';
    for (const char* c : {"lblWoj", "txtWoj", "txtWk"}) ui_.setVisible(c, woj);
    for (const char* c : {"lblPow", "txtPow", "txtPk"}) ui_.setVisible(c, pow);
    for (const char* c : {"lblGm", "txtGm", "txtTypgminy", "txtGk", "txtGt"}) ui_.setVisible(c, gm);
    for (const char* c : {"lblZwiazek", "txtZwiazek"}) ui_.setVisible(c, zwiazek);
    return true;
  } catch (...) {
    ui_.messageBox(MsgKind::Error, kApplicationTitle, "Błąd w trakcie dostępu do informacji o jednostce budżetowej.",
                   kOk, kOk);
    ZapiszBlad("TfrmConvert.UstawInformacjeOJednostce");
    ZglosBlad("TfrmConvert.UstawInformacjeOJednostce", "", "");
    return false;
  }
}

std::string TfrmConvert::OdczytajWersjeDanych() {
  db::Query& q = dm_->qryParadox;
  q.close();
  q.clearSql();
  q.addSql("Select ParStr,Kod From Conf");
  q.open();
  if (q.isEmpty()) return {};
  q.locate("KOD", {std::string("WerPl")}, false);
  return q.fieldByName("ParStr").asString();
}

bool TfrmConvert::SprawdzWersjeDanych(const std::string& SciezkaP, const std::string& SciezkaI, bool JestWKonwersji) {
  if (SciezkaP.empty()) return true;
  dm_->qryParadox.close();
  if (!UstawSciezkiDoBaz(SciezkaP, SciezkaI, JestWKonwersji, true)) return true;
  // Compared as text, character by character, as the product always has.
  if (ui_.caption("lblWersjaPdx") < std::string("3.65")) {
    ui_.messageBox(MsgKind::Error, kApplicationTitle,
                   "Aby dokonać konwersji danych wymagana jest wersja bazy danych nie mniejsza niż 3.65. Proszę "
                   "zaktualizować dane.",
                   kOk, kOk);
    return true;
  }
  return false;
}

}  // namespace konw
