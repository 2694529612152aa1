#include "db/firebird/message.h"

#include <ibase.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>

#include "db/firebird/gate.h"
#include "db/firebird/types.h"

namespace db::firebird {

namespace {

// Character set numbers of binary text (OCTETS): never converted; and of text in no set (NONE).
constexpr unsigned kOctets = 1;
constexpr unsigned kNone = 0;

[[noreturn]] void conversionError(const std::string& what) {
  throw EngineError(errc::kConversion, what);
}

std::string trimmed(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// Exact decimal from text; a decimal comma is accepted as the operator writes numbers.
Decimal decimalFromText(const std::string& text) {
  std::string t = trimmed(text);
  if (t.find('.') == std::string::npos) {
    if (auto comma = t.find(','); comma != std::string::npos) t[comma] = '.';
  }
  try {
    return Decimal::parse(t);
  } catch (const std::invalid_argument&) {
    conversionError("Niepoprawna wartość liczbowa: \"" + text + "\"");
  }
}

// The value as an exact decimal with `scale` decimals (doubles rounded to that scale).
Decimal decimalFromValue(const Value& v, int scale) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return Decimal{*i, 0}.rescaled(scale);
  if (const auto* d = std::get_if<Decimal>(&v)) return d->rescaled(scale);
  if (const auto* f = std::get_if<double>(&v)) {
    if (!std::isfinite(*f)) conversionError("Niepoprawna wartość liczbowa");
    return Decimal::fromDouble(*f, scale);
  }
  if (const auto* b = std::get_if<bool>(&v)) return Decimal{*b ? 1 : 0, 0}.rescaled(scale);
  if (const auto* s = std::get_if<std::string>(&v)) return decimalFromText(*s).rescaled(scale);
  if (const auto* d = std::get_if<Date>(&v)) return Decimal{d->day, 0}.rescaled(scale);
  conversionError("Wartości nie można zamienić na liczbę");
}

double doubleFromValue(const Value& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return decimalFromText(*s).toDouble();
  if (const auto* d = std::get_if<Date>(&v)) return d->day;
  return valueToDouble(v);
}

// A date-time from a value: a number counts days from 1899-12-30 (its fraction is the time of day).
DateTime dateTimeFromValue(const Value& v) {
  if (const auto* dt = std::get_if<DateTime>(&v)) return *dt;
  if (const auto* d = std::get_if<Date>(&v)) return DateTime{*d, {}};
  if (const auto* t = std::get_if<Time>(&v)) return DateTime{{}, *t};
  if (const auto* i = std::get_if<std::int64_t>(&v)) {
    if (*i < -700000 || *i > 3000000) conversionError("Niepoprawna data: " + std::to_string(*i));
    return DateTime{Date{static_cast<std::int32_t>(*i)}, {}};
  }
  if (std::holds_alternative<double>(v) || std::holds_alternative<Decimal>(v)) {
    double f = std::holds_alternative<double>(v) ? std::get<double>(v) : std::get<Decimal>(v).toDouble();
    if (!std::isfinite(f) || f < -700000 || f > 3000000) conversionError("Niepoprawna data");
    double day = std::floor(f);
    auto us = static_cast<std::int64_t>(std::llround((f - day) * 86400e6));
    return DateTime{Date{static_cast<std::int32_t>(day)}, Time{std::min<std::int64_t>(us, 86400000000 - 1)}};
  }
  if (const auto* s = std::get_if<std::string>(&v)) {
    if (auto parsed = parseDateTimeText(*s)) return *parsed;
    conversionError("Niepoprawna data: \"" + *s + "\"");
  }
  conversionError("Wartości nie można zamienić na datę");
}

template <typename T>
void storeInteger(unsigned char* p, const Decimal& d) {
  if (d.unscaled < std::numeric_limits<T>::min() || d.unscaled > std::numeric_limits<T>::max()) {
    conversionError("Przekroczony zakres liczby: " + d.toString());
  }
  T v = static_cast<T>(d.unscaled);
  std::memcpy(p, &v, sizeof v);
}

void writeBlob(const BlobContext& ctx, const std::string& data, ISC_QUAD* id) {
  gated(ctx.calls.gate, [&] {
    Status st(ctx.calls);
    Ref<Firebird::IBlob> blob(ctx.attachment->createBlob(&st, ctx.transaction, id, 0, nullptr));
    constexpr std::size_t kSegment = 32768;
    for (std::size_t pos = 0; pos < data.size(); pos += kSegment) {
      auto n = static_cast<unsigned>(std::min(kSegment, data.size() - pos));
      blob->putSegment(&st, n, data.data() + pos);
    }
    blob->close(&st);
    blob.forget();
  });
}

std::string readBlob(const BlobContext& ctx, ISC_QUAD id) {
  return gated(ctx.calls.gate, [&] {
    Status st(ctx.calls);
    Ref<Firebird::IBlob> blob(ctx.attachment->openBlob(&st, ctx.transaction, &id, 0, nullptr));
    std::string data;
    char buf[32768];
    for (;;) {
      unsigned got = 0;
      int rc = blob->getSegment(&st, sizeof buf, buf, &got);
      if (rc == Firebird::IStatus::RESULT_NO_DATA) break;
      data.append(buf, got);
    }
    blob->close(&st);
    blob.forget();
    return data;
  });
}

Slot describe(Firebird::IMessageMetadata* meta, unsigned i) {
  Status st;
  Slot s;
  s.sqlType = meta->getType(&st, i) & ~1u;
  s.subType = meta->getSubType(&st, i);
  s.scale = meta->getScale(&st, i);
  s.length = meta->getLength(&st, i);
  s.offset = meta->getOffset(&st, i);
  s.nullOffset = meta->getNullOffset(&st, i);
  bool textual =
      s.sqlType == SQL_TEXT || s.sqlType == SQL_VARYING || (s.sqlType == SQL_BLOB && s.subType == 1);
  const unsigned charSet = meta->getCharSet(&st, i) & 0xFF;  // without the collation
  s.text = textual && charSet != kOctets;
  // A column in another set is described in the connection's; NONE and OCTETS are described as
  // themselves, and a blob of another subtype than text has no set at all.
  s.binary =
      (textual && (charSet == kOctets || charSet == kNone)) || (s.sqlType == SQL_BLOB && s.subType != 1);
  return s;
}

// The engine's view of a slot; the length of text in no set counts bytes, one a character.
FieldDef slotDef(const Slot& s, const Charset& charset, bool enableBcd) {
  FieldDef def = mapColumnType(
      columnTypeFromSqlType(s.sqlType, s.subType, s.scale, s.length, s.binary ? 1 : charset.bytesPerChar()),
      enableBcd);
  def.binary = s.binary;
  return def;
}

}  // namespace

void InputMessage::layout(Firebird::IMessageMetadata* described, const Charset& charset) {
  charset_ = &charset;
  Status st;
  unsigned n = described->getCount(&st);
  Ref<Firebird::IMetadataBuilder> builder;
  for (unsigned i = 0; i < n; ++i) {
    unsigned type = described->getType(&st, i) & ~1u;
    if (type == SQL_TEXT) {
      if (!builder) {
        builder = Ref<Firebird::IMetadataBuilder>(described->getBuilder(&st));
      }
      builder->setType(&st, i, SQL_VARYING);
    }
  }
  if (builder) {
    meta_ = Ref<Firebird::IMessageMetadata>(builder->getMetadata(&st));
  } else {
    // The statement's own description is the cheapest for the server to take on every execution.
    described->addRef();
    meta_ = Ref<Firebird::IMessageMetadata>(described);
  }
  unsigned length = meta_->getMessageLength(&st);
  buffer_.assign(length, 0);
  slots_.clear();
  for (unsigned i = 0; i < n; ++i) {
    Slot s = describe(meta_.get(), i);
    s.fieldType = slotDef(s, charset, true).type;
    slots_.push_back(s);
  }
}

void InputMessage::set(std::size_t index, const Value& value, const BlobContext& blobs) {
  const Slot& s = slots_.at(index);
  auto* nullFlag = reinterpret_cast<short*>(buffer_.data() + s.nullOffset);
  unsigned char* p = buffer_.data() + s.offset;
  // An empty text means "no value" for every column that is not text: the old engine stored such
  // fields as blank, and a blank number or date is null.
  const auto* text = std::get_if<std::string>(&value);
  if (isNull(value) ||
      (text && s.sqlType != SQL_VARYING && s.sqlType != SQL_BLOB && trimmed(*text).empty())) {
    *nullFlag = -1;
    return;
  }
  switch (s.sqlType) {
    case SQL_VARYING: {
      // Text is copied from the value in the connection's set (bytes exactly as they are); other values
      // are formatted first.
      std::string formatted;
      std::string_view t =
          text ? std::string_view(*text) : std::string_view(formatted = valueToSqlText(value));
      if (s.text && !charset_->passthrough() && !std::holds_alternative<Bytes>(value)) {
        charset_->encode(t, encoded_);
        t = encoded_;
      }
      // Trailing blanks beyond the declared size are dropped, as the server does for CHAR columns.
      if (t.size() > s.length) {
        std::size_t keep = t.find_last_not_of(' ');
        t = t.substr(0, keep == std::string_view::npos ? 0 : keep + 1);
      }
      if (t.size() > s.length) {
        conversionError(
            "arithmetic exception, numeric overflow, or string truncation\nstring right truncation");
      }
      auto len = static_cast<ISC_USHORT>(t.size());
      std::memcpy(p, &len, sizeof len);
      std::memcpy(p + sizeof len, t.data(), t.size());
      break;
    }
    case SQL_SHORT:
      storeInteger<ISC_SHORT>(p, decimalFromValue(value, -s.scale));
      break;
    case SQL_LONG:
      storeInteger<ISC_LONG>(p, decimalFromValue(value, -s.scale));
      break;
    case SQL_INT64:
      storeInteger<ISC_INT64>(p, decimalFromValue(value, -s.scale));
      break;
    case SQL_FLOAT: {
      auto f = static_cast<float>(doubleFromValue(value));
      std::memcpy(p, &f, sizeof f);
      break;
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
      double f = doubleFromValue(value);
      std::memcpy(p, &f, sizeof f);
      break;
    }
    case SQL_TYPE_DATE: {
      ISC_DATE d = toIscDate(dateTimeFromValue(value).date);
      std::memcpy(p, &d, sizeof d);
      break;
    }
    case SQL_TYPE_TIME: {
      ISC_TIME t = toIscTime(dateTimeFromValue(value).time);
      std::memcpy(p, &t, sizeof t);
      break;
    }
    case SQL_TIMESTAMP: {
      DateTime dt = dateTimeFromValue(value);
      ISC_TIMESTAMP ts{toIscDate(dt.date), toIscTime(dt.time)};
      std::memcpy(p, &ts, sizeof ts);
      break;
    }
    case SQL_BOOLEAN: {
      // Only a value with a truth value: the server itself refuses any other text, and taking it as
      // false would store a value nobody wrote.
      const std::optional<bool> b = truthValue(value);
      if (!b) {
        conversionError("Wartości " + (text ? "\"" + *text + "\"" : valueToSqlText(value)) +
                        " nie można zapisać w kolumnie logicznej (oczekiwano T/F, Y/N, 1/0 lub TRUE/FALSE)");
      }
      FB_BOOLEAN v = *b ? FB_TRUE : FB_FALSE;
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case SQL_BLOB: {
      ISC_QUAD id{};
      std::string data = valueToSqlText(value);
      // Bytes are stored as they are; only text is the program's UTF-8.
      if (s.text && !charset_->passthrough() && !std::holds_alternative<Bytes>(value)) {
        data = charset_->encode(data);
      }
      writeBlob(blobs, data, &id);
      std::memcpy(p, &id, sizeof id);
      break;
    }
    default:
      throw EngineError(errc::kNotSupported,
                        "Nieobsługiwany typ parametru (" + std::to_string(s.sqlType) + ")");
  }
  *nullFlag = 0;
}

void OutputMessage::layout(Firebird::IMessageMetadata* described, bool enableBcd, const Charset& charset) {
  charset_ = &charset;
  Status st;
  described->addRef();
  meta_ = Ref<Firebird::IMessageMetadata>(described);
  unsigned n = meta_->getCount(&st);
  unsigned length = meta_->getMessageLength(&st);
  buffer_.assign(length, 0);
  slots_.clear();
  defs_.clear();
  for (unsigned i = 0; i < n; ++i) {
    Slot s = describe(meta_.get(), i);
    FieldDef def = slotDef(s, charset, enableBcd);
    const char* alias = meta_->getAlias(&st, i);
    def.name = alias ? charset.decode(alias) : "";
    def.number = static_cast<int>(i) + 1;
    s.fieldType = def.type;
    slots_.push_back(s);
    defs_.push_back(std::move(def));
  }
}

std::vector<FieldDef> OutputMessage::fieldDefs() const {
  return defs_;
}

void OutputMessage::read(Row& out, const BlobContext& blobs) const {
  // Into the string a reused row already holds where there is one: no allocation per value.
  const auto text = [this](Value& v, std::string_view bytes, bool decoded) {
    auto* s = std::get_if<std::string>(&v);
    if (!s) s = &v.emplace<std::string>();
    if (decoded) {
      charset_->decode(bytes, *s);
    } else {
      s->assign(bytes);
    }
  };
  out.resize(slots_.size());
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    const Slot& s = slots_[i];
    const unsigned char* p = buffer_.data() + s.offset;
    short nullFlag;
    std::memcpy(&nullFlag, buffer_.data() + s.nullOffset, sizeof nullFlag);
    if (nullFlag) {
      out[i] = Null{};
      continue;
    }
    auto integer = [&](std::int64_t v) -> Value {
      if (s.fieldType == FieldType::BCD) return Decimal{v, -s.scale};
      if (s.fieldType == FieldType::Float) return static_cast<double>(Decimal{v, -s.scale}.toDouble());
      return v;
    };
    switch (s.sqlType) {
      case SQL_TEXT: {
        // CHAR arrives padded with blanks to its byte length; the padding is not part of the value.
        std::string_view t(reinterpret_cast<const char*>(p), s.length);
        std::size_t keep = t.find_last_not_of(' ');
        t = t.substr(0, keep == std::string_view::npos ? 0 : keep + 1);
        text(out[i], t, s.text);
        break;
      }
      case SQL_VARYING: {
        ISC_USHORT len;
        std::memcpy(&len, p, sizeof len);
        text(out[i], std::string_view(reinterpret_cast<const char*>(p + sizeof len), len), s.text);
        break;
      }
      case SQL_SHORT: {
        ISC_SHORT v;
        std::memcpy(&v, p, sizeof v);
        out[i] = integer(v);
        break;
      }
      case SQL_LONG: {
        ISC_LONG v;
        std::memcpy(&v, p, sizeof v);
        out[i] = integer(v);
        break;
      }
      case SQL_INT64: {
        ISC_INT64 v;
        std::memcpy(&v, p, sizeof v);
        out[i] = integer(v);
        break;
      }
      case SQL_FLOAT: {
        float v;
        std::memcpy(&v, p, sizeof v);
        out[i] = static_cast<double>(v);
        break;
      }
      case SQL_DOUBLE:
      case SQL_D_FLOAT: {
        double v;
        std::memcpy(&v, p, sizeof v);
        out[i] = v;
        break;
      }
      case SQL_TYPE_DATE: {
        ISC_DATE v;
        std::memcpy(&v, p, sizeof v);
        out[i] = fromIscDate(v);
        break;
      }
      case SQL_TYPE_TIME: {
        ISC_TIME v;
        std::memcpy(&v, p, sizeof v);
        out[i] = fromIscTime(v);
        break;
      }
      case SQL_TIMESTAMP: {
        ISC_TIMESTAMP v;
        std::memcpy(&v, p, sizeof v);
        out[i] = DateTime{fromIscDate(v.timestamp_date), fromIscTime(v.timestamp_time)};
        break;
      }
      case SQL_BOOLEAN:
        out[i] = *p != 0;
        break;
      case SQL_BLOB: {
        ISC_QUAD id;
        std::memcpy(&id, p, sizeof id);
        std::string data = readBlob(blobs, id);
        if (s.subType == 1) {
          out[i] = s.text ? charset_->decode(data) : std::move(data);
        } else {
          out[i] = Bytes{std::move(data)};
        }
        break;
      }
      default:
        throw EngineError(errc::kNotSupported,
                          "Nieobsługiwany typ kolumny (" + std::to_string(s.sqlType) + ")");
    }
  }
}

}  // namespace db::firebird
