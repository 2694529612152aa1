// The verification after a table copy: both sides turned into the values the target columns hold, then
// matched row by row, in key order where the keys allow it, otherwise by 64-bit row digests.
#include "convert/weryfikacja.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <compare>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "control/konwersja_dm.h"
#include "convert/przebieg.h"
#include "db/engine.h"
#include "platform/operator.h"
#include "platform/text.h"

namespace konw {

namespace {

using db::FieldType;
using db::Value;
using Wiersz = std::vector<Value>;
// A sent row as its columns hold it; nullopt where a column could not hold the value sent.
using WierszKolumn = std::vector<std::optional<Value>>;

bool calkowita(FieldType t) {
  return t == FieldType::Smallint || t == FieldType::Integer || t == FieldType::LargeInt ||
         t == FieldType::Word || t == FieldType::AutoInc;
}
bool tekstowa(FieldType t) {
  return t == FieldType::String || t == FieldType::FixedChar || t == FieldType::WideString;
}
bool duzyObiekt(FieldType t) {
  return t == FieldType::Memo || t == FieldType::FmtMemo || t == FieldType::Blob || t == FieldType::Graphic ||
         t == FieldType::Bytes || t == FieldType::VarBytes || t == FieldType::TypedBinary;
}

// The text without the blanks at its end (CHAR pads with them).
std::string_view bezSpacjiNaKoncu(std::string_view s) {
  const auto koniec = s.find_last_not_of(' ');
  return s.substr(0, koniec == std::string_view::npos ? 0 : koniec + 1);
}

std::size_t znakiUtf8(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

// The shortest text without an exponent that reads back as the same float.
std::string najkrotszy(float x) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed);
  return std::string(buf, r.ptr);
}

// A double as the decimal it stands for: its shortest round-trip decimal (98765432109.87654 needs five
// decimals, 123456789012.3456 four), except that a 17th significant digit, which only binary noise needs,
// is rounded off (0.1 + 0.2, stored as 0.30000000000000004, is 0.3). Nullopt when not finite.
std::optional<db::Decimal> zDouble(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  db::Decimal d = db::Decimal::fromDoubleAtMost(x, std::numeric_limits<int>::max());
  __int128 granica = 1;
  for (int i = 0; i < 16; ++i) granica *= 10;
  if (d.unscaled >= granica || d.unscaled <= -granica) {
    d = d.rescaled(d.scale - 1);
    while (d.unscaled != 0 && d.unscaled % 10 == 0) {
      d.unscaled /= 10;
      --d.scale;
    }
  }
  return d;
}

// The exact value of a number sent, as a decimal; a double counts as the decimal it stands for.
std::optional<db::Decimal> dokladna(const Value& v) {
  try {
    if (const auto* i = std::get_if<std::int64_t>(&v)) return db::Decimal{*i, 0};
    if (const auto* d = std::get_if<db::Decimal>(&v)) return *d;
    if (const auto* b = std::get_if<bool>(&v)) return db::Decimal{*b ? 1 : 0, 0};
    if (const auto* day = std::get_if<db::Date>(&v)) return db::Decimal{day->day, 0};
    if (const auto* x = std::get_if<double>(&v)) return zDouble(*x);
    if (const auto* s = std::get_if<std::string>(&v)) {
      std::string t = trim(*s);
      if (t.find('.') == std::string::npos)
        if (auto comma = t.find(','); comma != std::string::npos) t[comma] = '.';
      return db::Decimal::parse(t);
    }
  } catch (const db::EngineError&) {
  } catch (const std::invalid_argument&) {
  }
  return std::nullopt;
}

// The double a number sent becomes, when it becomes one without losing digits.
std::optional<double> jakoDouble(const Value& v) {
  if (const auto* x = std::get_if<double>(&v)) return std::isfinite(*x) ? std::optional(*x) : std::nullopt;
  const auto d = dokladna(v);
  if (!d) return std::nullopt;
  const double x = d->toDouble();
  try {
    if (std::isfinite(x) && db::Decimal::fromDoubleAtMost(x, 30) == *d) return x;
  } catch (const db::EngineError&) {
  }
  return std::nullopt;
}

// Positive and negative zero are one value, and every NaN is one (whatever its sign and payload), so
// that equal values compare and add up alike.
double kanon(double x) {
  if (std::isnan(x)) return std::numeric_limits<double>::quiet_NaN();
  return x == 0 ? 0.0 : x;
}

// The bytes of a value sent into a column of no character set: bytes as they are, text as its bytes.
std::string bajty(const Value& v) {
  if (const auto* b = std::get_if<db::Bytes>(&v)) return b->data;
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  return db::valueToSqlText(v);
}

// Such bytes without what the column adds or drops: the padding of a CHAR (blanks, NULs in OCTETS),
// the blanks beyond the declared length.
std::string_view bezDopelnienia(std::string_view s, const db::FieldDef& k) {
  if (!tekstowa(k.type)) return s;
  if (k.fixedLength) return s.substr(0, s.find_last_not_of(std::string_view(" \0", 2)) + 1);
  if (k.size > 0 && s.size() > static_cast<std::size_t>(k.size)) return bezSpacjiNaKoncu(s);
  return s;
}

bool bajtowa(const db::FieldDef& k) {
  return k.binary && (tekstowa(k.type) || duzyObiekt(k.type));
}

std::optional<db::DateTime> dataCzas(const Value& v) {
  if (const auto* dt = std::get_if<db::DateTime>(&v)) return *dt;
  if (const auto* d = std::get_if<db::Date>(&v)) return db::DateTime{*d, {}};
  if (const auto* t = std::get_if<db::Time>(&v)) return db::DateTime{{}, *t};
  if (const auto* i = std::get_if<std::int64_t>(&v))
    if (*i >= -700000 && *i <= 3000000) return db::DateTime{db::Date{static_cast<std::int32_t>(*i)}, {}};
  return std::nullopt;
}

// Firebird keeps times to a tenth of a millisecond.
bool pelneDziesiateMs(db::Time t) {
  return t.us % 100 == 0;
}

}  // namespace

