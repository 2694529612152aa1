#include "db/firebird/batch.h"

#include <ibase.h>

#include <algorithm>
#include <map>
#include <utility>

#include "db/engine.h"
#include "db/firebird/metadata.h"

namespace db::firebird {

namespace {

// A block is compiled by the server once per table, at a cost that grows with its rows; each execution
// saves the round trips of the rows it carries. Measured through a server with the delay of an office
// network: groups of 64 rows convert tables of a few thousand rows fastest (a block of 255 costs more to
// compile than it saves), groups of 255 rows tables of tens of thousands (a third less time than groups
// of 64); over loopback both are alike.
constexpr std::size_t kGroupRows = 64;
constexpr std::size_t kRowsForLargestGroups = 10000;

// A blob parameter costs round trips of its own (the blob created, then written and closed): a group
// whose blob values are all short sends them as text in a block of its own kind instead, declared
// VARCHAR of the blob's set (OCTETS for bytes), and the server turns them into the blobs. At most this
// many characters a value, and only where the message leaves room for at least the smaller number.
constexpr std::size_t kMaxInlineBlob = 4000;
constexpr std::size_t kMinInlineBlob = 32;

// Rows left over at a flush travel as one block of their own size: a prepare and an execution, two
// round trips, against one round trip a row. Fewer rows than this go one by one.
constexpr std::size_t kMinRemainderGroup = 3;

struct Pending {
  std::uint64_t tag = 0;
  Row values;
};

// Character set of each parameter of a message (0 where it has none).
std::vector<unsigned> charsetsOf(Firebird::IMessageMetadata* meta, std::size_t count) {
  std::vector<unsigned> out(count, 0);
  Status st;
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = meta->getCharSet(&st, static_cast<unsigned>(i)) & 0xFF;
  }
  return out;
}

using TextCharset = Catalog::TextCharset;  // a character set as the server names it

// The PSQL declaration of a parameter described by `s` (text in `charset`); "" when the type has none.
std::string declaredType(const Slot& s, const TextCharset& charset) {
  auto numeric = [&](const char* plain, int digits) {
    if (s.scale == 0) return std::string(plain);
    return "NUMERIC(" + std::to_string(digits) + "," + std::to_string(-s.scale) + ")";
  };
  switch (s.sqlType) {
    case SQL_TEXT:
    case SQL_VARYING:
      if (charset.name.empty() || charset.bytesPerChar == 0 || s.length % charset.bytesPerChar != 0)
        return {};
      return "VARCHAR(" + std::to_string(std::max(1u, s.length / charset.bytesPerChar)) + ") CHARACTER SET " +
             charset.name;
    case SQL_SHORT:
      return numeric("SMALLINT", 4);
    case SQL_LONG:
      return numeric("INTEGER", 9);
    case SQL_INT64:
      return numeric("BIGINT", 18);
    case SQL_FLOAT:
      return "FLOAT";
    case SQL_DOUBLE:
      return "DOUBLE PRECISION";
    case SQL_TYPE_DATE:
      return "DATE";
    case SQL_TYPE_TIME:
      return "TIME";
    case SQL_TIMESTAMP:
      return "TIMESTAMP";
    case SQL_BOOLEAN:
      return "BOOLEAN";
    case SQL_BLOB:
      if (s.subType == 1) {
        if (charset.name.empty()) return {};
        return "BLOB SUB_TYPE 1 CHARACTER SET " + charset.name;
      }
      return "BLOB SUB_TYPE " + std::to_string(s.subType);
    default:
      return {};
  }
}

bool textual(const Slot& s) {
  return s.sqlType == SQL_VARYING || s.sqlType == SQL_TEXT || (s.sqlType == SQL_BLOB && s.subType == 1);
}

class Batch : public BatchImpl {
 public:
  Batch(std::shared_ptr<StatementCore> single, std::vector<std::string> pieces,
        std::vector<std::string> types, std::vector<TextCharset> textCharsets, RunRow runRow)
      : single_(std::move(single)),
        pieces_(std::move(pieces)),
        types_(std::move(types)),
        textCharsets_(std::move(textCharsets)),
        runRow_(std::move(runRow)),
        singleCharsets_(charsetsOf(single_->input.metadata(), single_->input.count())) {
    for (std::size_t i = 0; i < single_->input.count(); ++i)
      if (single_->input.slot(i).sqlType == SQL_BLOB) blobs_ = true;
  }

