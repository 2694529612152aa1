// The matching of sent rows with stored ones.
#include "convert/porownanie_wierszy.h"

#include <algorithm>
#include <compare>
#include <optional>

#include "convert/suma_wierszy.h"
#include "convert/wartosci_kolumn.h"

namespace konw {

namespace {

using db::Value;
using namespace wartosci;
using skroty::skrotWiersza;

struct Porownanie {
  const std::vector<std::string>& nazwy;
  const std::vector<db::FieldDef>& kolumny;
  const std::vector<int>& klucz;
  const std::string& etykieta;
  const std::function<bool()>& przerwac;
  WynikWeryfikacji w;
  std::int64_t krok = 0;

  bool czyPrzerwac() {
    if (!przerwac || ++krok % 256 != 0) return false;
    w.przerwana = w.przerwana || przerwac();
    return w.przerwana;
  }

  void roznica(std::string linia) {
    ++w.roznic;
    if (w.linie.size() < kLimitRoznic) w.linie.push_back("*** Tabela " + etykieta + linia + " ***");
  }

  std::string opisKlucza(const Wiersz& wiersz) const {
    if (klucz.empty()) return {};
    std::string s = ", klucz ";
    for (std::size_t i = 0; i < klucz.size(); ++i)
      s += (i ? "; " : "") + nazwy[static_cast<std::size_t>(klucz[i])] + "=" +
           opis(wiersz[static_cast<std::size_t>(klucz[i])]);
    return s;
  }

  std::string opisWiersza(const Wiersz& wiersz) const {
    if (!klucz.empty()) return opisKlucza(wiersz);
    std::string s = ", wartości ";
    for (std::size_t i = 0; i < wiersz.size(); ++i) s += (i ? "; " : "") + nazwy[i] + "=" + opis(wiersz[i]);
    if (s.size() > 200) s = s.substr(0, 200) + "...";
    return s;
  }

  WierszKolumn wKolumnach(const Wiersz& wyslany) const {
    WierszKolumn out(wyslany.size());
    for (std::size_t i = 0; i < wyslany.size(); ++i) out[i] = WartoscWKolumnie(wyslany[i], kolumny[i]);
    return out;
  }
  Wiersz zapisany(const Wiersz& surowy) const {
    Wiersz out(surowy.size());
    for (std::size_t i = 0; i < surowy.size(); ++i) out[i] = WartoscZapisana(surowy[i], kolumny[i]);
    return out;
  }

  // Reports each value of a matched pair of rows that differs.
  void porownajPare(std::int64_t rekord, const Wiersz& wyslany, const WierszKolumn& oczekiwany,
                    const Wiersz& surowy, const Wiersz& zapisany) {
    for (std::size_t i = 0; i < oczekiwany.size(); ++i) {
      if (oczekiwany[i] && porownajWartosci(*oczekiwany[i], zapisany[i]) == 0) continue;
      roznica(", rekord " + std::to_string(rekord) + opisKlucza(wyslany) + ", pole " + nazwy[i] +
              ": wysłano " + opis(wyslany[i], kolumny[i]) + ", zapisano " + opis(surowy[i], kolumny[i]));
    }
  }
  void brak(std::int64_t rekord, const Wiersz& wyslany) {
    roznica(", rekord " + std::to_string(rekord) + opisKlucza(wyslany) + ": wiersza brak w tabeli firebird");
  }
  void nadmiarowy(const Wiersz& surowy) {
    roznica(opisWiersza(surowy) + ": wiersz w tabeli firebird bez odpowiednika w paradox");
  }

  std::partial_ordering porownajKlucze(const WierszKolumn& a, const Wiersz& b) const {
    for (int k : klucz) {
      const auto c = porownajWartosci(*a[static_cast<std::size_t>(k)], b[static_cast<std::size_t>(k)]);
      if (c != 0) return c;
    }
    return std::partial_ordering::equivalent;
  }
  // Between sent rows, whose key values are all there.
  std::partial_ordering porownajKlucze(const WierszKolumn& a, const WierszKolumn& b) const {
    for (int k : klucz) {
      const auto c = porownajWartosci(*a[static_cast<std::size_t>(k)], *b[static_cast<std::size_t>(k)]);
      if (c != 0) return c;
    }
    return std::partial_ordering::equivalent;
  }

