// A library opened on first use: it finds what the library has, and a missing library or name is
// said once and found as nothing, so that the feature goes without instead of crashing.

#include "platform/LazyLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace vokari {
namespace {

TEST(LazyLibrary, FindsWhatTheLibraryHasAndSaysWhatIsMissingOnce) {
  struct Row {
    const char* soname;
    const char* name;
    bool found;
    const char* said;  // "" when nothing is said
  };
  const Row rows[] = {
      {VOKARI_LIBXML_SONAME, "xmlParseChunk", true, ""},
      {VOKARI_LIBXML_SONAME, "xmlNoSuchFunction", false, "xmlNoSuchFunction"},
      {"libvokari-none.so", "xmlParseChunk", false, "libvokari-none.so cannot be loaded"},
  };
  for (const Row& row : rows) {
    testing::internal::CaptureStderr();
    const LazyLibrary library(row.soname);
    void (*function)() = nullptr;
    EXPECT_EQ(library.find(function, row.name), row.found) << row.name;
    EXPECT_EQ(function != nullptr, row.found) << row.name;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), *row.said ? 1 : 0) << said;
    EXPECT_NE(said.find(row.said), std::string::npos) << said;
  }
}

}  // namespace
}  // namespace vokari
