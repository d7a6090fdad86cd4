#pragma once
// The data files that ship with the programs. They are installed under share/vokari/ beside the
// bin/ folder of the programs (the build tree lays them out the same way), so a program finds
// them from its own location wherever it is installed or copied to; tests, which run from other
// folders, point $VOKARI_RESOURCES at a folder of their own.

#include <string>
#include <string_view>

namespace vokari {

// The path of the data file: <program's folder>/../share/vokari/<name> when that file exists,
// else $VOKARI_RESOURCES/<name> when that exists. When neither does, the missing file is told
// once per name on the error stream and the first candidate is answered, so the caller's read
// fails as for any unreadable file. Any thread.
std::string resourcePath(std::string_view name);

// The folder the data is looked up in first: <program's folder>/../share/vokari; empty when the
// program's own path cannot be read.
std::string installedResourceDir();

// The folder the program's bin/ folder is in (/usr for an installed program); empty when the
// program's own path cannot be read.
std::string installedPrefix();

}  // namespace vokari
