#include "db/paradox/values.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "db/error.h"

namespace db::paradox {

namespace {

char32_t nextCodePoint(const std::string& s, std::size_t& i) {
  auto c = static_cast<unsigned char>(s[i++]);
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  char32_t cp = c & (0x3F >> extra);
  for (int k = 0; k < extra && i < s.size(); ++k) cp = cp << 6 | (static_cast<unsigned char>(s[i++]) & 0x3F);
  return cp;
}

// Lower case for the scripts the product's code pages carry: Latin, Polish and other Central European
// letters, Greek and Cyrillic.
char32_t fold(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F))
    return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && c % 2 == 0) return c + 1;
  if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 1) return c + 1;
  return c;
}

int compareText(const std::string& a, const std::string& b, bool caseInsensitive) {
  if (!caseInsensitive) {
    // UTF-8 byte order equals code point order.
    int r = a.compare(b);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
  }
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    char32_t x = fold(nextCodePoint(a, i)), y = fold(nextCodePoint(b, j));
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool isNumber(const Value& v) {
  return std::holds_alternative<std::int64_t>(v) || std::holds_alternative<double>(v) ||
         std::holds_alternative<Decimal>(v) || std::holds_alternative<bool>(v);
}

int compareDecimals(const Decimal& a, const Decimal& b) {
  const auto order = a <=> b;
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int compareNumbers(const Value& a, const Value& b) {
  if (std::holds_alternative<std::int64_t>(a) && std::holds_alternative<std::int64_t>(b)) {
    auto x = std::get<std::int64_t>(a), y = std::get<std::int64_t>(b);
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (std::holds_alternative<Decimal>(a) && std::holds_alternative<Decimal>(b))
    return compareDecimals(std::get<Decimal>(a), std::get<Decimal>(b));
  double x = valueToDouble(a), y = valueToDouble(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

Decimal toDecimal(const Value& v, int scale) {
  if (const auto* d = std::get_if<Decimal>(&v)) return d->rescaled(scale);
  if (const auto* s = std::get_if<std::string>(&v)) return Decimal::parse(*s).rescaled(scale);
  if (const auto* i = std::get_if<std::int64_t>(&v))
    return Decimal{static_cast<__int128>(*i), 0}.rescaled(scale);
  return Decimal::fromDouble(valueToDouble(v), scale);
}

}  // namespace

int compareValues(const Value& a, const Value& b, bool caseInsensitive) {
  const bool na = isNull(a), nb = isNull(b);
  if (na || nb) return na == nb ? 0 : na ? -1 : 1;
  if (isNumber(a) && isNumber(b)) return compareNumbers(a, b);
  if (a.index() != b.index()) return a.index() < b.index() ? -1 : 1;
  if (const auto* s = std::get_if<std::string>(&a))
    return compareText(*s, std::get<std::string>(b), caseInsensitive);
  if (const auto* x = std::get_if<Bytes>(&a)) {
    int r = x->data.compare(std::get<Bytes>(b).data);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
  }
  if (const auto* d = std::get_if<Date>(&a))
    return d->day < std::get<Date>(b).day ? -1 : d->day > std::get<Date>(b).day;
  if (const auto* t = std::get_if<Time>(&a))
    return t->us < std::get<Time>(b).us ? -1 : t->us > std::get<Time>(b).us;
  const auto& x = std::get<DateTime>(a);
  const auto& y = std::get<DateTime>(b);
  return x < y ? -1 : y < x ? 1 : 0;
}

Value coerceToField(const FieldInfo& f, const Value& v) {
  if (isNull(v)) return Null{};
  auto fail = [&](const std::string& why) {
    return EngineError(errc::kConversion, "Pole " + f.name + ": " + why);
  };
  try {
    switch (f.type) {
      case PdxType::Alpha:
      case PdxType::Memo:
      case PdxType::FmtMemo: {
        std::string s = std::holds_alternative<Bytes>(v) ? std::get<Bytes>(v).data : valueToText(v);
        if (s.empty()) return Null{};
        return s;
      }
      case PdxType::Number:
      case PdxType::Money:
        return valueToDouble(v);
      case PdxType::Short:
      case PdxType::Long:
      case PdxType::AutoInc: {
        std::int64_t i = valueToInt(v);
        const std::int64_t lim = f.type == PdxType::Short ? 32767 : std::numeric_limits<std::int32_t>::max();
        if (i > lim || i < -lim) throw fail("wartość " + std::to_string(i) + " poza zakresem pola");
        return i;
      }
      case PdxType::Date:
        if (const auto* dt = std::get_if<DateTime>(&v)) return dt->date;
        if (std::holds_alternative<Date>(v)) return v;
        throw fail("wartość nie jest datą");
      case PdxType::Time:
        if (const auto* dt = std::get_if<DateTime>(&v)) return dt->time;
        if (std::holds_alternative<Time>(v)) return v;
        throw fail("wartość nie jest czasem");
      case PdxType::Timestamp:
        if (const auto* d = std::get_if<Date>(&v)) return DateTime{*d, Time{}};
        if (std::holds_alternative<DateTime>(v)) return v;
        throw fail("wartość nie jest znacznikiem czasu");
      case PdxType::Logical:
        return valueToBool(v);
      case PdxType::Bcd:
        return toDecimal(v, f.size);
      case PdxType::Binary:
      case PdxType::Ole:
      case PdxType::Graphic:
      case PdxType::Bytes: {
        if (const auto* s = std::get_if<std::string>(&v)) return Bytes{*s};
        if (std::holds_alternative<Bytes>(v)) return v;
        throw fail("wartość nie jest daną binarną");
      }
    }
    throw fail("nieznany typ pola");  // no value of PdxType comes here: the switch names every one
  } catch (const std::invalid_argument&) {
    // Only decimal text is parsed on the way: say which text it was.
    const auto* s = std::get_if<std::string>(&v);
    throw fail(s ? "tekst \"" + *s + "\" nie jest liczbą dziesiętną mieszczącą się w polu"
                 : std::string("wartości nie można zamienić na liczbę dziesiętną"));
  }
}

void appendSignature(std::string& out, const Value& v) {
  out.push_back(static_cast<char>('0' + v.index()));
  auto raw = [&](const void* p, std::size_t n) { out.append(static_cast<const char*>(p), n); };
  std::visit(
      [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::string>) {
          std::uint64_t n = x.size();
          raw(&n, sizeof n);
          out += x;
        } else if constexpr (std::is_same_v<T, Bytes>) {
          std::uint64_t n = x.data.size();
          raw(&n, sizeof n);
          out += x.data;
        } else if constexpr (std::is_same_v<T, Decimal>) {
          raw(&x.unscaled, sizeof x.unscaled);
          raw(&x.scale, sizeof x.scale);
        } else if constexpr (std::is_same_v<T, DateTime>) {
          raw(&x.date.day, sizeof x.date.day);
          raw(&x.time.us, sizeof x.time.us);
        } else if constexpr (std::is_same_v<T, Date>) {
          raw(&x.day, sizeof x.day);
        } else if constexpr (std::is_same_v<T, Time>) {
          raw(&x.us, sizeof x.us);
        } else if constexpr (!std::is_same_v<T, Null>) {
          raw(&x, sizeof x);
        }
      },
      v);
}

}  // namespace db::paradox