std::optional<Value> WartoscWKolumnie(const Value& v, const db::FieldDef& k) {
  if (db::isNull(v)) return Value{db::Null{}};
  if (bajtowa(k)) return Value{db::Bytes{std::string(bezDopelnienia(bajty(v), k))}};
  const auto* text = std::get_if<std::string>(&v);
  // Blank text is no value in a column that is not text.
  if (text && !tekstowa(k.type) && !duzyObiekt(k.type) && trim(*text).empty()) return Value{db::Null{}};

  if (tekstowa(k.type)) {
    std::string t = text ? *text : db::valueToSqlText(v);
    // CHAR pads with blanks, and blanks beyond the declared length are dropped on the way in.
    if (k.fixedLength || (k.size > 0 && znakiUtf8(t) > static_cast<std::size_t>(k.size)))
      t.resize(bezSpacjiNaKoncu(t).size());
    return Value{std::move(t)};
  }
  if (duzyObiekt(k.type)) return Value{text ? *text : db::valueToSqlText(v)};

  if (calkowita(k.type) || k.type == FieldType::BCD) {
    const auto d = dokladna(v);
    if (!d) return std::nullopt;
    try {
      const db::Decimal r = d->rescaled(k.type == FieldType::BCD ? k.scale : 0);
      if (r == *d) return Value{r};
    } catch (const db::EngineError&) {
    }
    return std::nullopt;
  }
  if (k.type == FieldType::Float || k.type == FieldType::Currency) {
    // Infinities and NaN are held as they are, in either precision.
    if (const auto* n = std::get_if<double>(&v); n && !std::isfinite(*n)) return Value{kanon(*n)};
    const auto x = jakoDouble(v);
    if (!x) return std::nullopt;
    if (k.width != 4) return Value{kanon(*x)};
    // Single precision keeps about seven digits: the value is unchanged when the float is exactly it,
    // or when the float's shortest decimal is the value sent.
    const auto f = static_cast<float>(*x);
    if (!std::isfinite(f)) return std::nullopt;
    if (static_cast<double>(f) != *x) {
      const auto wyslana = dokladna(v);
      std::optional<db::Decimal> trzyma;
      try {
        trzyma = db::Decimal::parse(najkrotszy(f));
      } catch (const std::invalid_argument&) {
      }
      if (!wyslana || !trzyma || !(*wyslana == *trzyma)) return std::nullopt;
    }
    return Value{kanon(static_cast<double>(f))};
  }
  if (k.type == FieldType::Date || k.type == FieldType::Time || k.type == FieldType::DateTime) {
    auto dt = dataCzas(v);
    if (!dt) {
      // A number of days with a fraction for the time of day, as the driver reads it.
      const auto x = jakoDouble(v);
      if (!x || *x < -700000 || *x > 3000000) return std::nullopt;
      const double day = std::floor(*x);
      const auto us = static_cast<std::int64_t>(std::llround((*x - day) * 86400e6));
      if (static_cast<double>(us) != (*x - day) * 86400e6) return std::nullopt;
      dt = db::DateTime{db::Date{static_cast<std::int32_t>(day)}, db::Time{us}};
    }
    if (k.type == FieldType::Date) {
      if (dt->time.us != 0) return std::nullopt;
      return Value{dt->date};
    }
    if (!pelneDziesiateMs(dt->time)) return std::nullopt;
    if (k.type == FieldType::Time) {
      if (dt->date.day != 0) return std::nullopt;
      return Value{dt->time};
    }
    return Value{*dt};
  }
  if (k.type == FieldType::Boolean) {
    // Only a value with a truth value; the driver refuses any other.
    if (const auto b = db::truthValue(v)) return Value{*b};
    return std::nullopt;
  }
  return v;
}