  ~Batch() override { abandonFlight(); }

  // Prepares the largest group up to `maxRows` that the server takes; false when not even two rows fit.
  bool settle(std::size_t maxRows) {
    // Rows with blobs keep to the smaller groups: the room the message leaves carries short blobs inline.
    std::size_t rows =
        std::min(maxRows, maxRows >= kRowsForLargestGroups && !blobs_ ? kMaxGroupRows : kGroupRows);
    // The single message is laid out as tightly as the block's (same types, same alignment): a group
    // carries no more rows than the message allows.
    Status st;
    unsigned rowBytes = single_->input.metadata()->getMessageLength(&st);
    if (rowBytes > 0) rows = std::min<std::size_t>(rows, kMaxGroupMessage / rowBytes);
    // The block of short blobs first: while blob values are short it is the only one prepared.
    for (; rows >= 2; rows /= 2) {
      rows_ = rows;
      planInline(rowBytes);
      if (group(rows, true) || group(rows)) return true;
    }
    inlineTypes_.clear();
    return false;
  }

  void add(std::uint64_t tag, Row& values) override {
    checkIdle();
    if (tail_ == slots_.size()) {
      if (head_ > 0) {
        // Rows already sent leave their slots (and the slots' storage) for reuse at the end.
        std::rotate(slots_.begin(), slots_.begin() + static_cast<std::ptrdiff_t>(head_), slots_.end());
        tail_ -= head_;
        head_ = 0;
      } else {
        slots_.emplace_back();
      }
    }
    Pending& p = slots_[tail_];
    p.tag = tag;
    std::swap(p.values, values);
    values.resize(p.values.size());
    ++tail_;
    while (unsent() >= rows_) sendFull();
  }

  void flush() override {
    checkIdle();
    while (unsent() >= rows_) sendFull();
    land();
    if (const std::size_t n = pending(); n >= kMinRemainderGroup) {
      send(n);
    } else if (n > 0) {
      runOneByOne(n);
    }
  }

  void discard() noexcept override {
    abandonFlight();
    head_ = tail_ = 0;
  }

  std::size_t pending() const override { return tail_ - head_; }

 private:
  // The batch's own group in flight does not make it busy; anything else pending on the link does.
  void checkIdle() const {
    if (!flight_) single_->link->checkIdle();
  }

  // Queued rows not yet on their way: the first flight_ queued rows are the group in flight.
  std::size_t unsent() const { return pending() - flight_; }

  // Sends the next full group of the rows not yet on their way. Through a gate (a wait hook is set) the
  // group is put in flight and this returns while the server works on it: the rows of the next group
  // are read meanwhile. The group before it is collected first, and a refused one is resolved as a group
  // sent at once resolves. Without a gate, or with blobs (written through the connection while the
  // values are laid out), the group is sent at once.
  void sendFull() {
    Link& link = *single_->link;
    CallGate* gate = link.gate();
    // A cursor's fetch in flight (rows it has not been asked for yet) holds the gate: the group goes at once.
    StatementCore* block = !gate || blobs_ || (!flight_ && gate->inFlight()) ? nullptr : group(rows_);
    if (!block) {
      land();
      send(rows_);
      return;
    }
    const std::size_t n = single_->input.count();
    const std::size_t first = head_ + flight_;
    try {
      const BlobContext none{nullptr, nullptr, link.context()};
      for (std::size_t r = 0; r < rows_; ++r) {
        const Row& values = slots_[first + r].values;
        for (std::size_t j = 0; j < n; ++j) block->input.set(r * n + j, values[j], none);
      }
    } catch (const EngineError&) {
      // A value its parameter refuses: the group goes at once, which names the row.
      land();
      send(rows_);
      return;
    }
    spare_.assign(block->input.buffer(), block->input.buffer() + block->input.size());
    land();
    if (!gate->active() || gate->inFlight()) {
      // The hook was taken away meanwhile, or another call is in flight: the group goes at once.
      send(rows_);
      return;
    }
    Firebird::ITransaction* tra = link.writeTransaction();
    std::swap(spare_, message_);
    gate->post([block, tra, message = message_.data()] {
      block->statement->execute(&block->status, tra, block->input.metadata(), message, nullptr, nullptr);
    });
    flight_ = rows_;
    flightGate_ = gate;
  }

