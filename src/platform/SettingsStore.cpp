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
  if (!FileManager::fileExistsAtPath(path_)) return;
  auto text = FileManager::readFile(path_);
  auto json = text ? nlohmann::json::parse(*text, nullptr, false) : nlohmann::json();
  if (!json.is_object()) {
    origin_ = SettingsOrigin::Unreadable;
    static_cast<void>(FileManager::moveAside(path_, ".unreadable"));
    return;
  }
  origin_ = SettingsOrigin::Read;
  for (auto& [key, value] : json.items()) {
    if (value.is_string()) values_[key] = value.get<std::string>();
  }
}

Status FileSettingsStore::synchronize() {
  nlohmann::json json(values_);
  return FileManager::saveFile(path_,
                               json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace vokari