Value WartoscZapisana(const Value& v, const db::FieldDef& k) {
  if (db::isNull(v)) return v;
  if (bajtowa(k)) return db::Bytes{std::string(bezDopelnienia(bajty(v), k))};
  if (tekstowa(k.type)) {
    if (const auto* s = std::get_if<std::string>(&v))
      return k.fixedLength ? std::string(bezSpacjiNaKoncu(*s)) : *s;
    return v;
  }
  if (duzyObiekt(k.type)) {
    if (const auto* b = std::get_if<db::Bytes>(&v)) return b->data;
    return v;
  }
  if (calkowita(k.type) || k.type == FieldType::BCD) {
    if (auto d = dokladna(v)) {
      try {
        return d->rescaled(k.type == FieldType::BCD ? k.scale : 0);
      } catch (const db::EngineError&) {
      }
    }
    return v;
  }
  if (k.type == FieldType::Float || k.type == FieldType::Currency) {
    if (const auto* x = std::get_if<double>(&v))
      return kanon(k.width == 4 ? static_cast<double>(static_cast<float>(*x)) : *x);
    return v;
  }
  return v;
}

namespace {

// "1 wiersz", "3 wiersze", "5 wierszy": the number with its noun in the form Polish gives it.
std::string ile(std::int64_t n, const char* jeden, const char* kilka, const char* wiele) {
  const std::int64_t d = n % 10, s = n % 100;
  const char* forma = n == 1 ? jeden : (d >= 2 && d <= 4 && (s < 12 || s > 14)) ? kilka : wiele;
  return std::to_string(n) + " " + forma;
}

std::uint64_t miesz(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  x ^= x >> 31;
  return x;
}

std::uint64_t skrotWartosci(const Value& v) {
  const auto tekst = [](std::string_view s) { return std::hash<std::string_view>{}(s); };
  struct Odwiedzajacy {
    decltype(tekst)& t;
    std::uint64_t operator()(db::Null) const { return 0x6e756c6cULL; }
    std::uint64_t operator()(bool b) const { return b ? 0x54 : 0x4e; }
    std::uint64_t operator()(std::int64_t i) const { return static_cast<std::uint64_t>(i); }
    std::uint64_t operator()(double d) const {
      d = kanon(d);
      std::uint64_t bits;
      std::memcpy(&bits, &d, sizeof bits);
      return bits;
    }
    std::uint64_t operator()(const db::Decimal& d) const {
      const auto u = static_cast<unsigned __int128>(d.unscaled);
      return miesz(static_cast<std::uint64_t>(u)) ^ static_cast<std::uint64_t>(u >> 64) ^
             static_cast<std::uint64_t>(d.scale);
    }
    std::uint64_t operator()(db::Date d) const { return static_cast<std::uint64_t>(d.day); }
    std::uint64_t operator()(db::Time t) const { return static_cast<std::uint64_t>(t.us); }
    std::uint64_t operator()(const db::DateTime& dt) const {
      return miesz(static_cast<std::uint64_t>(dt.date.day)) ^ static_cast<std::uint64_t>(dt.time.us);
    }
    std::uint64_t operator()(const std::string& s) const { return t(s); }
    std::uint64_t operator()(const db::Bytes& b) const { return t(b.data); }
  };
  return miesz(std::visit(Odwiedzajacy{tekst}, v) + 0x9e3779b97f4a7c15ULL * (v.index() + 1));
}

constexpr std::uint64_t kPoczatekWiersza = 0x243f6a8885a308d3ULL;
std::uint64_t dolacz(std::uint64_t wiersz, std::uint64_t wartosc) {
  return miesz(wiersz ^ wartosc) + 0x9e3779b97f4a7c15ULL;
}

std::uint64_t skrotWiersza(const Wiersz& w) {
  std::uint64_t h = kPoczatekWiersza;
  for (const Value& v : w) h = dolacz(h, skrotWartosci(v));
  return h;
}

// skrotWartosci of text, and of a decimal, without making the Value.
std::uint64_t skrotTekstu(std::string_view s) {
  static const std::size_t indeks = Value{std::string()}.index();
  return miesz(std::hash<std::string_view>{}(s) + 0x9e3779b97f4a7c15ULL * (indeks + 1));
}
std::uint64_t skrotDziesietnej(std::int64_t unscaled, int scale) {
  return skrotWartosci(Value{db::Decimal{unscaled, scale}});
}

// The decimal a double sent into NUMERIC at `scale` stands for, when it is the double nearest to a
// whole number of units of that scale below 10^15 (then it is the decimal of at most 15 digits the
// double stands for, and it fits the scale); nullopt otherwise.
std::optional<std::int64_t> wJednostkach(double x, int scale) {
  static constexpr double kPotegi[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  if (scale < 0 || scale > 9) return std::nullopt;
  const double p = kPotegi[scale];
  const double c = std::nearbyint(x * p);
  if (std::fabs(c) < 1e15 && c / p == x) return static_cast<std::int64_t>(c);
  return std::nullopt;
}

// skrotWartosci of what a column holds for a value sent (WartoscWKolumnie), the common cases without
// copies; nullopt when the column cannot hold the value.
std::optional<std::uint64_t> skrotWyslanej(const Value& v, const db::FieldDef& k) {
  if (const auto* s = std::get_if<std::string>(&v); s && tekstowa(k.type) && !k.binary) {
    const bool zaDlugi = k.size > 0 && s->size() > static_cast<std::size_t>(k.size) &&
                         znakiUtf8(*s) > static_cast<std::size_t>(k.size);
    return skrotTekstu(k.fixedLength || zaDlugi ? bezSpacjiNaKoncu(*s) : std::string_view(*s));
  }
  if (const auto* i = std::get_if<std::int64_t>(&v); i && calkowita(k.type)) return skrotDziesietnej(*i, 0);
  if (const auto* x = std::get_if<double>(&v); x && k.type == FieldType::BCD)
    if (const auto c = wJednostkach(*x, k.scale)) return skrotDziesietnej(*c, k.scale);
  const auto trzyma = WartoscWKolumnie(v, k);
  if (!trzyma) return std::nullopt;
  return skrotWartosci(*trzyma);
}

// skrotWartosci of a stored value in the form WartoscZapisana gives, the common cases without copies.
std::uint64_t skrotZapisanej(const Value& v, const db::FieldDef& k) {
  if (const auto* s = std::get_if<std::string>(&v); s && tekstowa(k.type) && !k.binary)
    return skrotTekstu(k.fixedLength ? bezSpacjiNaKoncu(*s) : std::string_view(*s));
  if (const auto* i = std::get_if<std::int64_t>(&v); i && calkowita(k.type)) return skrotDziesietnej(*i, 0);
  if (const auto* d = std::get_if<db::Decimal>(&v); d && k.type == FieldType::BCD && d->scale == k.scale)
    return skrotWartosci(v);
  return skrotWartosci(WartoscZapisana(v, k));
}

// Key values in the order Firebird sorts them; only types compared here are matched in key order.
bool kluczPorzadkowalny(FieldType t) {
  return calkowita(t) || t == FieldType::BCD || t == FieldType::Float || t == FieldType::Date ||
         t == FieldType::Time || t == FieldType::DateTime || t == FieldType::Boolean;
}

std::partial_ordering porownajWartosci(const Value& a, const Value& b) {
  if (a.index() != b.index()) return a.index() <=> b.index();  // nulls first
  return std::visit(
      [&](const auto& x) -> std::partial_ordering {
        using T = std::decay_t<decltype(x)>;
        const T& y = std::get<T>(b);
        if constexpr (std::is_same_v<T, db::Null>) {
          return std::partial_ordering::equivalent;
        } else if constexpr (std::is_same_v<T, db::Bytes>) {
          return x.data <=> y.data;
        } else if constexpr (std::is_same_v<T, double>) {
          // Two NaNs are the same value (see kanon).
          return std::isnan(x) && std::isnan(y) ? std::partial_ordering::equivalent : x <=> y;
        } else {
          return x <=> y;
        }
      },
      a);
}

// Whether a stored value is what the column holds for the value sent: the comparison porownajPare
// makes, with the common cases (equal integers, text that needs no trimming) answered without copies.
bool zgodne(const Value& wyslana, const Value& zapisana, const db::FieldDef& k) {
  if (wyslana.index() == zapisana.index()) {
    if (db::isNull(wyslana)) return true;
    if (calkowita(k.type))
      if (const auto* i = std::get_if<std::int64_t>(&wyslana)) return *i == std::get<std::int64_t>(zapisana);
    if (tekstowa(k.type) && !k.binary)
      if (const auto* a = std::get_if<std::string>(&wyslana)) {
        const std::string& b = std::get<std::string>(zapisana);
        if (k.fixedLength) return bezSpacjiNaKoncu(*a) == bezSpacjiNaKoncu(b);
        if (k.size <= 0 || a->size() <= static_cast<std::size_t>(k.size)) return *a == b;
      }
    if (k.type == FieldType::Float && k.width == 8)
      if (const auto* x = std::get_if<double>(&wyslana); x && std::isfinite(*x))
        return *x == std::get<double>(zapisana);
  }
  // A double into NUMERIC at its scale (see wJednostkach).
  if (k.type == FieldType::BCD)
    if (const auto* x = std::get_if<double>(&wyslana))
      if (const auto* d = std::get_if<db::Decimal>(&zapisana); d && d->scale == k.scale)
        if (const auto c = wJednostkach(*x, k.scale)) return d->unscaled == *c;
  const auto trzyma = WartoscWKolumnie(wyslana, k);
  return trzyma && porownajWartosci(*trzyma, WartoscZapisana(zapisana, k)) == 0;
}

std::string opis(const Value& v) {
  if (db::isNull(v)) return "NULL";
  if (const auto* s = std::get_if<std::string>(&v)) return "\"" + *s + "\"";
  if (const auto* b = std::get_if<db::Bytes>(&v)) {
    // Bytes in hexadecimal, the first 64 of them.
    static constexpr char kCyfry[] = "0123456789ABCDEF";
    std::string h = "0x";
    for (std::size_t i = 0; i < b->data.size() && i < 64; ++i) {
      const auto c = static_cast<unsigned char>(b->data[i]);
      h += kCyfry[c >> 4];
      h += kCyfry[c & 15];
    }
    return b->data.size() > 64 ? h + "… (" + std::to_string(b->data.size()) + " bajtów)" : h;
  }
  return db::valueToSqlText(v);
}
// A value of a column of no character set by its bytes.
std::string opis(const Value& v, const db::FieldDef& k) {
  return bajtowa(k) && !db::isNull(v) ? opis(Value{db::Bytes{bajty(v)}}) : opis(v);
}

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
                        ile(p.w.roznic - opisane, "dalsza różnica", "dalsze różnice", "dalszych różnic") +
                        " ***");
  return p.w;
}