  // Waits for the group in flight and takes its outcome: its rows leave the queue, or a refused group is
  // resolved as a group sent at once (the refused row raises BatchRowError); a stop at the operator's
  // request drops every queued row.
  void land() {
    if (!flight_) return;
    const std::size_t rows = flight_;
    CallGate* gate = flightGate_;
    flight_ = 0;
    flightGate_ = nullptr;
    Outcome outcome = Outcome::Sent;
    try {
      gate->collect();
    } catch (const EngineError& e) {
      outcome = outcomeOf(e);
    }
    take(rows, outcome);
  }

  // Waits for the group in flight without taking its outcome (the queue is being dropped). A group
  // already sent is not recalled: what it wrote goes with the caller's transaction.
  void abandonFlight() noexcept {
    if (!flight_) return;
    CallGate* gate = flightGate_;
    flight_ = 0;
    flightGate_ = nullptr;
    try {
      gate->collect(CallGate::Wait::Release);
    } catch (...) {
      // The rows are dropped; the caller rolls back or reports its own error.
    }
  }

  // The prepared block for `rows` rows; nullptr when the server refuses it or describes its parameters
  // otherwise than the single statement (the rows then go one by one).
  // The block for short blobs (`asText`) is one whose blob parameters are text (see kMaxInlineBlob).
  StatementCore* group(std::size_t rows, bool asText = false) {
    if (rows < 2 || (asText && inlineTypes_.empty())) return nullptr;
    auto found = groups_.find({rows, asText});
    if (found != groups_.end()) return found->second.get();
    std::unique_ptr<StatementCore> core;
    try {
      core = std::make_unique<StatementCore>(single_->link, blockText(rows, asText ? inlineTypes_ : types_));
      if (!sameParameters(*core, rows, asText)) core.reset();
    } catch (const EngineError&) {
      core.reset();
    }
    return (groups_[{rows, asText}] = std::move(core)).get();
  }

  // The blob parameters' text declarations for the block of short blobs, sized so that a group of rows_
  // rows fits the message; none when there is no room for kMinInlineBlob characters.
  void planInline(unsigned rowBytes) {
    inlineTypes_.clear();
    std::vector<std::size_t> blobs;
    for (std::size_t j = 0; j < single_->input.count(); ++j) {
      const Slot& s = single_->input.slot(j);
      if (s.sqlType != SQL_BLOB) continue;
      if (s.subType > 1 || (s.subType == 1 && textCharsets_[j].name.empty())) return;
      blobs.push_back(j);
    }
    if (blobs.empty()) return;
    // Each blob parameter gives up its 8-byte identifier and takes a length word and its text, in bytes of
    // the connection's set (in which the server describes text parameters), and the next parameter may
    // need up to 8 bytes to be aligned again.
    const std::size_t perRow = kMaxGroupMessage / rows_;
    if (perRow <= rowBytes + 10 * blobs.size()) return;
    const std::size_t room = (perRow - rowBytes) / blobs.size() + 8 - 2 - 8;
    const std::size_t wire = single_->link->charset().bytesPerChar();
    std::vector<std::string> types = types_;
    std::size_t limit = kMaxInlineBlob;
    for (std::size_t j : blobs) {
      const std::size_t perChar = single_->input.slot(j).subType == 1
                                      ? std::max(wire, std::size_t{textCharsets_[j].bytesPerChar})
                                      : 1;
      limit = std::min({limit, room / perChar, std::size_t{32765} / perChar});
    }
    if (limit < kMinInlineBlob) return;
    for (std::size_t j : blobs) {
      types[j] = "VARCHAR(" + std::to_string(limit) + ") CHARACTER SET " +
                 (single_->input.slot(j).subType == 1 ? textCharsets_[j].name : std::string("OCTETS"));
    }
    inlineTypes_ = std::move(types);
    inlineLimit_ = limit;
  }

  // Whether every blob value of the first `size` queued rows is null, or text or bytes short enough for
  // the block of short blobs: UTF-8 of at most inlineLimit_ bytes holds at most as many characters.
  bool shortBlobs(std::size_t size) const {
    if (inlineTypes_.empty()) return false;
    const std::size_t n = single_->input.count();
    for (std::size_t r = 0; r < size; ++r) {
      const Row& values = slots_[head_ + r].values;
      for (std::size_t j = 0; j < n; ++j) {
        if (single_->input.slot(j).sqlType != SQL_BLOB || isNull(values[j])) continue;
        const std::string* text = std::get_if<std::string>(&values[j]);
        const Bytes* bytes = std::get_if<Bytes>(&values[j]);
        const std::size_t length = text ? text->size() : bytes ? bytes->data.size() : inlineLimit_ + 1;
        if (length > inlineLimit_) return false;
      }
    }
    return true;
  }

