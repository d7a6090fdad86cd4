#pragma once
// The picture of the booking list's empty state: a calendar, 64 x 64 pixels, as PNG bytes. It
// is compiled in, so the list shows it wherever the program was installed.

#include <memory>
#include <string>

namespace vokari {

std::shared_ptr<const std::string> emptyStatePicture();

}  // namespace vokari