  // Pairs the rows in the order both sides hold them; true when every pair is equal and neither side has
  // a row left over (a row the copy may have left out may lack its pair). Nothing is reported: any
  // other outcome is left to the matching by key or by digest.
  bool kolejno(StronaWeryfikacji& wyslane, StronaWeryfikacji& zapisane) {
    Wiersz wyslany, surowy;
    std::int64_t rekord = 0, rekordF = 0;
    bool pomijalny = false, pomijalnyF = false;
    wyslane.odPoczatku(false);
    zapisane.odPoczatku(false);
    bool jestF = zapisane.nastepny(surowy, rekordF, pomijalnyF);
    const auto rowne = [&] {
      for (std::size_t i = 0; i < kolumny.size(); ++i)
        if (!zgodne(wyslany[i], surowy[i], kolumny[i])) return false;
      return true;
    };
    while (wyslane.nastepny(wyslany, rekord, pomijalny)) {
      if (czyPrzerwac()) return true;
      ++w.wyslanych;
      if (jestF && rowne()) {
        ++w.zapisanych;
        jestF = zapisane.nastepny(surowy, rekordF, pomijalnyF);
      } else if (!pomijalny) {
        w = WynikWeryfikacji{};
        return false;
      }
    }
    if (jestF) {
      w = WynikWeryfikacji{};
      return false;
    }
    w.sposob = WynikWeryfikacji::Sposob::Kolejno;
    return true;
  }

  // Matches in key order; false (with nothing reported) when the sent rows turn out not to ascend.
  bool scalaj(StronaWeryfikacji& wyslane, StronaWeryfikacji& zapisane) {
    for (int k : klucz)
      if (!kluczPorzadkowalny(kolumny[static_cast<std::size_t>(k)].type)) return false;
    Wiersz wyslany, surowy, zapisanyW;
    WierszKolumn oczekiwany, poprzedni;
    std::int64_t rekord = 0, rekordF = 0;
    bool pomijalny = false, pomijalnyF = false;
    wyslane.odPoczatku(false);
    zapisane.odPoczatku(true);
    auto nastepnyP = [&] {
      if (!wyslane.nastepny(wyslany, rekord, pomijalny)) return false;
      ++w.wyslanych;
      std::swap(poprzedni, oczekiwany);
      oczekiwany = wKolumnach(wyslany);
      for (int k : klucz)
        if (!oczekiwany[static_cast<std::size_t>(k)]) throw std::out_of_range("klucz");
      if (!poprzedni.empty() && !(porownajKlucze(oczekiwany, poprzedni) > 0))
        throw std::out_of_range("kolejność");
      return true;
    };
    auto nastepnyF = [&] {
      if (!zapisane.nastepny(surowy, rekordF, pomijalnyF)) return false;
      ++w.zapisanych;
      zapisanyW = zapisany(surowy);
      return true;
    };
    try {
      bool jestP = nastepnyP(), jestF = nastepnyF();
      while (jestP || jestF) {
        if (czyPrzerwac()) return true;
        const auto c = !jestP   ? std::partial_ordering::greater
                       : !jestF ? std::partial_ordering::less
                                : porownajKlucze(oczekiwany, zapisanyW);
        if (c == 0) {
          porownajPare(rekord, wyslany, oczekiwany, surowy, zapisanyW);
          jestP = nastepnyP();
          jestF = nastepnyF();
        } else if (c < 0) {
          if (!pomijalny) brak(rekord, wyslany);
          jestP = nastepnyP();
        } else {
          nadmiarowy(surowy);
          jestF = nastepnyF();
        }
      }
    } catch (const std::out_of_range&) {
      w = WynikWeryfikacji{};
      return false;
    }
    w.sposob = WynikWeryfikacji::Sposob::WgKlucza;
    return true;
  }

  // A sent row by its digest: 12 bytes a row.
#pragma pack(push, 1)
  struct Odcisk {
    std::uint64_t skrot;
    std::uint32_t rekord;  // number from 1, with the flags below
  };
#pragma pack(pop)
  static constexpr std::uint32_t kDopasowany = 1u << 31, kPomijalny = 1u << 30, kZmieniony = 1u << 29,
                                 kNumer = kZmieniony - 1;

