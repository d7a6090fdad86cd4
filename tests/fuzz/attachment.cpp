// A chosen file turned into a report attachment: stored as the JPEG (or movie) that is uploaded
// and given its thumbnail, through the media module as the client opens it.

#include "FuzzInput.h"
#include "media/Image.h"
#include "platform/FileManager.h"
#include "reports/Attachments.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& sandbox = fuzz::Sandbox::get();
  fuzz::FuzzInput input(data, size);
  const PickedKind kind = input.choose(2) ? PickedKind::Movie : PickedKind::Picture;
  const std::string folder = sandbox.platform.root() + "/attachments";
  const std::string source = sandbox.platform.root() + "/chosen";
  if (!FileManager::createDirectoryWithPath(folder) ||
      !FileManager::writeFileAtomically(source, std::string(input.rest())))
    return 0;
  auto stored = storeAttachment({kind, source}, folder, WallClock::time_point{});
  if (stored) {
    // What is uploaded for a picture is a JPEG that decodes again.
    if (kind == PickedKind::Picture && !decodeImageFile(*stored)) __builtin_trap();
    (void)attachmentThumbnail(kind == PickedKind::Picture ? source : *stored, kind);
    FileManager::removeFileAtPath(*stored);
  }
  return 0;
}
