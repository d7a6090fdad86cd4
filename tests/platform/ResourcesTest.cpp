// Where the programs' shipped data is found, and what a missing file looks like.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/Resources.h"
#include "support/TestPlatform.h"

namespace vokari::testing {
namespace {

TEST(Resources, TheFolderNamedForTestsServesWhatIsNotBesideTheProgramAndAMissingFileIsToldOnce) {
  // A test program lies in the build tree's tests/ folders, with no share/vokari beside it.
  EXPECT_NE(installedResourceDir().find("/share/vokari"), std::string::npos);
  TempDir dir;
  std::ofstream(dir.path() + "/list.json") << "{}";
  const char* previous = std::getenv("VOKARI_RESOURCES");
  std::string kept = previous ? previous : "";
  ::setenv("VOKARI_RESOURCES", dir.path().c_str(), 1);

  EXPECT_EQ(resourcePath("list.json"), dir.path() + "/list.json");
  ::testing::internal::CaptureStderr();
  std::string missing = resourcePath("absent.json");
  resourcePath("absent.json");
  resourcePath("absent.json");
  ::setenv("VOKARI_RESOURCES", "", 1);  // set but empty: not a folder to look in
  resourcePath("other.json");
  std::string told = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(missing, installedResourceDir() + "/absent.json") << "a read there fails as usual";
  EXPECT_EQ(told, "vokari: data file absent.json not found (looked in " + installedResourceDir() +
                      " and " + dir.path() + ")\n" +
                      "vokari: data file other.json not found (looked in " +
                      installedResourceDir() + ")\n")
      << "told once a file, naming where it looked";

  ::setenv("VOKARI_RESOURCES", kept.c_str(), 1);
}

}  // namespace
}  // namespace vokari::testing