  std::string blockText(std::size_t rows, const std::vector<std::string>& types) const {
    const std::size_t n = types.size();
    std::string sql = "EXECUTE BLOCK (";
    for (std::size_t r = 0; r < rows; ++r) {
      for (std::size_t j = 0; j < n; ++j) {
        if (r + j > 0) sql += ", ";
        sql += "B$" + std::to_string(r * n + j) + " " + types[j] + " = ?";
      }
    }
    sql += ")\nAS\nBEGIN\n";
    for (std::size_t r = 0; r < rows; ++r) {
      sql += pieces_[0];
      for (std::size_t j = 0; j < n; ++j) {
        sql += ":B$" + std::to_string(r * n + j);
        sql += pieces_[j + 1];
      }
      // On a line of its own: a comment ending the statement must not swallow it.
      sql += "\n;\n";
    }
    sql += "END";
    return sql;
  }

  // Every parameter of the block is described exactly as the single statement's: the values are then
  // encoded byte for byte as a single execution encodes them.
  // In the block of short blobs a blob parameter is text of the blob's set (bytes for other blobs).
  bool sameParameters(StatementCore& block, std::size_t rows, bool asText) const {
    const std::size_t n = single_->input.count();
    if (block.input.count() != rows * n) return false;
    Status st;
    if (block.input.metadata()->getMessageLength(&st) > kMaxGroupMessage) return false;
    std::vector<unsigned> charsets = charsetsOf(block.input.metadata(), block.input.count());
    for (std::size_t i = 0; i < block.input.count(); ++i) {
      const Slot& a = block.input.slot(i);
      const Slot& b = single_->input.slot(i % n);
      if (asText && b.sqlType == SQL_BLOB) {
        if (a.sqlType != SQL_VARYING || a.text != b.text || (a.text && charsets[i] != singleCharsets_[i % n]))
          return false;
        continue;
      }
      if (a.sqlType != b.sqlType || a.scale != b.scale || a.length != b.length ||
          (a.sqlType == SQL_BLOB && a.subType != b.subType) ||
          (textual(a) && charsets[i] != singleCharsets_[i % n])) {
        return false;
      }
    }
    return true;
  }

  enum class Outcome { Sent, Refused, Waited };

  // Sends the first `size` queued rows as one block (nothing is in flight). A refused block is halved until
  // the refused row runs alone, so the rows around it still travel in blocks (log2(size) refused blocks
  // instead of up to `size` single executions); a block that cannot be prepared goes one row at a time.
  void send(std::size_t size) {
    StatementCore* block = shortBlobs(size) ? group(size, true) : nullptr;
    if (!block) block = group(size);
    if (!block) {
      runOneByOne(size);
      return;
    }
    take(size, runBlock(*block, size));
  }

  // Takes the outcome of the block over the first `size` queued rows.
  void take(std::size_t size, Outcome outcome) {
    if (outcome == Outcome::Waited) {
      // Halving would wait as long again for every half: the rows go alone at once, and the row
      // that meets the lock (or the cut connection) reports it as its single execution does.
      runOneByOne(size);
      return;
    }
    if (outcome == Outcome::Refused) {
      const std::size_t half = size / 2;
      send(half);
      send(size - half);
      return;
    }
    head_ += size;
    if (head_ == tail_) head_ = tail_ = 0;
    Link& link = *single_->link;
    for (std::size_t i = 0; i < size; ++i) link.noteChange();
  }

  // Runs the block over the first `rows` queued rows. A refused block is undone whole by its own
  // savepoint, so Refused and Waited leave the database as it was before the block. Waited: the block
  // ended on a row lock held elsewhere or on a connection cut off by the watch, after a wait that every
  // further block would repeat.
  Outcome runBlock(StatementCore& block, std::size_t rows) {
    Link& link = *single_->link;
    const std::size_t n = single_->input.count();
    try {
      Firebird::ITransaction* tra = link.writeTransaction();
      // Values are converted by the same message code as a single execution's, text into the
      // connection's character set included.
      const BlobContext blobs{link.attachment(), tra, link.context()};
      for (std::size_t r = 0; r < rows; ++r) {
        const Row& values = slots_[head_ + r].values;
        for (std::size_t j = 0; j < n; ++j) block.input.set(r * n + j, values[j], blobs);
      }
      link.call([&] {
        block.statement->execute(&block.status, tra, block.input.metadata(), block.input.buffer(), nullptr,
                                 nullptr);
      });
      return Outcome::Sent;
    } catch (const EngineError& e) {
      return outcomeOf(e);
    }
  }

