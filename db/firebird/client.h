// Thin owners over the Firebird client's OO interface: a status that turns failures into engine
// errors, and one move-only owner per client object (attachment, transaction, statement, cursor, blob).
#pragma once

#include <firebird/Interface.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "db/error.h"

namespace db::firebird {

// A failure reported by the Firebird client or server: the engine error plus the server's SQLCODE.
class ServerError : public EngineError {
 public:
  ServerError(std::uint16_t code, const std::string& message, std::int64_t gdsCode, int sqlCode);
  // The SQLCODE the client derives from the status (e.g. -803 for a duplicate key).
  int sqlCode() const { return sqlCode_; }

 private:
  int sqlCode_;
};

Firebird::IMaster* master();
Firebird::IUtil* util();

// The client's status; check() after every client call raises ServerError when the call failed.
class Status {
 public:
  Status();
  ~Status();
  Status(const Status&) = delete;
  Status& operator=(const Status&) = delete;

  // The status to hand to a client call (cleared first).
  Firebird::CheckStatusWrapper* operator&() {
    wrapper_.init();
    return &wrapper_;
  }
  // Throws ServerError with `code` as the entry code (a duplicate key becomes kKeyViolation).
  void check(std::uint16_t code = errc::kSqlError);
  // The status as it stands, for reading after a failed call.
  Firebird::IStatus* current() { return &wrapper_; }
  bool failed() const { return (wrapper_.getState() & Firebird::IStatus::STATE_ERRORS) != 0; }

 private:
  Firebird::CheckStatusWrapper wrapper_;
};

// Builds the error a failed status stands for, without throwing it.
ServerError errorFromStatus(Firebird::IStatus* status, std::uint16_t code);

// Owner of one reference to a client object (or of a disposable helper such as a parameter builder).
// Releasing the last reference of an attachment detaches, of a transaction rolls back, of a statement frees
// it; explicit close operations come first where the outcome matters (commit, detach).
template <typename T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* p) : p_(p) {}
  ~Ref() { reset(); }
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Forgets the object without releasing it (after a close call that already released it).
  void forget() noexcept { p_ = nullptr; }
  void reset() noexcept {
    if (!p_) return;
    if constexpr (std::is_base_of_v<Firebird::IReferenceCounted, T>) {
      std::exchange(p_, nullptr)->release();
    } else {
      std::exchange(p_, nullptr)->dispose();
    }
  }

 private:
  T* p_ = nullptr;
};

}  // namespace db::firebird
