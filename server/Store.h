#pragma once
// The back-end's state: one database, one lock, one clock. Each request runs as one
// transaction under the lock, so checks and the writes they guard cannot interleave.

#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "Backend.h"
#include "Database.h"
#include "Time.h"

namespace vokari_backend {

// What one request sees while it runs.
struct Call {
  Database& db;
  TimePoint now;
  std::mt19937& random;
  const std::string& dataDir;
  std::string origin;     // "http://host:port" as the caller addressed us, for links
  std::vector<Sms> sent;  // handed to the hook once the transaction has committed
};

class Store final {
 public:
  // Opens dataDir/backend.db, creating the folder, the schema and the seed data as needed.
  Store(const std::string& dataDir, Clock clock, SmsHook onSms);

  // Runs f(call) in one transaction; rolls back and rethrows if f throws.
  template <typename F>
  auto transact(std::string origin, F&& f);

  const std::string& dataDir() const { return dataDir_; }
  // Free bytes the data folder's disk keeps for the database: uploads stop short of them.
  void setDiskReserve(std::uint64_t bytes) { diskReserve_ = bytes; }
  std::uint64_t diskReserve() const { return diskReserve_; }

 private:
  void rollback() noexcept;

  std::string dataDir_;
  Clock clock_;
  SmsHook onSms_;
  Database db_;
  std::mutex mutex_;
  std::mt19937 random_;
  std::uint64_t diskReserve_ = 256u << 20;
};

std::string randomDigits(Call& call, int count);

std::string databasePath(const std::string& dataDir);
// Creates the file empty and private (0600) when it does not exist yet, so what is written into
// it later is never readable by other users whatever the process's umask.
void createPrivateFile(const std::string& path);

// The fixed part of a fresh database: stations, business types and the first news.
void seed(Call& call);

template <typename F>
auto Store::transact(std::string origin, F&& f) {
  std::vector<Sms> sent;
  auto result = [&] {
    std::lock_guard lock(mutex_);
    Call call{db_, clock_(), random_, dataDir_, std::move(origin), {}};
    db_.run("BEGIN IMMEDIATE");
    try {
      auto value = f(call);
      db_.run("COMMIT");
      sent = std::move(call.sent);
      return value;
    } catch (...) {
      rollback();
      throw;
    }
  }();
  if (onSms_) {
    for (const Sms& sms : sent) onSms_(sms);
  }
  return result;
}

}  // namespace vokari_backend