  // What the error of a block means. Stopped at the operator's request: no queued row goes any more,
  // and the error is raised again.
  Outcome outcomeOf(const EngineError& e) {
    if (isWaitInterrupted(e)) {
      discard();
      throw;
    }
    // The server refused the block, or a value its parameter refuses: the row's own execution
    // reports it.
    const std::int64_t gds = e.nativeCode();
    if (e.code() == errc::kConnect || gds == isc_lock_timeout || gds == isc_deadlock ||
        gds == isc_update_conflict || gds == isc_lock_conflict) {
      return Outcome::Waited;
    }
    return Outcome::Refused;
  }

  void runOneByOne(std::size_t rows) {
    for (std::size_t r = 0; r < rows; ++r) {
      Pending& row = slots_[head_];
      try {
        runRow_(row.values);
      } catch (const EngineError& e) {
        const std::uint64_t tag = row.tag;
        ++head_;
        if (head_ == tail_) head_ = tail_ = 0;
        throw BatchRowError(tag, e, std::current_exception());
      }
      ++head_;
    }
    if (head_ == tail_) head_ = tail_ = 0;
  }

  std::shared_ptr<StatementCore> single_;
  std::vector<std::string> pieces_;
  std::vector<std::string> types_;
  std::vector<TextCharset> textCharsets_;  // of each textual parameter, else empty
  RunRow runRow_;
  std::vector<unsigned> singleCharsets_;
  std::size_t rows_ = 0;
  std::vector<std::string> inlineTypes_;  // the block of short blobs' declarations; empty: none
  std::size_t inlineLimit_ = 0;           // characters (bytes) a blob value may take in it
  std::map<std::pair<std::size_t, bool>, std::unique_ptr<StatementCore>> groups_;
  std::vector<Pending> slots_;  // queued rows are [head_, tail_)
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
  bool blobs_ = false;                  // a parameter is a blob
  std::size_t flight_ = 0;              // rows of the group in flight, the first queued ones
  CallGate* flightGate_ = nullptr;      // the gate it flies through
  std::vector<unsigned char> message_;  // its message
  std::vector<unsigned char> spare_;    // the next group's message, laid out while it flies
};

}  // namespace

std::vector<std::string> splitAtMarkers(const std::string& sql) {
  std::vector<std::string> pieces(1);
  const std::size_t n = sql.size();
  for (std::size_t i = 0; i < n;) {
    std::size_t end = db::sqlQuotedOrCommentEnd(sql, i);
    if (end == i) {
      end = i + 1;
      if (sql[i] == '?') {
        pieces.emplace_back();
        i = end;
        continue;
      }
    }
    pieces.back().append(sql, i, end - i);
    i = end;
  }
  std::string& last = pieces.back();
  while (!last.empty() && (last.back() == ';' || last.back() == ' ' || last.back() == '\n' ||
                           last.back() == '\r' || last.back() == '\t')) {
    last.pop_back();
  }
  return pieces;
}

std::unique_ptr<BatchImpl> makeBatch(std::shared_ptr<StatementCore> single, const std::string& sql,
                                     std::size_t maxRows, RunRow runRow) {
  const std::size_t n = single->input.count();
  std::vector<std::string> pieces = splitAtMarkers(sql);
  if (n == 0 || pieces.size() != n + 1 || maxRows < 2) return nullptr;

  Link& link = *single->link;
  std::vector<unsigned> charsets = charsetsOf(single->input.metadata(), n);
  std::vector<std::string> types;
  std::vector<TextCharset> textCharsets(n);
  types.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Slot& slot = single->input.slot(i);
    if (textual(slot)) {
      textCharsets[i] = characterSet(link, charsets[i]);
    }
    std::string type = declaredType(slot, textCharsets[i]);
    if (type.empty()) return nullptr;
    types.push_back(std::move(type));
  }
  auto batch = std::make_unique<Batch>(std::move(single), std::move(pieces), std::move(types),
                                       std::move(textCharsets), std::move(runRow));
  if (!batch->settle(maxRows)) return nullptr;
  return batch;
}

}  // namespace db::firebird
