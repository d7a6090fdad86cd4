#include "platform/ExpiringCache.h"

#include <nlohmann/json.hpp>

#include "platform/FileManager.h"

namespace vokari {

ExpiringCache::ExpiringCache(const RunLoop& clock, std::optional<std::string> file)
    : clock_(clock), file_(std::move(file)) {
  if (!file_) return;
  auto text = FileManager::readFile(*file_);
  if (!text) return;
  auto json = nlohmann::json::parse(*text, nullptr, false);
  if (!json.is_object()) return;
  for (auto& [key, entry] : json.items()) {
    if (entry.is_object() && entry["value"].is_string() && entry["expires"].is_number()) {
      entries_[key] = {entry["value"].get<std::string>(), entry["expires"].get<double>()};
    }
  }
}

double ExpiringCache::wallSeconds() const {
  return std::chrono::duration<double>(clock_.wallClock().time_since_epoch()).count();
}

std::optional<std::string> ExpiringCache::get(const std::string& key) {
  auto it = entries_.find(key);
  if (it == entries_.end()) return std::nullopt;
  if (wallSeconds() >= it->second.expiresAt) {
    entries_.erase(it);
    save();
    return std::nullopt;
  }
  return it->second.value;
}

void ExpiringCache::set(const std::string& key, const std::string& value, double lifetimeSeconds) {
  entries_[key] = {value, wallSeconds() + lifetimeSeconds};
  save();
}

void ExpiringCache::remove(const std::string& key) {
  if (entries_.erase(key) > 0) save();
}

void ExpiringCache::save() {
  if (!file_) return;
  nlohmann::json json = nlohmann::json::object();
  for (auto& [key, entry] : entries_) {
    json[key] = {{"value", entry.value}, {"expires", entry.expiresAt}};
  }
  FileManager::writeFileAtomically(*file_, json.dump());
}

}  // namespace vokari
