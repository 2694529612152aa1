#include "convert/triggery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <system_error>

#include "control/identyfikatory.h"
#include "control/konwersja_dm.h"
#include "db/engine.h"
#include "log/conversion_log.h"
#include "platform/hostpath.h"
#include "platform/text.h"

namespace konw {

namespace {

namespace fs = std::filesystem;

constexpr const char* kNaglowek =
    "# Triggery wyłączone przez trwającą konwersję danych (baza, tabela, trigger, generator, pole).";
constexpr const char* kSerwer = "SERVER NAME=";

std::string linia(const WpisTriggera& w) {
  return w.baza + "\t" + w.tabela + "\t" + w.trigger + "\t" + w.generator + "\t" + w.kolumna;
}

std::optional<WpisTriggera> wpis(const std::string& tekst) {
  const std::vector<std::string> czesci = splitList(tekst, '\t');
  if (czesci.size() != 5 || czesci[0].empty() || czesci[1].empty() || czesci[2].empty()) return std::nullopt;
  return WpisTriggera{czesci[0], czesci[1], czesci[2], czesci[3], czesci[4]};
}

[[noreturn]] void bladSystemu(const fs::path& plik) {
  throw std::system_error(errno, std::generic_category(), plik.string());
}

// Makes a rename or a removal in the directory durable.
void utrwalKatalog(const fs::path& plik) {
  const fs::path katalog = plik.parent_path().empty() ? fs::path(".") : plik.parent_path();
  const int fd = ::open(katalog.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) bladSystemu(katalog);
  const int wynik = ::fsync(fd);
  const int blad = errno;
  ::close(fd);
  // Some file systems (network shares among them) cannot flush a directory; the rename stands anyway.
  if (wynik != 0 && blad != EINVAL && blad != ENOTSUP)
    throw std::system_error(blad, std::generic_category(), katalog.string());
}

// The journal's lines as they are, line ends removed.
std::vector<std::string> linie(const fs::path& plik) {
  std::vector<std::string> out;
  std::error_code ec;
  if (!fs::exists(plik, ec)) {
    if (ec) throw std::system_error(ec, plik.string());
    return out;
  }
  std::ifstream in(plik, std::ios::binary);
  if (!in) bladSystemu(plik);
  std::string l;
  while (std::getline(in, l)) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    out.push_back(l);
  }
  if (in.bad()) bladSystemu(plik);
  return out;
}

// Replaces the journal by these lines (records and lines kept as found); no file when there are none.
void zapisz(const fs::path& plik, const std::vector<std::string>& zawartosc) {
  bool cos = false;
  for (const std::string& l : zawartosc) cos = cos || !(trim(l).empty() || l.starts_with('#'));
  if (!cos) {
    if (::unlink(plik.c_str()) != 0) {
      if (errno == ENOENT) return;
      bladSystemu(plik);
    }
    utrwalKatalog(plik);
    return;
  }
  std::string tekst = std::string(kNaglowek) + "\r\n";
  for (const std::string& l : zawartosc)
    if (!l.starts_with('#')) tekst += l + "\r\n";
  fs::path tymczasowy = plik;
  tymczasowy += ".tmp";
  const int fd = ::open(tymczasowy.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) bladSystemu(tymczasowy);
  std::size_t zapisane = 0;
  while (zapisane < tekst.size()) {
    const ssize_t n = ::write(fd, tekst.data() + zapisane, tekst.size() - zapisane);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int blad = n < 0 ? errno : EIO;
      ::close(fd);
      ::unlink(tymczasowy.c_str());
      throw std::system_error(blad, std::generic_category(), tymczasowy.string());
    }
    zapisane += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const int blad = errno;
    ::unlink(tymczasowy.c_str());
    throw std::system_error(blad, std::generic_category(), tymczasowy.string());
  }
  if (::rename(tymczasowy.c_str(), plik.c_str()) != 0) {
    const int blad = errno;
    ::unlink(tymczasowy.c_str());
    throw std::system_error(blad, std::generic_category(), plik.string());
  }
  utrwalKatalog(plik);
}

