#pragma once
// The fixed table of the one-key service directory: four tabs of public service numbers, each
// entry with the name shown, the number dialled and its search keyword.

#include <span>
#include <string>
#include <string_view>

namespace vokari {

// Lanzo's area code. Deliberately one no real city has (no four-digit code starts with "01"),
// so nothing here dials a real line by accident.
inline constexpr std::string_view kLanzoAreaCode = "0199";

struct DirectoryEntry {
  std::string_view name;
  std::string_view number;    // as dialled, digits only
  std::string_view pinyin;    // the name's full pinyin, lower case, no tones or separators
  std::string_view initials;  // the first letter of each syllable
};

struct DirectoryTab {
  std::string_view title;
  std::span<const DirectoryEntry> entries;
};

// The four tabs in display order ("公安部门", "交警", "联动部门", "公共服务").
std::span<const DirectoryTab> directoryTabs();

// "name-number-pinyin-initials", the text a search looks in.
std::string keywordOf(const DirectoryEntry& entry);

}  // namespace vokari
