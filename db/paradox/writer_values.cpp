#include "db/paradox/writer_values.h"

#include <cmath>
#include <cstring>

#include "db/error.h"
#include "db/paradox/format.h"

namespace db::paradox::wr {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr std::int64_t kUsPerDay = kMsPerDay * 1000;

const char* typeName(const Value& v) {
  static constexpr const char* kNames[] = {"pusta",      "logiczna", "całkowita", "zmiennoprzecinkowa",
                                           "dziesiętna", "data",     "czas",      "data z czasem",
                                           "tekst",      "binarna"};
  return kNames[v.index()];
}

}  // namespace

void encodeBcd(const Decimal& value, int decimals, unsigned char* p) {
  // Rescaled by hand: dropping decimals must lose nothing, and adding them must stay within 32 digits.
  const bool negative = value.unscaled < 0;
  unsigned __int128 mag = negative ? static_cast<unsigned __int128>(-(value.unscaled + 1)) + 1
                                   : static_cast<unsigned __int128>(value.unscaled);
  unsigned __int128 limit = 1;
  for (int i = 0; i < 32; ++i) limit *= 10;
  for (int s = value.scale; s > decimals; --s) {
    if (mag % 10 != 0)
      throw EngineError(
          errc::kConversion,
          "wartość " + value.toString() + " ma więcej miejsc po przecinku niż " + std::to_string(decimals));
    mag /= 10;
  }
  for (int s = value.scale; s < decimals; ++s) {
    if (mag >= limit) break;
    mag *= 10;
  }
  if (mag >= limit)
    throw EngineError(errc::kConversion, "wartość " + value.toString() + " ma więcej niż 32 cyfry");
  unsigned char digits[32] = {};
  for (int i = 31; i >= 0; --i) {
    digits[i] = static_cast<unsigned char>(mag % 10);
    mag /= 10;
  }
  p[0] = static_cast<unsigned char>((negative ? 0x40 : 0xC0) | decimals);
  for (int i = 0; i < 16; ++i) {
    unsigned hi = digits[2 * i], lo = digits[2 * i + 1];
    if (negative) hi ^= 0xF, lo ^= 0xF;
    p[1 + i] = static_cast<unsigned char>(hi << 4 | lo);
  }
}

RecordEncoder::RecordEncoder(const std::vector<Field>& fields, const TextEncoder& text, BlobWriter* blobs)
    : fields_(fields), text_(text), blobs_(blobs) {}

void RecordEncoder::fail(const std::string& why) const {
  throw EngineError(errc::kConversion,
                    "Wiersz " + std::to_string(rowNo_ + 1) + ", pole \"" + field_->name + "\": " + why);
}

void RecordEncoder::encode(const Row& row, std::uint64_t rowNo, unsigned char* out) {
  rowNo_ = rowNo;
  if (row.size() != fields_.size())
    throw EngineError(errc::kConversion, "Wiersz " + std::to_string(rowNo + 1) + " ma " +
                                             std::to_string(row.size()) + " wartości na " +
                                             std::to_string(fields_.size()) + " pól");
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    field_ = &fields_[i];
    if (isNull(row[i])) continue;  // every type's null is all zero bytes
    try {
      encodeField(fields_[i], row[i], out + fields_[i].offset);
    } catch (const EngineError& e) {
      // Errors from helpers lack the position; add it once here.
      if (e.code() == errc::kConversion && e.entries().front().message.rfind("Wiersz ", 0) != 0)
        fail(e.entries().front().message);
      throw;
    }
  }
}

