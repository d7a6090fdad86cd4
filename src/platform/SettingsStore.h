#pragma once
// The persistent key-value store of texts ("currentuser", "token", "version").

#include <map>
#include <optional>
#include <string>

namespace vokari {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::optional<std::string> get(const std::string& key) const = 0;
  virtual void set(const std::string& key, const std::string& value) = 0;
  virtual void remove(const std::string& key) = 0;
  // Makes what was set durable; answers false when it could not be written.
  virtual bool synchronize() = 0;
};

// In memory: for tests, and the base of the file-backed store.
class MemorySettingsStore : public SettingsStore {
 public:
  std::optional<std::string> get(const std::string& key) const override;
  void set(const std::string& key, const std::string& value) override { values_[key] = value; }
  void remove(const std::string& key) override { values_.erase(key); }
  bool synchronize() override { return true; }

 protected:
  std::map<std::string, std::string> values_;
};

// One JSON file, replaced atomically on synchronize(): a crash never leaves half a store.
class FileSettingsStore final : public MemorySettingsStore {
 public:
  explicit FileSettingsStore(std::string path);
  bool synchronize() override;

 private:
  std::string path_;
};

}  // namespace vokari
