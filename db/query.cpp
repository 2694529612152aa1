// The engine's queries: SQL text and parameters, execution, and rows sent in groups.
#include <algorithm>
#include <exception>

#include "db/engine.h"
#include "platform/text.h"

namespace db {

// ---------------------------------------------------------------- Query

BatchRowError::BatchRowError(std::uint64_t tag, const EngineError& cause, std::exception_ptr original)
    : EngineError(cause.entries()), tag_(tag), cause_(std::move(original)) {
  withNative(cause.nativeCode());
}

void BatchRowError::rethrowCause() const {
  if (cause_) std::rethrow_exception(cause_);
  throw EngineError(entries());
}

Query::~Query() = default;

void Query::dropStatement() noexcept {
  batch_.reset();
  statement_.reset();
  preparedOn_ = nullptr;
}

void Query::clearSql() {
  close();
  dropStatement();
  sql_.clear();
  params_.clear();
  bound_.clear();
}

void Query::addSql(const std::string& line) {
  close();
  dropStatement();
  if (!sql_.empty()) sql_ += "\n";
  sql_ += line;
  params_.clear();
  bound_.clear();
  for (auto& name : parseParamMarkers(sql_).second) params_.emplace_back(name);
}

Param& Query::paramByName(const std::string& name) {
  for (auto& p : params_)
    if (p.name() == name) return p;
  throw EngineError(errc::kNotFound, "Nie znaleziono parametru \"" + name + "\"");
}

const std::vector<BoundParam>& Query::boundParams() {
  // Positions and names are taken once per statement text; a row only refreshes types and values, whose
  // storage (a text's included) is reused.
  if (bound_.size() != params_.size()) {
    bound_.clear();
    bound_.reserve(params_.size());
    for (const auto& p : params_) bound_.push_back(BoundParam{p.name(), FieldType::Unknown, Null{}});
  }
  for (std::size_t i = 0; i < params_.size(); ++i) {
    const Param& p = params_[i];
    if (!p.bound())
      throw EngineError(errc::kMissingParam, "Brak wartości dla parametru \"" + p.name() + "\"");
    bound_[i].type = p.dataType();
    bound_[i].value = p.value();
  }
  return bound_;
}

StatementImpl& Query::statement() {
  if (!database_) throw EngineError(errc::kState, "Zapytanie nie ma przypisanej bazy danych");
  database_->connect();
  ConnectionImpl& conn = database_->connection();
  if (!statement_ || preparedOn_ != &conn) {
    dropStatement();
    auto [text, names] = parseParamMarkers(sql_);
    statement_ = conn.prepare(text, names);
    preparedOn_ = &conn;
  }
  return *statement_;
}

void Query::requireNothingQueued() const {
  // Running the statement past queued rows would change the order the rows arrive in.
  if (batchPending() > 0)
    throw EngineError(errc::kState,
                      "Zapytanie ma niewysłane wiersze: najpierw trzeba je wysłać lub porzucić");
}

void Query::open() {
  requireNothingQueued();
  close();
  const auto& params = boundParams();
  openCursor(statement().open(params));
}

void Query::execSql() {
  requireNothingQueued();
  close();
  const auto& params = boundParams();
  statement().execute(params);
}

bool Query::beginBatch(std::size_t maxRows) {
  requireNothingQueued();
  close();
  batch_.reset();
  StatementImpl& prepared = statement();
  if (maxRows >= 2) batch_ = prepared.batch(maxRows);
  return batch_ != nullptr;
}

void Query::addToBatch(std::uint64_t tag) {
  if (!batch_) {
    // Without batching the row runs at once, and a refusal is reported the same way.
    close();
    const auto& params = boundParams();
    StatementImpl& prepared = statement();
    try {
      prepared.execute(params);
    } catch (const EngineError& e) {
      throw BatchRowError(tag, e, std::current_exception());
    }
    return;
  }
  batchRow_.resize(params_.size());
  for (std::size_t i = 0; i < params_.size(); ++i) {
    const Param& p = params_[i];
    if (!p.bound())
      throw EngineError(errc::kMissingParam, "Brak wartości dla parametru \"" + p.name() + "\"");
    batchRow_[i] = p.value();
  }
  batch_->add(tag, batchRow_);
}

void Query::flushBatch() {
  if (batch_) batch_->flush();
}

void Query::discardBatch() noexcept {
  if (batch_) batch_->discard();
}

void Query::connectionLost() noexcept {
  dropStatement();
}

}  // namespace db
