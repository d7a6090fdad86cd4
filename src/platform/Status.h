#pragma once
// The outcome of an operation whose failure a caller may need to explain: a database that cannot
// be opened, a settings file that cannot be written. Converts to bool like the plain answers.

#include <string>
#include <utility>

namespace vokari {

class [[nodiscard]] Status final {
 public:
  static Status success() { return Status(true, {}); }
  static Status failure(std::string message) { return Status(false, std::move(message)); }
  // A write that failed for want of space: the one failure a person can mend themselves.
  static Status diskFull(std::string message) {
    Status full(false, std::move(message));
    full.diskFull_ = true;
    return full;
  }

  bool ok() const { return ok_; }
  bool diskFull() const { return diskFull_; }
  explicit operator bool() const { return ok_; }
  // Why it failed, for a log or a test; empty on success.
  const std::string& message() const { return message_; }

 private:
  Status(bool ok, std::string message) : ok_(ok), message_(std::move(message)) {}
  bool ok_;
  bool diskFull_ = false;
  std::string message_;
};

}  // namespace vokari