void SumaWierszy::dodaj(db::Query& insert, std::uint64_t numer, bool pomijalny) {
  if (!pewna_) return;
  std::uint64_t h = kPoczatekWiersza;
  for (std::size_t k = 0; k < kolumny_.size(); ++k) {
    const auto wartosc = skrotWyslanej(insert.param(static_cast<int>(k)).value(), kolumny_[k]);
    if (!wartosc) {
      pewna_ = false;
      return;
    }
    h = dolacz(h, *wartosc);
  }
  suma_ += h;
  sumaDruga_ += drugi(h);
  ++wierszy_;
  if (pomijalny) pomijalne_[numer] = h;
}

void SumaWierszy::wycofaj(std::uint64_t numer) {
  const auto it = pomijalne_.find(numer);
  if (it == pomijalne_.end()) return;
  suma_ -= it->second;
  sumaDruga_ -= drugi(it->second);
  --wierszy_;
  pomijalne_.erase(it);
}

std::uint64_t SumaWierszy::skrotZapisanego(const std::vector<db::Value>& wiersz) const {
  std::uint64_t h = kPoczatekWiersza;
  for (std::size_t k = 0; k < kolumny_.size(); ++k) h = dolacz(h, skrotZapisanej(wiersz[k], kolumny_[k]));
  return h;
}

