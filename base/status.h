// The outcome of a host call: OK, or an error with a message that names
// what failed and where ("open /a/b.ini: No such file or directory").
#pragma once

#include <string>
#include <utility>

namespace inicrypt {

class [[nodiscard]] Status {
 public:
  Status() = default;  // OK
  static Status Ok() { return Status(); }
  static Status Error(std::string message, int code = 0) {
    return Status(std::move(message), code == 0 ? -1 : code);
  }

  bool ok() const { return code_ == 0; }
  // The host's error number (errno on POSIX), or -1 when there is none.
  int code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  Status(std::string message, int code) : code_(code), message_(std::move(message)) {}
  int code_ = 0;
  std::string message_;
};

// The answer of a search or a read that can come up empty: found, not found
// (the end of the text, no such section or key), or failed with the Status
// that says why. Not found and failed never share an answer.
class [[nodiscard]] Lookup {
 public:
  static Lookup Found() { return Lookup(kFound, {}); }
  static Lookup NotFound() { return Lookup(kNotFound, {}); }
  // An OK status is taken for found.
  static Lookup Failed(Status status) {
    const State state = status.ok() ? kFound : kFailed;
    return Lookup(state, std::move(status));
  }

  bool found() const { return state_ == kFound; }
  bool not_found() const { return state_ == kNotFound; }
  bool failed() const { return state_ == kFailed; }
  // OK unless failed.
  const Status& status() const { return status_; }

 private:
  enum State { kFound, kNotFound, kFailed };
  Lookup(State state, Status status) : state_(state), status_(std::move(status)) {}
  State state_;
  Status status_;
};

}  // namespace inicrypt
