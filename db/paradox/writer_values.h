// Rows to record bytes: each engine value in its field's on-disk encoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/paradox/writer_blob.h"
#include "db/paradox/writer_layout.h"
#include "db/paradox/writer_text.h"

namespace db::paradox::wr {

class RecordEncoder {
 public:
  // `blobs` receives values too long for their record; it may be null when no field is a blob.
  RecordEncoder(const std::vector<Field>& fields, const TextEncoder& text, BlobWriter* blobs);

  // Writes `row` (one value per field) into `out` (record size bytes, zeroed by the caller).
  // EngineError kConversion names the row and field when a value has the wrong type, is out of the
  // field's range or cannot be represented without loss.
  void encode(const Row& row, std::uint64_t rowNo, unsigned char* out);

  // Largest + value encoded so far (0 when none).
  std::int64_t maxAutoInc() const { return maxAutoInc_; }

 private:
  void encodeField(const Field& f, const Value& v, unsigned char* p);
  [[noreturn]] void fail(const std::string& why) const;

  const std::vector<Field>& fields_;
  const TextEncoder& text_;
  BlobWriter* blobs_;
  std::int64_t maxAutoInc_ = 0;
  std::string scratch_;
  // Context of the value being encoded, for error messages.
  std::uint64_t rowNo_ = 0;
  const Field* field_ = nullptr;
};

// The 17 BCD bytes of `value` in a field with `decimals` places; EngineError kConversion when the value
// needs more places or more than 32 digits.
void encodeBcd(const Decimal& value, int decimals, unsigned char* p);

}  // namespace db::paradox::wr