std::string lokalizacja(const db::Database& baza) {
  for (const std::string& p : baza.params())
    if (upperAscii(p.substr(0, std::string(kSerwer).size())) == kSerwer)
      return p.substr(std::string(kSerwer).size());
  return {};
}

// The triggers of the database that are not the system's: name (upper case) → inactive.
std::map<std::string, bool> stanTriggerow(db::Database& baza) {
  std::map<std::string, bool> stan;
  db::Query q;
  q.setDatabase(&baza);
  q.addSql(
      "select trim(rdb$trigger_name), coalesce(rdb$trigger_inactive, 0) from rdb$triggers "
      "where coalesce(rdb$system_flag, 0) = 0");
  q.open();
  for (; !q.eof(); q.next()) stan[upperAscii(trim(q.field(0).asString()))] = q.field(1).asInteger() == 1;
  q.close();
  return stan;
}

std::string tekstBledu(const std::exception& e) {
  return trim(e.what());
}

// The control directory opened for its lock; -1 when it cannot be opened (then there is no journal either).
int otworzKatalog(const std::string& SciezkaKonwersji) {
  return ::open(hostPath(SciezkaKonwersji).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

struct DoNaprawy {
  WpisTriggera wpis;
  bool zDziennika;
};

}  // namespace

std::optional<bool> TriggerWylaczony(db::Database& baza, const std::string& trigger) {
  const std::map<std::string, bool> stan = stanTriggerow(baza);
  const auto it = stan.find(upperAscii(trim(trigger)));
  if (it == stan.end()) return std::nullopt;
  return it->second;
}

// Moves the generator past the largest number of its column; the sentence that says so, empty when it
// already was past.
std::string GeneratorZaNajwiekszym(db::Database& baza, const WpisTriggera& w) {
  if (w.generator.empty() || w.kolumna.empty()) return {};
  db::Query q;
  q.setDatabase(&baza);
  q.addSql("select max(" + quoteIdentifier(w.kolumna) + ") from " + w.tabela);
  q.open();
  const std::int64_t najwiekszy = q.field(0).isNull() ? 0 : q.field(0).asInteger();
  q.clearSql();
  q.addSql("select gen_id(" + w.generator + ", 0) from rdb$database");
  q.open();
  const std::int64_t biezacy = q.field(0).asInteger();
  q.close();
  if (biezacy > najwiekszy) return {};
  const std::string nowy = std::to_string(najwiekszy + 1);
  WykonajSql(q, "set generator " + w.generator + " to " + nowy);
  return " Generator " + w.generator + " ustawiono na " + nowy + ", za największą wartością pola " +
         w.kolumna + ".";
}

DziennikTriggerow DziennikTriggerow::WKatalogu(const std::string& SciezkaKonwersji) {
  return DziennikTriggerow(hostPath(SciezkaKonwersji) / kNazwaPliku);
}

std::vector<WpisTriggera> DziennikTriggerow::Wczytaj(std::vector<std::string>* nieczytelne) const {
  std::vector<WpisTriggera> out;
  for (const std::string& l : linie(plik_)) {
    if (trim(l).empty() || l.starts_with('#')) continue;
    if (auto w = wpis(l))
      out.push_back(*w);
    else if (nieczytelne)
      nieczytelne->push_back(l);
  }
  return out;
}

void DziennikTriggerow::Dopisz(const WpisTriggera& w) const {
  std::vector<std::string> zawartosc = linie(plik_);
  zawartosc.push_back(linia(w));
  zapisz(plik_, zawartosc);
}

void DziennikTriggerow::Usun(const WpisTriggera& w) const {
  std::vector<std::string> zawartosc;
  bool byl = false;
  for (std::string& l : linie(plik_)) {
    const auto jaki = wpis(l);
    if (jaki && *jaki == w)
      byl = true;
    else
      zawartosc.push_back(std::move(l));
  }
  if (byl) zapisz(plik_, zawartosc);
}

WpisTriggera WpisBiezacejTabeli(TdmKonw& dm) {
  db::Table& lista = dm.tblLista;
  WpisTriggera w;
  w.baza = lokalizacja(dm.DBi);
  w.tabela = lista.fieldByName("TABELA_IB").asString();
  w.trigger = lista.fieldByName("TRIGGER_IB").asString();
  w.generator = lista.fieldByName("GENERATOR_IB").asString();
  const std::string autoId = lista.fieldByName("AUTOINC_PDX").asString();
  if (!autoId.empty())
    w.kolumna = dm.OdpowiednikPola(upperAscii(autoId), TdmKonw::Kierunek::ParadoxDoFirebird);
  return w;
}

bool ZapisWylaczen::Zapisz(TdmKonw& dm, TLogKonwersji& log, const WpisTriggera& wpis) {
  Zwolnij();
  blokada_ = otworzKatalog(dm.SciezkaKonwersji);
  if (blokada_ >= 0)
    while (::flock(blokada_, LOCK_SH) != 0 && errno == EINTR) {
    }
  const DziennikTriggerow dziennik = DziennikTriggerow::WKatalogu(dm.SciezkaKonwersji);
  try {
    dziennik.Dopisz(wpis);
    return true;
  } catch (const std::exception& e) {
    zglos(log, dziennik.plik().string(), tekstBledu(e));
    return false;
  }
}

void ZapisWylaczen::Wykresl(TdmKonw& dm, TLogKonwersji& log, const WpisTriggera& wpis) {
  const DziennikTriggerow dziennik = DziennikTriggerow::WKatalogu(dm.SciezkaKonwersji);
  try {
    dziennik.Usun(wpis);
  } catch (const std::exception& e) {
    const std::string tekst =
        "*** Trigger " + wpis.trigger + " tabeli " + wpis.tabela +
        " znów działa, ale nie można usunąć jego wpisu z dziennika wyłączonych triggerów " +
        dziennik.plik().string() + " (" + tekstBledu(e) +
        "); następne uruchomienie programu sprawdzi go ponownie ***";
    log.ZapiszKomunikat(tekst, kOgolny | kBledy);
    log.ZglosBlad("TfrmConvert.Convert", "", tekst);
  }
}

void ZapisWylaczen::Zwolnij() noexcept {
  if (blokada_ >= 0) ::close(blokada_);  // closing the directory gives its lock up
  blokada_ = -1;
}

void ZapisWylaczen::zglos(TLogKonwersji& log, const std::string& plik, const std::string& blad) {
  if (zgloszono_) return;
  zgloszono_ = true;
  const std::string tekst =
      "*** Nie można zapisać dziennika wyłączonych triggerów " + plik + " (" + blad +
      "). Konwersja trwa dalej, ale trigger wyłączony na czas kopii tabeli nie jest w nim odnotowany: po "
      "przerwanej konwersji wyłączony trigger znajdzie tylko sprawdzenie bazy Firebird przy następnym "
      "uruchomieniu programu ***";
  log.ZapiszKomunikat(tekst, kOgolny | kBledy);
  log.ZglosBlad("TfrmConvert.Convert", "", tekst);
}

namespace {

// The repair of the triggers at a start: what the journal and the program's database say is off, each
// switched on in the database it belongs to, with what became of it.
class NaprawaTriggerow {
 public:
  NaprawaTriggerow(TdmKonw& dm, const std::string& SciezkaInterbase)
      : dm_(dm),
        sciezka_(SciezkaInterbase),
        dziennik_(DziennikTriggerow::WKatalogu(dm.SciezkaKonwersji)),
        plik_(dziennik_.plik().string()),
        naBiezacej_(dm.DBi.connected() && equalsIgnoreCase(lokalizacja(dm.DBi), SciezkaInterbase)) {}

  std::vector<PrzywrocenieTriggera> wykonaj() {
    // A table of another process is being copied now: its trigger is off on purpose.
    struct Blokada {
      int fd;
      ~Blokada() {
        if (fd >= 0) ::close(fd);
      }
    } blokada{otworzKatalog(dm_.SciezkaKonwersji)};
    if (blokada.fd >= 0 && ::flock(blokada.fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
      uwaga("Trwa konwersja danych w innym procesie na tym komputerze (katalog " + dm_.SciezkaKonwersji +
                "): triggerów wyłączonych na czas jej kopii nie sprawdzano.",
            false);
      return std::move(wyniki_);
    }
    zDziennika();
    zListy();
    for (const DoNaprawy& d : doNaprawy_) napraw(d);
    return std::move(wyniki_);
  }

 private:
  void uwaga(std::string tekst, bool porazka = true) {
    PrzywrocenieTriggera p;
    p.zDziennika = true;
    p.porazka = porazka;
    p.komunikat = std::move(tekst);
    wyniki_.push_back(std::move(p));
  }

  void zDziennika() {
    try {
      std::vector<std::string> nieczytelne;
      for (WpisTriggera& w : dziennik_.Wczytaj(&nieczytelne)) doNaprawy_.push_back({std::move(w), true});
      for (const std::string& l : nieczytelne)
        uwaga("Wiersz \"" + l + "\" dziennika wyłączonych triggerów " + plik_ +
              " nie jest zapisem triggera; pozostawiono go bez zmian.");
    } catch (const std::exception& e) {
      uwaga("Nie można odczytać dziennika wyłączonych triggerów " + plik_ + ": " + tekstBledu(e) + ".");
    }
  }

  // The triggers that ListaTabel names and the program's database holds inactive.
  void zListy() {
    if (!naBiezacej_ || !dm_.tblLista.active()) return;
    try {
      stanBiezacej_ = stanTriggerow(dm_.DBi);
      for (dm_.tblLista.first(); !dm_.tblLista.eof(); dm_.tblLista.next()) {
        const std::string trigger = upperAscii(dm_.tblLista.fieldByName("TRIGGER_IB").asString());
        if (trigger.empty() || !BlednyIdentyfikatorListy(dm_.tblLista).empty()) continue;
        const auto s = stanBiezacej_.find(trigger);
        if (s == stanBiezacej_.end() || !s->second) continue;
        bool znany = false;
        for (const DoNaprawy& d : doNaprawy_)
          znany =
              znany || (equalsIgnoreCase(d.wpis.trigger, trigger) && equalsIgnoreCase(d.wpis.baza, sciezka_));
        if (!znany) doNaprawy_.push_back({WpisBiezacejTabeli(dm_), false});
      }
      dm_.tblLista.first();
    } catch (const std::exception& e) {
      uwaga("Nie można sprawdzić, czy triggery tabel z listy ListaTabel działają w bazie " + sciezka_ + ": " +
            tekstBledu(e) + ".");
    }
  }

  // The database a record names, with its triggers' states: the program's own, or one attached for it.
  std::pair<db::Database*, std::map<std::string, bool>*> baza(const WpisTriggera& w) {
    if (naBiezacej_ && equalsIgnoreCase(w.baza, sciezka_)) {
      if (stanBiezacej_.empty()) stanBiezacej_ = stanTriggerow(dm_.DBi);
      return {&dm_.DBi, &stanBiezacej_};
    }
    const std::string klucz = upperAscii(w.baza);
    auto& inna = inne_[klucz];
    if (!inna) {
      auto nowa = std::make_unique<db::Database>("DBtriggery" + std::to_string(inne_.size()), dm_.session);
      nowa->setDriverName(dm_.DBi.driverName());
      for (const std::string& l : dm_.DBi.params())
        nowa->addParam(upperAscii(l.substr(0, std::string(kSerwer).size())) == kSerwer ? kSerwer + w.baza
                                                                                       : l);
      nowa->connect();
      stanInnych_[klucz] = stanTriggerow(*nowa);
      inna = std::move(nowa);
    }
    return {inna.get(), &stanInnych_[klucz]};
  }

  void napraw(const DoNaprawy& d) {
    const WpisTriggera& w = d.wpis;
    PrzywrocenieTriggera p{w.trigger, w.tabela, w.baza, d.zDziennika, false, false, ""};
    const std::string gdzie = equalsIgnoreCase(w.baza, sciezka_) ? "" : " (baza " + w.baza + ")";
    const std::string czyj = "triggera " + w.trigger + " tabeli " + w.tabela + gdzie;
    const std::string dlaczego =
        d.zDziennika
            ? ", wyłączonego przez przerwaną konwersję"
            : ", zastanego w bazie Firebird jako wyłączony (wyłącza go na czas kopii konwersja danych)";
    auto blad = [&](const std::string& tekst) {
      p.porazka = true;
      p.komunikat =
          "Nie udało się przywrócić działania " + czyj + dlaczego + ": " + tekst +
          ". Dopóki trigger jest wyłączony, dopisanie wiersza do tej tabeli się nie powiedzie; następne "
          "uruchomienie programu ponowi próbę.";
      wyniki_.push_back(p);
    };
    if (const std::string odmowa = BlednyIdentyfikator(
            {{"TABELA_IB", w.tabela}, {"TRIGGER_IB", w.trigger}, {"GENERATOR_IB", w.generator}},
            "dziennik " + plik_);
        !odmowa.empty()) {
      blad(trim(odmowa));
      return;
    }
    try {
      const auto [polaczenie, stan] = baza(w);
      const auto s = stan->find(upperAscii(w.trigger));
      if (s == stan->end()) {
        blad("trigger nie istnieje w bazie; wpis pozostaje w dzienniku " + plik_);
        return;
      }
      const bool wylaczony = s->second;
      if (wylaczony) {
        db::Query q;
        q.setDatabase(polaczenie);
        WykonajSql(q, "alter trigger " + w.trigger + " active");
        s->second = false;
      }
      const std::string generator = GeneratorZaNajwiekszym(*polaczenie, w);
      p.przywrocony = wylaczony;
      if (wylaczony)
        p.komunikat = "Przywrócono działanie " + czyj + dlaczego + "." + generator;
      else if (!generator.empty())
        p.komunikat = "Trigger " + w.trigger + " tabeli " + w.tabela + gdzie + " działa." + generator;
      if (d.zDziennika) {
        try {
          dziennik_.Usun(w);
        } catch (const std::exception& e) {
          p.komunikat += (p.komunikat.empty() ? "" : " ") + std::string("Nie można usunąć wpisu triggera ") +
                         w.trigger + " z dziennika wyłączonych triggerów " + plik_ + ": " + tekstBledu(e) +
                         ".";
        }
      }
      // A record of a trigger already on, whose generator was past, was left by a copy killed after it
      // switched the trigger on: nothing to say.
      if (!p.komunikat.empty()) wyniki_.push_back(p);
    } catch (const std::exception& e) {
      blad(tekstBledu(e));
    }
  }

  TdmKonw& dm_;
  const std::string& sciezka_;
  const DziennikTriggerow dziennik_;
  const std::string plik_;
  const bool naBiezacej_;
  std::vector<PrzywrocenieTriggera> wyniki_;
  std::vector<DoNaprawy> doNaprawy_;
  std::map<std::string, bool> stanBiezacej_;
  std::map<std::string, std::unique_ptr<db::Database>> inne_;
  std::map<std::string, std::map<std::string, bool>> stanInnych_;
};

}  // namespace

std::vector<PrzywrocenieTriggera> PrzywrocWylaczoneTriggery(TdmKonw& dm,
                                                            const std::string& SciezkaInterbase) {
  return NaprawaTriggerow(dm, SciezkaInterbase).wykonaj();
}

}  // namespace konw