void RecordEncoder::encodeField(const Field& f, const Value& v, unsigned char* p) {
  auto wrongType = [&]() {
    fail(std::string("wartość ") + typeName(v) + " nie pasuje do pola typu " + typeLabel(f.type));
  };
  auto asInt = [&](std::int64_t lo, std::int64_t hi) {
    const auto* n = std::get_if<std::int64_t>(&v);
    if (n == nullptr) wrongType();
    if (*n < lo || *n > hi) fail(std::to_string(*n) + " poza zakresem pola");
    return *n;
  };
  switch (f.type) {
    case PdxType::Alpha: {
      const auto* s = std::get_if<std::string>(&v);
      if (s == nullptr) wrongType();
      if (s->find('\0') != std::string::npos) fail("tekst zawiera znak NUL, którego pole nie przechowa");
      scratch_.clear();
      text_.encode(*s, scratch_, "tekst");
      if (scratch_.size() > static_cast<std::size_t>(f.width))
        fail("tekst ma " + std::to_string(scratch_.size()) + " bajtów, więcej niż pole (" +
             std::to_string(f.width) + ")");
      std::memcpy(p, scratch_.data(), scratch_.size());
      return;
    }
    case PdxType::Short:
      putShort(p, static_cast<std::int32_t>(asInt(-32767, 32767)));
      return;
    case PdxType::Long:
      putLong(p, asInt(-2147483647, 2147483647));
      return;
    case PdxType::AutoInc: {
      const std::int64_t n = asInt(1, 2147483647);
      maxAutoInc_ = std::max(maxAutoInc_, n);
      putLong(p, n);
      return;
    }
    case PdxType::Number:
    case PdxType::Money: {
      double d = 0;
      if (const auto* x = std::get_if<double>(&v))
        d = *x;
      else if (const auto* n = std::get_if<std::int64_t>(&v)) {
        d = static_cast<double>(*n);
        if (static_cast<std::int64_t>(d) != *n || std::abs(*n) > (std::int64_t{1} << 53))
          fail(std::to_string(*n) + " nie mieści się dokładnie w polu zmiennoprzecinkowym");
      } else if (const auto* dec = std::get_if<Decimal>(&v))
        d = dec->toDouble();
      else
        wrongType();
      if (!std::isfinite(d)) fail("to nie jest skończona liczba");
      putDouble(p, d == 0 ? 0.0 : d);  // -0.0 would sort below every negative number
      return;
    }
    case PdxType::Date: {
      const auto* d = std::get_if<Date>(&v);
      if (d == nullptr) wrongType();
      const std::int64_t day = std::int64_t{d->day} + kParadoxDayOffset;
      if (day < -2147483647 || day > 2147483647) fail("data poza zakresem pola");
      putLong(p, day);
      return;
    }
    case PdxType::Time: {
      const auto* t = std::get_if<Time>(&v);
      if (t == nullptr) wrongType();
      if (t->us < 0 || t->us >= kUsPerDay) fail("czas spoza doby");
      putLong(p, t->us / 1000);  // the field keeps milliseconds
      return;
    }
    case PdxType::Timestamp: {
      const auto* dt = std::get_if<DateTime>(&v);
      if (dt == nullptr) wrongType();
      if (dt->time.us < 0 || dt->time.us >= kUsPerDay) fail("czas spoza doby");
      const double ms = static_cast<double>(std::int64_t{dt->date.day} + kParadoxDayOffset) * kMsPerDay +
                        static_cast<double>(dt->time.us / 1000);
      putDouble(p, ms == 0 ? 0.0 : ms);
      return;
    }
    case PdxType::Logical: {
      const auto* b = std::get_if<bool>(&v);
      if (b == nullptr) wrongType();
      p[0] = *b ? 0x81 : 0x80;
      return;
    }
    case PdxType::Bcd: {
      Decimal dec;
      if (const auto* x = std::get_if<Decimal>(&v))
        dec = *x;
      else if (const auto* n = std::get_if<std::int64_t>(&v))
        dec = Decimal{*n, 0};
      else
        wrongType();
      encodeBcd(dec, f.size, p);
      return;
    }
    case PdxType::Bytes: {
      const auto* b = std::get_if<Bytes>(&v);
      if (b == nullptr) wrongType();
      if (b->data.size() > static_cast<std::size_t>(f.width))
        fail(std::to_string(b->data.size()) + " bajtów nie mieści się w polu (" + std::to_string(f.width) +
             ")");
      std::memcpy(p, b->data.data(), b->data.size());
      return;
    }
    case PdxType::Memo:
    case PdxType::FmtMemo:
    case PdxType::Binary:
    case PdxType::Ole:
    case PdxType::Graphic: {
      const std::string* data = nullptr;
      if (f.type == PdxType::Memo || f.type == PdxType::FmtMemo) {
        const auto* s = std::get_if<std::string>(&v);
        if (s == nullptr) wrongType();
        scratch_.clear();
        text_.encode(*s, scratch_, "tekst");
        data = &scratch_;
      } else {
        const auto* b = std::get_if<Bytes>(&v);
        if (b == nullptr) wrongType();
        data = &b->data;
      }
      if (data->empty()) return;  // an empty blob is stored as null: length 0
      if (data->size() > 0xFFFFFFFFu) fail("wartość dłuższa, niż pozwala format");
      const std::size_t leader = static_cast<std::size_t>(f.width) - 10;
      unsigned char* tail = p + leader;
      std::memcpy(p, data->data(), std::min(leader, data->size()));
      putLe32(tail + 4, static_cast<std::uint32_t>(data->size()));
      // What fits the leader stays in the record (reference 0), as Paradox keeps short memos.
      if (data->size() <= leader) return;
      if (blobs_ == nullptr) fail("brak pliku .MB na tę wartość");
      putLe32(tail, blobs_->store(*data));
      putLe16(tail + 8, BlobWriter::kModNumber);
      return;
    }
  }
}

}  // namespace db::paradox::wr