  void odciski(StronaWeryfikacji& wyslane, StronaWeryfikacji& zapisane) {
    std::vector<Odcisk> odciski;
    Wiersz wiersz, surowy;
    std::int64_t rekord = 0;
    bool pomijalny = false;
    w.sposob = WynikWeryfikacji::Sposob::Odciski;
    wyslane.odPoczatku(false);
    while (wyslane.nastepny(wiersz, rekord, pomijalny)) {
      if (czyPrzerwac()) return;
      ++w.wyslanych;
      const WierszKolumn oczekiwany = wKolumnach(wiersz);
      Wiersz kanon(oczekiwany.size());
      bool zmieniony = false;
      for (std::size_t i = 0; i < oczekiwany.size(); ++i) {
        zmieniony = zmieniony || !oczekiwany[i];
        if (oczekiwany[i]) kanon[i] = *oczekiwany[i];
      }
      auto numer = static_cast<std::uint32_t>(std::min<std::int64_t>(rekord, kNumer));
      odciski.push_back({zmieniony ? 0 : skrotWiersza(kanon),
                         numer | (pomijalny ? kPomijalny : 0) | (zmieniony ? kZmieniony : 0)});
    }
    std::sort(odciski.begin(), odciski.end(),
              [](const Odcisk& a, const Odcisk& b) { return a.skrot < b.skrot; });

    // Stored rows without a sent counterpart; the first ones are kept for pairing with the sent rows.
    constexpr std::size_t kZachowanych = 1000;
    std::vector<Wiersz> nadmiarowe, nadmiaroweKanon;
    std::int64_t nadmiarowychPonad = 0;
    zapisane.odPoczatku(false);
    bool p2 = false;
    std::int64_t r2 = 0;
    while (zapisane.nastepny(surowy, r2, p2)) {
      if (czyPrzerwac()) return;
      ++w.zapisanych;
      Wiersz kanon = zapisany(surowy);
      const std::uint64_t h = skrotWiersza(kanon);
      bool znaleziony = false;
      auto it = std::lower_bound(odciski.begin(), odciski.end(), h,
                                 [](const Odcisk& a, std::uint64_t s) { return a.skrot < s; });
      for (; it != odciski.end() && it->skrot == h; ++it) {
        const std::uint32_t r = it->rekord;
        if ((r & (kDopasowany | kZmieniony)) == 0) {
          it->rekord = r | kDopasowany;
          znaleziony = true;
          break;
        }
      }
      if (znaleziony) continue;
      if (nadmiarowe.size() < kZachowanych) {
        nadmiarowe.push_back(surowy);
        nadmiaroweKanon.push_back(std::move(kanon));
      } else {
        ++nadmiarowychPonad;
      }
    }

    // The sent rows left without a counterpart, by record number.
    std::vector<std::uint32_t> bez;
    for (const Odcisk& o : odciski) {
      const std::uint32_t r = o.rekord;
      if ((r & kDopasowany) == 0 && (r & kPomijalny) == 0) bez.push_back(r & kNumer);
    }
    odciski = {};
    std::sort(bez.begin(), bez.end());

    // Each such row is paired with a surplus stored one (by key, otherwise in order) to name the values.
    std::vector<bool> uzyty(nadmiarowe.size(), false);
    std::size_t nastepnyWolny = 0;
    if (!bez.empty()) {
      wyslane.odPoczatku(false);
      std::size_t b = 0;
      while (b < bez.size() && wyslane.nastepny(wiersz, rekord, pomijalny)) {
        if (static_cast<std::uint32_t>(std::min<std::int64_t>(rekord, kNumer)) != bez[b]) continue;
        ++b;
        const WierszKolumn oczekiwany = wKolumnach(wiersz);
        std::optional<std::size_t> para;
        if (!klucz.empty()) {
          bool kluczCaly = true;
          for (int k : klucz) kluczCaly = kluczCaly && oczekiwany[static_cast<std::size_t>(k)].has_value();
          for (std::size_t i = 0; kluczCaly && !para && i < nadmiarowe.size(); ++i)
            if (!uzyty[i] && porownajKlucze(oczekiwany, nadmiaroweKanon[i]) == 0) para = i;
        } else {
          while (nastepnyWolny < nadmiarowe.size() && uzyty[nastepnyWolny]) ++nastepnyWolny;
          if (nastepnyWolny < nadmiarowe.size()) para = nastepnyWolny;
        }
        if (para) {
          uzyty[*para] = true;
          porownajPare(rekord, wiersz, oczekiwany, nadmiarowe[*para], nadmiaroweKanon[*para]);
        } else {
          brak(rekord, wiersz);
        }
      }
    }
    for (std::size_t i = 0; i < nadmiarowe.size(); ++i)
      if (!uzyty[i]) nadmiarowy(nadmiarowe[i]);
    w.roznic += nadmiarowychPonad;
  }
};

}  // namespace

WynikWeryfikacji PorownajWiersze(const std::vector<std::string>& nazwy,
                                 const std::vector<db::FieldDef>& kolumny, const std::vector<int>& klucz,
                                 StronaWeryfikacji& wyslane, StronaWeryfikacji& zapisane,
                                 const std::string& etykieta, const std::function<bool()>& przerwac) {
  Porownanie p{nazwy, kolumny, klucz, etykieta, przerwac, {}};
  if (!p.kolejno(wyslane, zapisane) && (klucz.empty() || !p.scalaj(wyslane, zapisane)))
    p.odciski(wyslane, zapisane);
  const auto opisane = static_cast<std::int64_t>(p.w.linie.size());
  if (p.w.roznic > opisane)
    p.w.linie.push_back("*** Tabela " + etykieta + ": oraz " +
                        Ile(p.w.roznic - opisane, "dalsza różnica", "dalsze różnice", "dalszych różnic") +
                        " ***");
  return p.w;
}

std::string Ile(std::int64_t n, const char* jeden, const char* kilka, const char* wiele) {
  const std::int64_t d = n % 10, s = n % 100;
  const char* forma = n == 1 ? jeden : (d >= 2 && d <= 4 && (s < 12 || s > 14)) ? kilka : wiele;
  return std::to_string(n) + " " + forma;
}

}  // namespace konw