std::uint64_t SumaWierszy::drugi(std::uint64_t skrot) {
  return miesz(skrot ^ 0x6a09e667f3bcc909ULL);
}

namespace {

std::vector<db::FieldDef> opiszKolumny(db::Database& baza, const std::string& select) {
  db::Query opis;
  opis.setDatabase(&baza);
  opis.setUnidirectional(true);
  opis.addSql(select + " WHERE 1 = 0");
  opis.open();
  std::vector<db::FieldDef> kolumny;
  for (int k = 0; k < opis.fieldCount(); ++k) kolumny.push_back(opis.field(k).def());
  opis.close();
  return kolumny;
}

// "SELECT "A","B" FROM T": the columns the INSERT's parameters name, in their order. Text in no character
// set is read as the bytes it holds (CAST to OCTETS): a NONE column would come decoded in the
// connection's set, and the copy's bytes are compared as bytes.
std::string zapytanieOdczytu(db::Database& baza, db::Query& insert, const std::string& tabelaIb) {
  std::vector<std::string> nazwy;
  std::string lista;
  for (int k = 0; k < insert.paramCount(); ++k) {
    nazwy.push_back(quoteIdentifier(insert.param(k).name()));
    lista += (k ? "," : "") + nazwy.back();
  }
  const std::string proste = "SELECT " + lista + " FROM " + tabelaIb;
  const std::vector<db::FieldDef> kolumny = opiszKolumny(baza, proste);
  if (kolumny.size() != nazwy.size() ||
      std::none_of(kolumny.begin(), kolumny.end(), [](const db::FieldDef& k) {
        return k.binary && (tekstowa(k.type) || k.type == FieldType::Memo);
      }))
    return proste;
  lista.clear();
  for (std::size_t k = 0; k < nazwy.size(); ++k) {
    const db::FieldDef& c = kolumny[k];
    std::string kolumna = nazwy[k];
    if (c.binary && tekstowa(c.type) && c.size > 0)
      kolumna = "CAST(" + nazwy[k] + " AS " + (c.fixedLength ? "CHAR(" : "VARCHAR(") +
                std::to_string(c.size) + ") CHARACTER SET OCTETS) AS " + nazwy[k];
    else if (c.binary && c.type == FieldType::Memo)
      kolumna = "CAST(" + nazwy[k] + " AS BLOB SUB_TYPE 0) AS " + nazwy[k];
    lista += (k ? "," : "") + kolumna;
  }
  return "SELECT " + lista + " FROM " + tabelaIb;
}

// Adds the seconds from its making to its end to `sekundy`: the time verifying took.
struct Pomiar {
  double& sekundy;
  std::chrono::steady_clock::time_point od = std::chrono::steady_clock::now();
  ~Pomiar() { sekundy += std::chrono::duration<double>(std::chrono::steady_clock::now() - od).count(); }
};

// Adds up the rows of `odczyt` (open, at its first row) as the read-back adds up stored rows, into
// `stan`; false when `przerwac`, asked every 256 rows, stopped it.
bool SumujZapisane(db::Query& odczyt, const std::vector<db::FieldDef>& kolumny,
                   const std::function<bool()>& przerwac, StanZapisanej& stan) {
  std::uint64_t s1 = 0, s2 = 0;
  std::int64_t n = 0;
  for (; !odczyt.eof(); odczyt.next()) {
    if (++n % 256 == 0 && przerwac()) return false;
    std::uint64_t h = kPoczatekWiersza;
    for (std::size_t k = 0; k < kolumny.size(); ++k)
      h = dolacz(h, skrotZapisanej(odczyt.field(static_cast<int>(k)).value(), kolumny[k]));
    s1 += h;
    s2 += SumaWierszy::drugi(h);
  }
  stan.wierszy = n;
  stan.suma = s1;
  stan.sumaDruga = s2;
  return true;
}

}  // namespace

