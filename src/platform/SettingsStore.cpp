#include "platform/SettingsStore.h"

#include <cerrno>
#include <cstring>

#include <nlohmann/json.hpp>

#include "platform/FileManager.h"

namespace vokari {

std::optional<std::string> MemorySettingsStore::get(const std::string& key) const {
  auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

FileSettingsStore::FileSettingsStore(std::string path) : path_(std::move(path)) {
  auto text = FileManager::readFile(path_);
  if (!text) return;
  auto json = nlohmann::json::parse(*text, nullptr, false);
  if (!json.is_object()) return;  // an unreadable store counts as empty
  for (auto& [key, value] : json.items()) {
    if (value.is_string()) values_[key] = value.get<std::string>();
  }
}

Status FileSettingsStore::synchronize() {
  nlohmann::json json(values_);
  errno = 0;
  if (FileManager::writeFileAtomically(
          path_, json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace)))
    return Status::success();
  return Status::failure("cannot write " + path_ +
                         (errno ? ": " + std::string(std::strerror(errno)) : ""));
}

}  // namespace vokari
