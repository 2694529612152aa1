// Message buffers laid out from a statement's metadata: parameters in, rows out.
#pragma once

#include <firebird/Interface.h>

#include <string>
#include <vector>

#include "db/driver.h"
#include "db/firebird/charset.h"
#include "db/firebird/client.h"
#include "db/value.h"

namespace db::firebird {

// One column or parameter of a message.
struct Slot {
  unsigned sqlType = 0;  // without the nullable bit
  int subType = 0;
  int scale = 0;
  unsigned length = 0;  // bytes
  unsigned offset = 0;
  unsigned nullOffset = 0;
  FieldType fieldType = FieldType::Unknown;  // what the engine calls it
  bool text = false;    // text in the connection's character set (converted at this edge); not OCTETS
  bool binary = false;  // bytes in no character set: OCTETS or NONE text, a blob of a subtype other than text
};

// Where blobs are read and written.
struct BlobContext {
  Firebird::IAttachment* attachment;
  Firebird::ITransaction* transaction;
  CallContext calls;
};

// A parameter message. Fixed-length text parameters are sent as VARCHAR of the same byte length so
// that a value is passed exactly as given; the server converts it to the column's type.
class InputMessage {
 public:
  // Lays out the buffer for `described` (the statement's input metadata); text goes in `charset`.
  void layout(Firebird::IMessageMetadata* described, const Charset& charset);
  Firebird::IMessageMetadata* metadata() const { return meta_.get(); }
  unsigned char* buffer() { return buffer_.data(); }
  std::size_t size() const { return buffer_.size(); }
  std::size_t count() const { return slots_.size(); }
  const Slot& slot(std::size_t i) const { return slots_[i]; }
  // Converts `value` to parameter `index`'s type and stores it; throws EngineError (kConversion)
  // when the value does not fit (text included whose characters the connection's set lacks). Null
  // (with or without a type) becomes SQL NULL.
  void set(std::size_t index, const Value& value, const BlobContext& blobs);

 private:
  Ref<Firebird::IMessageMetadata> meta_;
  std::vector<unsigned char> buffer_;
  std::vector<Slot> slots_;
  const Charset* charset_ = nullptr;
  std::string encoded_;  // reused for every text value
};

// A row message of a statement that yields rows.
class OutputMessage {
 public:
  void layout(Firebird::IMessageMetadata* described, bool enableBcd, const Charset& charset);
  Firebird::IMessageMetadata* metadata() const { return meta_.get(); }
  unsigned char* buffer() { return buffer_.data(); }
  std::size_t count() const { return slots_.size(); }
  // Field definitions as the metadata describes them (names are the column aliases).
  std::vector<FieldDef> fieldDefs() const;
  // Decodes the current row.
  void read(Row& out, const BlobContext& blobs) const;

 private:
  Ref<Firebird::IMessageMetadata> meta_;
  std::vector<unsigned char> buffer_;
  std::vector<Slot> slots_;
  std::vector<FieldDef> defs_;
  const Charset* charset_ = nullptr;
};

}  // namespace db::firebird