std::optional<SumaWierszy> PrzygotujSume(TPrzebieg& przebieg, db::Query& insert,
                                         const std::string& tabelaIb) {
  if (!przebieg.weryfikacja || insert.paramCount() == 0) return std::nullopt;
  try {
    db::Database& baza = przebieg.dm->DBi;
    std::vector<db::FieldDef> kolumny = opiszKolumny(baza, zapytanieOdczytu(baza, insert, tabelaIb));
    if (kolumny.size() != static_cast<std::size_t>(insert.paramCount())) return std::nullopt;
    return SumaWierszy(std::move(kolumny));
  } catch (const db::EngineError&) {
    return std::nullopt;
  }
}

std::optional<StanZapisanej> WeryfikujKopie(TPrzebieg& przebieg, db::Table& zrodlo, db::Query& insert,
                                            const std::string& tabelaIb,
                                            const std::function<void()>& ustawWiersz,
                                            const std::function<bool()>& pomijalny, bool poZakonczeniu) {
  if (!przebieg.weryfikacja || (przebieg.flagi.Przerwano && !poZakonczeniu)) return std::nullopt;
  const Pomiar pomiar{przebieg.sekundyWeryfikacji};
  TdmKonw& dm = *przebieg.dm;

  // The columns are the INSERT's parameters, named as the columns are.
  std::vector<std::string> nazwy;
  for (int k = 0; k < insert.paramCount(); ++k) nazwy.push_back(insert.param(k).name());
  if (nazwy.empty()) return std::nullopt;

  // The primary key, when every column of it is copied.
  std::vector<int> klucz;
  if (equalsIgnoreCase(dm.TblI.tableName(), tabelaIb)) {
    for (const db::IndexDef& indeks : dm.TblI.indexDefs()) {
      if (!indeks.primary) continue;
      for (const std::string& pole : splitList(indeks.fields)) {
        auto it = std::find(nazwy.begin(), nazwy.end(), pole);
        if (it == nazwy.end()) {
          klucz.clear();
          break;
        }
        klucz.push_back(static_cast<int>(it - nazwy.begin()));
      }
      break;
    }
  }
  // A table that cannot be read back is not known to be right: said, and the run goes on.
  const std::string etykieta = przebieg.EtykietaTabeli();
  WynikWeryfikacji w;
  StanZapisanej stan;
  try {
    // Read in the order the table holds its rows first (no index to walk), in key order only when the
    // comparison asks for it.
    const std::string sql = zapytanieOdczytu(dm.DBi, insert, tabelaIb);
    std::string sqlWgKlucza = sql;
    if (!klucz.empty()) {
      sqlWgKlucza += " ORDER BY ";
      for (std::size_t i = 0; i < klucz.size(); ++i)
        sqlWgKlucza += (i ? "," : "") + quoteIdentifier(nazwy[static_cast<std::size_t>(klucz[i])]);
    }
    db::Query odczyt;
    odczyt.setDatabase(&dm.DBi);
    odczyt.setUnidirectional(true);
    odczyt.addSql(sql);
    odczyt.open();
    std::vector<db::FieldDef> kolumny;
    for (int k = 0; k < odczyt.fieldCount(); ++k) kolumny.push_back(odczyt.field(k).def());

    const auto przerwac = [&] {
      przebieg.ui().processMessages();
      return przebieg.flagi.Przerwano && !poZakonczeniu;
    };
    stan.etykieta = etykieta;
    stan.tabelaIb = tabelaIb;
    stan.sql = sql;
    stan.kolumny = kolumny;
    bool poczatekP = true, poczatekF = true;
    StronaWeryfikacji wyslane{[&](bool) {
                                zrodlo.first();
                                poczatekP = true;
                              },
                              [&](Wiersz& wiersz, std::int64_t& rekord, bool& pom) {
                                if (!poczatekP) zrodlo.next();
                                poczatekP = false;
                                if (zrodlo.eof()) return false;
                                ustawWiersz();
                                wiersz.resize(nazwy.size());
                                for (std::size_t k = 0; k < nazwy.size(); ++k)
                                  wiersz[k] = insert.param(static_cast<int>(k)).value();
                                rekord = zrodlo.recNo();
                                pom = pomijalny && pomijalny();
                                return true;
                              }};
    bool otwarty = true, wgKlucza = false;
    StronaWeryfikacji zapisane{[&](bool kluczem) {
                                 if (kluczem != wgKlucza) {
                                   odczyt.close();
                                   odczyt.clearSql();
                                   odczyt.addSql(kluczem ? sqlWgKlucza : sql);
                                   wgKlucza = kluczem;
                                   otwarty = false;
                                 }
                                 if (!otwarty) odczyt.open();
                                 otwarty = false;
                                 poczatekF = true;
                               },
                               [&](Wiersz& wiersz, std::int64_t& rekord, bool& pom) {
                                 if (!poczatekF) odczyt.next();
                                 poczatekF = false;
                                 if (odczyt.eof()) return false;
                                 wiersz.resize(nazwy.size());
                                 for (std::size_t k = 0; k < nazwy.size(); ++k)
                                   wiersz[k] = odczyt.field(static_cast<int>(k)).value();
                                 rekord = 0;
                                 pom = false;
                                 return true;
                               }};
    w = PorownajWiersze(nazwy, kolumny, klucz, wyslane, zapisane, etykieta, przerwac);
    // What the check after the last commit compares with: the rows as stored now, differences included.
    if (!w.przerwana && !poZakonczeniu) {
      odczyt.close();
      odczyt.clearSql();
      odczyt.addSql(sql);
      odczyt.open();
      if (!SumujZapisane(odczyt, kolumny, przerwac, stan)) return std::nullopt;
    }
    odczyt.close();
  } catch (const db::EngineError& e) {
    przebieg.log.ZapiszKomunikat(
        "*** Tabela " + etykieta + ": nie udało się zweryfikować kopii: " + e.what() + " ***",
        kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
    return std::nullopt;
  }
  if (w.przerwana) return std::nullopt;
  stan.zgodna = w.roznic == 0;
  stan.roznic = w.roznic;
  stan.linie = w.linie;
  if (poZakonczeniu) {
    for (const std::string& linia : w.linie)
      przebieg.log.ZapiszKomunikat(linia, kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
    return stan;
  }
  if (!przebieg.tabele.empty()) {
    WynikTabeli& wynik = przebieg.tabele.back();
    wynik.roznicWartosci = w.roznic;
    wynik.roznicePoKopii = w.linie;
    stan.wynik = przebieg.tabele.size() - 1;
  }
  if (w.roznic == 0) return stan;
  for (const std::string& linia : w.linie)
    przebieg.log.ZapiszKomunikat(linia, kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
  przebieg.log.ZapiszKomunikat("*** Tabela " + etykieta + ": weryfikacja po kopiowaniu wykazała " +
                                   ile(w.roznic, "różnicę", "różnice", "różnic") +
                                   " (wierszy wysłanych: " + std::to_string(w.wyslanych) +
                                   ", w tabeli firebird: " + std::to_string(w.zapisanych) + ") ***",
                               kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
  return stan;
}

StanZapisanej OdczytajStan(db::Database& baza, const StanZapisanej& wzor,
                           const std::function<void()>& pompuj) {
  StanZapisanej teraz;
  db::Query odczyt;
  odczyt.setDatabase(&baza);
  odczyt.setUnidirectional(true);
  odczyt.addSql(wzor.sql);
  odczyt.open();
  SumujZapisane(
      odczyt, wzor.kolumny,
      [&] {
        if (pompuj) pompuj();
        return false;
      },
      teraz);
  odczyt.close();
  return teraz;
}

bool TakiSam(const StanZapisanej& a, const StanZapisanej& b) {
  return a.wierszy == b.wierszy && a.suma == b.suma && a.sumaDruga == b.sumaDruga;
}

StanZapisanej StanWyslanych(TPrzebieg& przebieg, const SumaWierszy& suma, db::Query& insert,
                            const std::string& tabelaIb) {
  StanZapisanej stan;
  stan.etykieta = przebieg.EtykietaTabeli();
  stan.tabelaIb = tabelaIb;
  stan.sql = zapytanieOdczytu(przebieg.dm->DBi, insert, tabelaIb);
  stan.kolumny = suma.kolumny();
  stan.wierszy = suma.wierszy();
  stan.suma = suma.suma();
  stan.sumaDruga = suma.sumaDruga();
  stan.zgodna = true;
  if (!przebieg.tabele.empty()) stan.wynik = przebieg.tabele.size() - 1;
  return stan;
}

void SprawdzPoZakonczeniu(
    TPrzebieg& przebieg,
    const std::function<std::optional<StanZapisanej>(const StanZapisanej&)>& porownajPonownie) {
  std::vector<StanZapisanej> tabele = std::move(przebieg.doSprawdzenia);
  przebieg.doSprawdzenia.clear();
  if (tabele.empty()) return;
  const Pomiar pomiar{przebieg.sekundyWeryfikacji};
  const Kategorie krytyczne = kOgolny | kBledy | kBledyKrytyczne;
  const Znaczniki obaZnaczniki = kNiezgodnoscKrytyczna | kNiezgodnosc;
  for (const StanZapisanej& przed : tabele) {
    // The table's lines open its section in each category, under its ListaTabel row's label.
    przebieg.log.NaglowekDoZapisu.fill(false);
    if (przed.zakladka) {
      try {
        przebieg.dm->tblLista.gotoBookmark(*przed.zakladka);
        przebieg.log.NaglowekDoZapisu.fill(true);
      } catch (const db::EngineError&) {
        // The row is gone (edited meanwhile): the lines name the table themselves.
      }
    }
    StanZapisanej teraz;
    try {
      teraz = OdczytajStan(przebieg.dm->DBi, przed, [&] { przebieg.ui().processMessages(); });
    } catch (const db::EngineError& e) {
      przebieg.log.ZapiszKomunikat(
          "*** Tabela " + przed.etykieta +
              ": nie udało się sprawdzić tabeli po zakończeniu kopiowania: " + e.what() + " ***",
          krytyczne, obaZnaczniki);
      if (przed.wynik < przebieg.tabele.size()) przebieg.tabele[przed.wynik].zweryfikowana = false;
      continue;
    }
    WynikTabeli* wynik = przed.wynik < przebieg.tabele.size() ? &przebieg.tabele[przed.wynik] : nullptr;
    const bool bezZmian = TakiSam(teraz, przed);
    if (bezZmian) {
      if (wynik) wynik->zweryfikowana = true;
      if (przed.zgodna)
        przebieg.log.ZapiszKomunikat("Tabela " + przed.etykieta + ": zweryfikowano " +
                                         ile(przed.wierszy, "wiersz", "wiersze", "wierszy") +
                                         ", wartości zgodne",
                                     kDodatkoweInfo);
      continue;
    }
    if (wynik) {
      wynik->zweryfikowana = false;
      wynik->zmienionaPoKopii = true;
      wynik->zapisane = teraz.wierszy;
    }
    przebieg.log.ZapiszKomunikat(
        "*** Tabela " + przed.etykieta + ": zmieniona po skopiowaniu (wierszy po kopiowaniu: " +
            std::to_string(przed.wierszy) + ", po zakończeniu konwersji: " + std::to_string(teraz.wierszy) +
            (teraz.wierszy == przed.wierszy ? ", zmienione wartości" : "") + ") ***",
        krytyczne, obaZnaczniki);
    if (porownajPonownie)
      if (const auto porownanie = porownajPonownie(przed); porownanie && wynik) {
        wynik->roznicWartosci = porownanie->roznic;
        wynik->roznicePoKopii = porownanie->linie;
      }
  }
  przebieg.log.NaglowekDoZapisu.fill(false);
}

}  // namespace konw
