// Movie files: what kind of media they hold and their first frame, as the report form reads a
// chosen file.

#include "FuzzInput.h"
#include "media/Image.h"
#include "platform/FileManager.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& sandbox = fuzz::Sandbox::get();
  const std::string path = sandbox.platform.root() + "/movie";
  if (!FileManager::writeFileAtomically(path,
                                        std::string(reinterpret_cast<const char*>(data), size)))
    return 0;
  const MediaKind kind = mediaKindOfFile(path);
  auto frame = getImage(path);
  if (frame &&
      (frame->empty() || frame->rgb.size() != std::size_t(frame->width) * frame->height * 3))
    __builtin_trap();
  if (kind == MediaKind::None && frame) __builtin_trap();  // a frame of what is no movie
  return 0;
}
