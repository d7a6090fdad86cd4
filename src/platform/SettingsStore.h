#pragma once
// The persistent key-value store of texts ("currentuser", "token", "version").

#include <map>
#include <optional>
#include <string>

#include "platform/Status.h"

namespace vokari {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
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

// One JSON file, replaced atomically on synchronize(): a crash never leaves half a store.
class FileSettingsStore final : public MemorySettingsStore {
 public:
  explicit FileSettingsStore(std::string path);
  Status synchronize() override;

 private:
  std::string path_;
};

}  // namespace vokari
