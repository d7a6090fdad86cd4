// The settings store file and the expiring cache file as a start-up finds them. First byte:
// which file; the rest: its bytes. Loading never loses what it could read: every text value
// survives the next write and a fresh load. The settings are then read as start-up reads them
// (the signed-in account, its database folder, the saved version).

#include <filesystem>

#include <nlohmann/json.hpp>

#include "FuzzInput.h"
#include "core/SystemInfo.h"
#include "platform/FileManager.h"
#include "storage/AccountManager.h"
#include "storage/DBBase.h"

using namespace vokari;
using nlohmann::json;

namespace {

void settingsFile(const std::string& path) {
  auto& platform = fuzz::Sandbox::get().platform.platform;
  SettingsStore* previous = platform.settings;
  {
    FileSettingsStore store(path);
    platform.settings = &store;
    (void)AccountManager::sharedAccountManage().isLogin();
    const std::string dbPath = DBBase::sharedDBBase().dbPath;
    const std::string documents = FileManager::getExecuteDocumentsPath() + "/";
    // The user's database lies in a folder of its own right inside the documents folder.
    if (!dbPath.empty()) {
      const auto folder = std::filesystem::path(dbPath).parent_path();
      if (folder.parent_path().string() + "/" != documents) __builtin_trap();
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    }
    (void)SystemInfo::hasSaveVersion();
    platform.settings = previous;
    // An unreadable file is set aside under one name; gone again, it never piles up.
    std::error_code ignored;
    std::filesystem::remove(path + ".unreadable", ignored);
  }
  // Everything readable in the file is kept by the rewrite.
  const json original = json::parse(FileManager::readFile(path).value_or(""), nullptr, false);
  FileSettingsStore first(path);
  first.set("fuzz-probe", "kept");
  if (!first.synchronize()) return;
  FileSettingsStore second(path);
  if (second.get("fuzz-probe") != "kept") __builtin_trap();
  if (!original.is_object()) return;
  for (const auto& [key, value] : original.items()) {
    if (key != "fuzz-probe" && key != "version" && value.is_string() &&
        second.get(key) != value.get<std::string>())
      __builtin_trap();
  }
}

void cacheFile(const std::string& path) {
  const json original = json::parse(FileManager::readFile(path).value_or(""), nullptr, false);
  const RunLoop& clock = fuzz::Sandbox::get().platform.loop;
  const double now = std::chrono::duration<double>(clock.wallClock().time_since_epoch()).count();
  ExpiringCache first(clock, path);
  first.set("fuzz-probe", "kept", 60);
  ExpiringCache second(clock, path);
  if (second.get("fuzz-probe") != "kept") __builtin_trap();
  if (!original.is_object()) return;
  for (const auto& [key, entry] : original.items()) {
    if (key == "fuzz-probe" || !entry.is_object()) continue;
    auto value = entry.find("value");
    auto expires = entry.find("expires");
    if (value == entry.end() || expires == entry.end() || !value->is_string() ||
        !expires->is_number())
      continue;
    const bool live = expires->get<double>() > now + 1;
    if (live && second.get(key) != value->get<std::string>()) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const bool settings = input.choose(2) == 0;
  const std::string path = fuzz::Sandbox::get().platform.root() + "/store-under-test.json";
  if (!FileManager::writeFileAtomically(path, std::string(input.rest()))) return 0;
  if (settings) {
    settingsFile(path);
  } else {
    cacheFile(path);
  }
  return 0;
}
