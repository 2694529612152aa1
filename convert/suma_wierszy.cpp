// Digests of values and rows, and the sum of a copy's rows.
#include "convert/suma_wierszy.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

#include "db/engine.h"

namespace konw {
namespace skroty {

using db::FieldType;
using db::Value;
using namespace wartosci;

namespace {

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

}  // namespace

std::uint64_t dolacz(std::uint64_t wiersz, std::uint64_t wartosc) {
  return miesz(wiersz ^ wartosc) + 0x9e3779b97f4a7c15ULL;
}

std::uint64_t skrotWiersza(const Wiersz& w) {
  std::uint64_t h = kPoczatekWiersza;
  for (const Value& v : w) h = dolacz(h, skrotWartosci(v));
  return h;
}

namespace {

// skrotWartosci of text, and of a decimal, without making the Value.
std::uint64_t skrotTekstu(std::string_view s) {
  static const std::size_t indeks = Value{std::string()}.index();
  return miesz(std::hash<std::string_view>{}(s) + 0x9e3779b97f4a7c15ULL * (indeks + 1));
}
std::uint64_t skrotDziesietnej(std::int64_t unscaled, int scale) {
  return skrotWartosci(Value{db::Decimal{unscaled, scale}});
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

}  // namespace

std::uint64_t skrotZapisanej(const Value& v, const db::FieldDef& k) {
  if (const auto* s = std::get_if<std::string>(&v); s && tekstowa(k.type) && !k.binary)
    return skrotTekstu(k.fixedLength ? bezSpacjiNaKoncu(*s) : std::string_view(*s));
  if (const auto* i = std::get_if<std::int64_t>(&v); i && calkowita(k.type)) return skrotDziesietnej(*i, 0);
  if (const auto* d = std::get_if<db::Decimal>(&v); d && k.type == FieldType::BCD && d->scale == k.scale)
    return skrotWartosci(v);
  return skrotWartosci(WartoscZapisana(v, k));
}

}  // namespace skroty

using namespace skroty;

void SumaWierszy::dodaj(db::Query& insert, std::uint64_t numer, bool pomijalny) {
  if (!pewna_) return;
  std::uint64_t h = kPoczatekWiersza;
  for (std::size_t k = 0; k < kolumny_.size(); ++k) {
    const db::Value& wyslana = insert.param(static_cast<int>(k)).value();
    const auto wartosc = skrotWyslanej(wyslana, kolumny_[k]);
    if (!wartosc) {
      pewna_ = false;
      return;
    }
    h = dolacz(h, *wartosc);
    if (blobowa(kolumny_[k].type)) policzBlob(k, wyslana);
  }
  suma_ += h;
  sumaDruga_ += drugi(h);
  ++wierszy_;
  if (pomijalny) pomijalne_[numer] = h;
}

void SumaWierszy::policzBlob(std::size_t k, const db::Value& v) {
  std::size_t dlugosc = 0;
  if (const auto* b = std::get_if<db::Bytes>(&v)) {
    dlugosc = b->data.size();
  } else if (const auto* t = std::get_if<std::string>(&v)) {
    // In characters where the column has a set.
    dlugosc = kolumny_[k].binary ? t->size() : znakiUtf8(*t);
  } else {
    return;  // null
  }
  ++bloby_[k].niepuste;
  bloby_[k].najdluzszy = std::max(bloby_[k].najdluzszy, dlugosc);
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
}  // namespace konw
