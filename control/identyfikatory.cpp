#include "control/identyfikatory.h"

#include "db/engine.h"
#include "platform/text.h"

namespace konw {

namespace {

constexpr const char* kNazwyFirebirda[] = {"TABELA_IB", "TRIGGER_IB", "GENERATOR_IB"};
constexpr const char* kNazwyParadoksa[] = {"TABELA", "AUTOINC_PDX"};

bool firebirda(const std::string& kolumna) {
  for (const char* k : kNazwyFirebirda)
    if (kolumna == k) return true;
  return false;
}

}  // namespace

std::string BlednyIdentyfikator(const NazwyWiersza& nazwy, const std::string& wiersz) {
  for (const auto& [kolumna, wartosc] : nazwy) {
    if (wartosc.empty() || isPlainIdentifier(wartosc, firebirda(kolumna))) continue;
    const char* dlaczego = isPlainIdentifier(wartosc, false) ? "jest słowem zastrzeżonym SQL"
                                                             : "nie jest prawidłowym identyfikatorem";
    return "*** ListaTabel, " + wiersz + ": " + kolumna + " = \"" + wartosc + "\" " + dlaczego +
           " - tabela nie zostanie skopiowana ***";
  }
  return {};
}

std::string BlednyIdentyfikatorListy(db::Table& lista) {
  NazwyWiersza nazwy;
  auto dodaj = [&](const char* kolumna) {
    if (db::Field* f = lista.findField(kolumna)) nazwy.emplace_back(kolumna, f->asString());
  };
  for (const char* k : kNazwyParadoksa) dodaj(k);
  for (const char* k : kNazwyFirebirda) dodaj(k);
  std::string wiersz = "wiersz " + std::to_string(lista.recNo());
  if (db::Field* idtf = lista.findField("IDTF"); idtf && !idtf->isNull())
    wiersz += " (IDTF " + idtf->asString() + ")";
  return BlednyIdentyfikator(nazwy, wiersz);
}

}  // namespace konw
