// Thin owners over the Firebird client's OO interface: a status that turns failures into engine
// errors, and one move-only owner per client object (attachment, transaction, statement, cursor, blob).
#pragma once

#include <firebird/Interface.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "db/error.h"

namespace db::firebird {

// The end of the message of a call the watch cut off: true of a statement, whose transaction the server
// undoes with the connection; a commit cut off may have been carried out (Link::commitNow says so).
inline constexpr std::string_view kZmianyWycofanePoZerwaniu =
    ", a zmiany od poprzedniego zatwierdzenia zostały wycofane.";

// A failure reported by the Firebird client or server: the engine error plus the server's SQLCODE.
class ServerError : public EngineError {
 public:
  ServerError(std::uint16_t code, const std::string& message, std::int64_t gdsCode, int sqlCode);
  // The SQLCODE the client derives from the status (e.g. -803 for a duplicate key).
  int sqlCode() const { return sqlCode_; }
  // The arguments of the status's first clause, as text (a file name, the on-disk structure's numbers).
  const std::vector<std::string>& arguments() const { return arguments_; }
  ServerError& withArguments(std::vector<std::string> arguments) {
    arguments_ = std::move(arguments);
    return *this;
  }

 private:
  int sqlCode_;
  std::vector<std::string> arguments_;
};

Firebird::IMaster* master();
Firebird::IUtil* util();

class CallGate;
class CallWatch;
class Charset;

// What the calls of one connection share: the watch over calls that wait for a server (none for the
// in-process engine), the character set the server's texts arrive in (none: UTF-8) and the gate that
// calls waiting for a server go through while a wait hook is set (see gate.h; none: inline).
struct CallContext {
  CallWatch* watch = nullptr;
  const Charset* charset = nullptr;
  CallGate* gate = nullptr;
};

// The status handed to every client call. A call that fails throws ServerError at once (the client
// interface checks the status after each call), so no failure can pass unnoticed; `code` is the
// entry code of that error (a duplicate key becomes kKeyViolation). A call that takes longer than the
// connection's watch allows is cut off, and it and every later call throw the watch's error.
// Where a failure is expected and must not throw (release paths), use QuietStatus.
class Status : public Firebird::BaseStatusWrapper<Status> {
 public:
  explicit Status(std::uint16_t code = errc::kSqlError, CallContext context = {});
  explicit Status(CallContext context) : Status(errc::kSqlError, context) {}
  ~Status();
  Status(const Status&) = delete;
  Status& operator=(const Status&) = delete;

  // Called by the client interface around every call.
  static void clearException(Status* status);
  static void checkException(Status* status);

  bool failed() const { return (getState() & Firebird::IStatus::STATE_ERRORS) != 0; }

 private:
  std::uint16_t code_;
  CallContext context_;
  bool afterCutOff_ = false;  // the call began on a connection the watch had already cut off
};

// A status that only records: for calls whose failure is expected and handled on the spot, and for
// release paths that must not throw. The connection's watch still cuts off a call that hangs.
class QuietStatus : public Firebird::BaseStatusWrapper<QuietStatus> {
 public:
  explicit QuietStatus(CallContext context = {});
  ~QuietStatus();
  QuietStatus(const QuietStatus&) = delete;
  QuietStatus& operator=(const QuietStatus&) = delete;

  static void clearException(QuietStatus* status);
  static void checkException(QuietStatus* status);

  bool failed() const { return (getState() & Firebird::IStatus::STATE_ERRORS) != 0; }

 private:
  CallContext context_;
};

// Builds the error a failed status stands for, without throwing it; the server's texts are decoded from
// `charset` when given.
ServerError errorFromStatus(Firebird::IStatus* status, std::uint16_t code, const Charset* charset = nullptr);

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
