// The values Firebird columns hold for the values a copy sends, and the comparisons of the read-back.
#include "convert/wartosci_kolumn.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "db/engine.h"
#include "platform/text.h"

namespace konw {
namespace wartosci {

using db::FieldType;
using db::Value;

bool calkowita(FieldType t) {
  return t == FieldType::Smallint || t == FieldType::Integer || t == FieldType::LargeInt ||
         t == FieldType::Word || t == FieldType::AutoInc;
}
bool tekstowa(FieldType t) {
  return t == FieldType::String || t == FieldType::FixedChar || t == FieldType::WideString;
}
bool blobowa(FieldType t) {
  return t == FieldType::Memo || t == FieldType::Blob;
}

namespace {

bool duzyObiekt(FieldType t) {
  return t == FieldType::Memo || t == FieldType::FmtMemo || t == FieldType::Blob || t == FieldType::Graphic ||
         t == FieldType::Bytes || t == FieldType::VarBytes || t == FieldType::TypedBinary;
}

}  // namespace

bool bajtowa(const db::FieldDef& k) {
  return k.binary && (tekstowa(k.type) || duzyObiekt(k.type));
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

namespace {

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

}  // namespace

double kanon(double x) {
  if (std::isnan(x)) return std::numeric_limits<double>::quiet_NaN();
  return x == 0 ? 0.0 : x;
}

// The bytes of a value sent into a column of no character set: bytes as they are, text as its bytes.

namespace {

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

}  // namespace wartosci

using namespace wartosci;

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

// The range of the integer a column stores its numbers in: its own type's, or for NUMERIC the integer
// that holds it scaled; none when not known.
std::optional<std::pair<std::int64_t, std::int64_t>> zakresLiczb(const db::FieldDef& k) {
  int bajty = k.width;
  if (k.type == FieldType::Smallint) bajty = 2;
  if (k.type == FieldType::Integer || k.type == FieldType::AutoInc) bajty = 4;
  if (k.type == FieldType::LargeInt) bajty = 8;
  if (k.type == FieldType::Word) return std::pair<std::int64_t, std::int64_t>{0, 65535};
  switch (bajty) {
    case 2:
      return std::pair<std::int64_t, std::int64_t>{std::numeric_limits<std::int16_t>::min(),
                                                   std::numeric_limits<std::int16_t>::max()};
    case 4:
      return std::pair<std::int64_t, std::int64_t>{std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max()};
    case 8:
      return std::pair<std::int64_t, std::int64_t>{std::numeric_limits<std::int64_t>::min(),
                                                   std::numeric_limits<std::int64_t>::max()};
    default:
      return std::nullopt;
  }
}

// The days a Firebird DATE holds: 0001-01-01 to 9999-12-31.
constexpr std::int32_t kPierwszyDzien = -693593;
constexpr std::int32_t kOstatniDzien = 2958465;

Przyjecie odrzucona(std::string powod) {
  return {Przyjecie::Skutek::Odrzucona, std::move(powod)};
}
Przyjecie zmieniona(std::string powod) {
  return {Przyjecie::Skutek::Zmieniona, std::move(powod)};
}

// Text as the column takes it: refused by the connection or the server, or longer than the column.
std::optional<Przyjecie> odmowaTekstu(const std::string& t, const db::FieldDef& k,
                                      const OdmowaTekstu& odmowa) {
  if (odmowa)
    if (auto droga = odmowa(t, k))
      return droga->odrzucony ? odrzucona(droga->powod) : zmieniona(droga->powod);
  if (!tekstowa(k.type) || k.size <= 0) return std::nullopt;
  // Blanks beyond the declared length are dropped on the way in; anything else beyond it is refused.
  const std::size_t znaki = znakiUtf8(std::string(bezSpacjiNaKoncu(t)));
  if (znaki > static_cast<std::size_t>(k.size))
    return odrzucona("tekst ma " + std::to_string(znaki) + " znaków, kolumna mieści " +
                     std::to_string(k.size) + " (string right truncation)");
  return std::nullopt;
}

}  // namespace

Przyjecie PrzyjecieWKolumnie(const Value& v, const db::FieldDef& k, const OdmowaTekstu& odmowa) {
  const auto* text = std::get_if<std::string>(&v);
  // Blank text is no value in a column that is not text, as WartoscWKolumnie takes it.
  const bool pusta =
      db::isNull(v) || (text && !tekstowa(k.type) && !duzyObiekt(k.type) && trim(*text).empty());
  if (pusta) {
    if (k.required) return odrzucona("kolumna nie przyjmuje wartości pustej (NOT NULL)");
    return {};
  }
  if (bajtowa(k)) {
    const std::string b = bajty(v);
    if (tekstowa(k.type) && k.size > 0 && bezSpacjiNaKoncu(b).size() > static_cast<std::size_t>(k.size))
      return odrzucona("wartość ma " + std::to_string(bezSpacjiNaKoncu(b).size()) +
                       " bajtów, kolumna mieści " + std::to_string(k.size) + " (string right truncation)");
    return {};
  }
  if (tekstowa(k.type) || duzyObiekt(k.type)) {
    if (auto p = odmowaTekstu(text ? *text : db::valueToSqlText(v), k, odmowa)) return *p;
    return {};
  }
  if (calkowita(k.type) || k.type == FieldType::BCD) {
    const auto d = dokladna(v);
    if (!d) return odrzucona("wartość nie jest liczbą");
    const int skala = k.type == FieldType::BCD ? k.scale : 0;
    db::Decimal r;
    try {
      r = d->rescaled(skala);
    } catch (const db::EngineError&) {
      return odrzucona("liczba poza zakresem kolumny (numeric overflow)");
    }
    if (const auto z = zakresLiczb(k); z && (r.unscaled < z->first || r.unscaled > z->second))
      return odrzucona("liczba " + d->toString() + " poza zakresem kolumny (numeric overflow)");
    if (!WartoscWKolumnie(v, k))
      return zmieniona("zaokrąglenie do " + std::to_string(skala) + " miejsc po przecinku: " + r.toString());
    return {};
  }
  if (k.type == FieldType::Float || k.type == FieldType::Currency) {
    if (!std::holds_alternative<double>(v) && !dokladna(v)) return odrzucona("wartość nie jest liczbą");
    if (!WartoscWKolumnie(v, k)) return zmieniona("kolumna zmiennoprzecinkowa nie zachowa wszystkich cyfr");
    return {};
  }
  if (k.type == FieldType::Date || k.type == FieldType::Time || k.type == FieldType::DateTime) {
    const auto dt = dataCzas(v);
    if (!dt && !std::holds_alternative<double>(v) && !std::holds_alternative<db::Decimal>(v))
      return odrzucona("wartość nie jest datą ani czasem");
    if (dt && k.type != FieldType::Time && (dt->date.day < kPierwszyDzien || dt->date.day > kOstatniDzien))
      return odrzucona(
          "data spoza lat 1–9999, które kolumna przechowuje (value exceeds the range for valid "
          "dates)");
    if (!WartoscWKolumnie(v, k))
      return zmieniona(k.type == FieldType::Date && dt && dt->time.us != 0
                           ? "kolumna DATE nie przechowa godziny"
                           : "kolumna przechowa inną chwilę (czas do 0,1 ms)");
    return {};
  }
  if (k.type == FieldType::Boolean) {
    if (!db::truthValue(v))
      return odrzucona(
          "wartość nie jest wartością logiczną (kolumna BOOLEAN przyjmuje T/F, Y/N, 1/0, "
          "TRUE/FALSE)");
    return {};
  }
  if (!WartoscWKolumnie(v, k)) return zmieniona("kolumna przechowa inną wartość");
  return {};
}

namespace wartosci {

std::optional<std::int64_t> wJednostkach(double x, int scale) {
  static constexpr double kPotegi[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  if (scale < 0 || scale > 9) return std::nullopt;
  const double p = kPotegi[scale];
  const double c = std::nearbyint(x * p);
  if (std::fabs(c) < 1e15 && c / p == x) return static_cast<std::int64_t>(c);
  return std::nullopt;
}

// skrotWartosci of what a column holds for a value sent (WartoscWKolumnie), the common cases without

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

}  // namespace wartosci
}  // namespace konw
