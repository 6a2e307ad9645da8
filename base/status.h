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

}  // namespace inicrypt
