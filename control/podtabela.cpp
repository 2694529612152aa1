// The control-table viewers' logic; the window and its grid are app/qt/podtabela.cpp.
#include "control/podtabela.h"

#include <charconv>
#include <stdexcept>

#include "control/konwersja_dm.h"
#include "db/engine.h"

namespace konw {

const std::vector<PrzyciskPodtabeli> kPrzyciskiPodtabel = {
    {"btnPola", "Nazwy pól", &TdmKonw::tblPola, "INNE NAZWY PÓL", true},
    {"btnKolejnosc", "Kolejność pól", &TdmKonw::tblKolejnosc, "INNA KOLEJNOŚĆ PÓL", true},
    {"btnRozmiar", "Rozmiary pól", &TdmKonw::tblRozmiar, "INNE ROZMIARY PÓL", true},
    {"btnPomijane", "Tabele pomijane", &TdmKonw::tblPomijane, "TABELE POMIJANE PRZY KONWERSJI", false},
    {"btnIdxPomijane", "Indeksy pomijane", &TdmKonw::tblIdxPomijane,
     "INDEKSY BRAKUJĄCE NIE WPISYWANE W LOGI KONWERSJI", false},
};

const std::vector<std::string> kKolumnyListyTabel = {"TABELA",     "TABELA_IB",      "AUTOINC_PDX",
                                                     "TRIGGER_IB", "GENERATOR_IB",   "DIZEZ",
                                                     "SLOWNIK",    "KLUCZ_SLOWNIKA", "KLUCZ_SLOWNIKA_IB"};

WidokPodtabeli PrzygotujPodtabele(TdmKonw& dm, db::Table* tabela, const std::string& podpis,
                                  bool szczegolowa) {
  WidokPodtabeli w;
  if (!tabela) {
    w.podpis = "Niewłaściwy parameter wywołania";
    return w;
  }
  w.tabela = tabela;
  if (szczegolowa) {
    w.podpis = podpis + " - TABELA: " + dm.tblLista.fieldByName("TABELA").asString();
    w.ukryteKolumny = 2;
  } else {
    w.podpis = podpis;
    w.ukryteKolumny = 1;
  }
  return w;
}

namespace {

bool calkowity(db::FieldType t) {
  using db::FieldType;
  return t == FieldType::Smallint || t == FieldType::Integer || t == FieldType::Word ||
         t == FieldType::AutoInc || t == FieldType::LargeInt;
}

bool zmiennoprzecinkowy(db::FieldType t) {
  return t == db::FieldType::Float || t == db::FieldType::Currency || t == db::FieldType::BCD;
}

// The typed text in the field's type; a number that does not parse is refused before anything changes.
db::Value zTekstu(const std::string& tekst, db::FieldType typ, const std::string& pole) {
  if (tekst.empty()) return db::Null{};
  const char* koniec = tekst.data() + tekst.size();
  if (calkowity(typ)) {
    std::int64_t v = 0;
    auto [p, ec] = std::from_chars(tekst.data(), koniec, v);
    if (ec != std::errc() || p != koniec)
      throw std::invalid_argument("'" + tekst + "' nie jest liczbą całkowitą (" + pole + ")");
    return v;
  }
  if (zmiennoprzecinkowy(typ)) {
    std::string kropka = tekst;
    for (char& c : kropka)
      if (c == ',') c = '.';
    double v = 0;
    auto [p, ec] = std::from_chars(kropka.data(), kropka.data() + kropka.size(), v);
    if (ec != std::errc() || p != kropka.data() + kropka.size())
      throw std::invalid_argument("'" + tekst + "' nie jest liczbą (" + pole + ")");
    return v;
  }
  if (typ == db::FieldType::Boolean) return tekst == "True" || tekst == "true" || tekst == "1";
  return tekst;
}

}  // namespace

SiatkaTabeli::SiatkaTabeli(db::Table& tabela, std::vector<std::string> kolumny, int pominiete)
    : tabela_(tabela), wybrane_(std::move(kolumny)), pominiete_(pominiete) {
  wczytaj();
}

void SiatkaTabeli::wczytaj() {
  // A row being inserted survives the reading: it is not in the table yet.
  std::vector<db::Value> wstawiany;
  if (nowy_) wstawiany = wartosci_.back();
  nowy_ = false;
  pola_.clear();
  indeksy_.clear();
  typy_.clear();
  zakladki_.clear();
  wartosci_.clear();
  if (!tabela_.active()) return;
  if (wybrane_.empty()) {
    for (int i = pominiete_; i < tabela_.fieldCount(); ++i) indeksy_.push_back(i);
  } else {
    for (const auto& n : wybrane_)
      if (db::Field* f = tabela_.findField(n)) indeksy_.push_back(f->index());
  }
  for (int i : indeksy_) {
    pola_.push_back(tabela_.field(i).name());
    typy_.push_back(tabela_.field(i).dataType());
  }
  if (!tabela_.isEmpty()) {
    const std::int64_t powrot = tabela_.bookmark();
    for (tabela_.first(); !tabela_.eof(); tabela_.next()) {
      zakladki_.push_back(tabela_.bookmark());
      std::vector<db::Value> wiersz;
      for (int i : indeksy_) wiersz.push_back(tabela_.field(i).value());
      wartosci_.push_back(std::move(wiersz));
    }
    tabela_.gotoBookmark(powrot);
  }
  if (wstawiany.size() == indeksy_.size() && !indeksy_.empty()) {
    wartosci_.push_back(std::move(wstawiany));
    nowy_ = true;
  }
}

bool SiatkaTabeli::logiczna(int kolumna) const {
  return typy_.at(static_cast<std::size_t>(kolumna)) == db::FieldType::Boolean;
}

const db::Value& SiatkaTabeli::wartosc(int wiersz, int kolumna) const {
  return wartosci_.at(static_cast<std::size_t>(wiersz)).at(static_cast<std::size_t>(kolumna));
}

std::string SiatkaTabeli::tekst(int wiersz, int kolumna) const {
  return db::valueToText(wartosc(wiersz, kolumna));
}

int SiatkaTabeli::biezacy() const {
  if (!tabela_.active() || tabela_.isEmpty()) return -1;
  const std::int64_t b = tabela_.bookmark();
  for (std::size_t i = 0; i < zakladki_.size(); ++i)
    if (zakladki_[i] == b) return static_cast<int>(i);
  return -1;
}

void SiatkaTabeli::przejdz(int wiersz) {
  // The row being inserted has no place in the table yet: the table's cursor stays.
  if (wiersz == nowy()) return;
  tabela_.gotoBookmark(zakladki_.at(static_cast<std::size_t>(wiersz)));
}

int SiatkaTabeli::indeksPola(int kolumna) const {
  return indeksy_.at(static_cast<std::size_t>(kolumna));
}

void SiatkaTabeli::zapisz(int wiersz, int kolumna, db::Value v) {
  if (wiersz == nowy()) {
    wartosci_.back().at(static_cast<std::size_t>(kolumna)) = std::move(v);
    return;
  }
  przejdz(wiersz);
  try {
    tabela_.edit();
    tabela_.field(indeksPola(kolumna)).setValue(v);
    tabela_.post();
  } catch (...) {
    tabela_.cancel();
    throw;
  }
  // The row read back as stored (a key change may have moved it, so read them all).
  wczytaj();
}

void SiatkaTabeli::ustaw(int wiersz, int kolumna, const std::string& tekst) {
  zapisz(wiersz, kolumna, zTekstu(tekst, typy_.at(static_cast<std::size_t>(kolumna)), naglowek(kolumna)));
}

void SiatkaTabeli::ustawLogiczna(int wiersz, int kolumna, bool wartosc) {
  zapisz(wiersz, kolumna, wartosc);
}

int SiatkaTabeli::dodaj() {
  if (!nowy_ && !indeksy_.empty()) {
    wartosci_.emplace_back(indeksy_.size(), db::Value(db::Null{}));
    nowy_ = true;
  }
  return nowy();
}

int SiatkaTabeli::zatwierdz() {
  if (!nowy_) return -1;
  const std::vector<db::Value>& wiersz = wartosci_.back();
  if (db::valueToText(wiersz.front()).find_first_not_of(" \t") == std::string::npos)
    throw BrakKlucza("Nie zapisano wiersza: kolumna " + naglowek(0) +
                     " nie może być pusta. Proszę ją wypełnić albo anulować wstawianie wiersza.");
  try {
    tabela_.insert();
    for (std::size_t k = 0; k < indeksy_.size(); ++k)
      if (!db::isNull(wiersz[k])) tabela_.field(indeksy_[k]).setValue(wiersz[k]);
    tabela_.post();
  } catch (...) {
    tabela_.cancel();
    throw;
  }
  nowy_ = false;
  wartosci_.pop_back();
  wczytaj();
  return biezacy();
}

void SiatkaTabeli::anuluj() {
  if (!nowy_) return;
  wartosci_.pop_back();
  nowy_ = false;
}

void SiatkaTabeli::usun(int wiersz) {
  if (wiersz == nowy()) {
    anuluj();
    return;
  }
  przejdz(wiersz);
  tabela_.deleteRecord();
  wczytaj();
}

}  // namespace konw
