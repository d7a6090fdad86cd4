#pragma once
// The persistent key-value store of texts ("currentuser", "token", "version").

#include <map>
#include <optional>
#include <string>

#include "platform/Status.h"

namespace vokari {

// What opening the store found: a store it read, none at all, or one it could not read (cut
// short, empty, not a store), which it sets aside when it can.
enum class SettingsOrigin { Read, Missing, Unreadable };

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Only a store that was read says anything about the data beside it: a missing or unreadable
  // one must never be taken for the store of a fresh installation.
  virtual SettingsOrigin origin() const { return SettingsOrigin::Read; }
  virtual std::optional<std::string> get(const std::string& key) const = 0;
  virtual void set(const std::string& key, const std::string& value) = 0;
  virtual void remove(const std::string& key) = 0;
  // Makes what was set durable; fails, with the reason, when it could not be written. The values
  // stay set in memory either way, and the next flush that succeeds writes them all.
  virtual Status synchronize() = 0;
};

// In memory: for tests, and the base of the file-backed store.
class MemorySettingsStore : public SettingsStore {
 public:
  std::optional<std::string> get(const std::string& key) const override;
  void set(const std::string& key, const std::string& value) override { values_[key] = value; }
  void remove(const std::string& key) override { values_.erase(key); }
  Status synchronize() override { return Status::success(); }

 protected:
  std::map<std::string, std::string> values_;
};

// One JSON file, replaced atomically on synchronize(): a crash never leaves half a store. A file
// that cannot be read as a store is moved aside as "<path>.unreadable" (then "-2", ...), so that
// what it held can still be looked at, and the store starts empty.
class FileSettingsStore final : public MemorySettingsStore {
 public:
  explicit FileSettingsStore(std::string path);
  SettingsOrigin origin() const override { return origin_; }
  Status synchronize() override;

 private:
  std::string path_;
  SettingsOrigin origin_ = SettingsOrigin::Missing;
};

}  // namespace vokari
