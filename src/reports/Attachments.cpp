#include "reports/Attachments.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "media/Image.h"
#include "platform/FileManager.h"

namespace vokari {
namespace {

constexpr int kStrongestCompression = 1;  // the platform's quality 0.01
constexpr int kThumbnailQuality = 90;

std::chrono::system_clock::time_point referenceDate() {
  using namespace std::chrono;
  return system_clock::time_point(sys_days(year(2001) / January / 1));
}

}  // namespace

double millisecondsSince2001(WallClock::time_point at) {
  return std::chrono::duration<double, std::milli>(at - referenceDate()).count();
}

std::string attachmentName(double milliseconds, PickedKind kind) {
  char name[64];
  std::snprintf(name, sizeof name, kind == PickedKind::Picture ? "%.0f.jpg" : "%.0f.mov",
                milliseconds);
  return name;
}

std::optional<std::string> storeAttachment(const PickedMedia& media, const std::string& folder,
                                           WallClock::time_point at) {
  double milliseconds = std::round(millisecondsSince2001(at));
  std::string path = FileManager::join(folder, attachmentName(milliseconds, media.kind));
  while (FileManager::fileExistsAtPath(path)) {
    milliseconds += 1;
    path = FileManager::join(folder, attachmentName(milliseconds, media.kind));
  }
  if (media.kind == PickedKind::Picture) {
    auto image = decodeImageFile(media.path);
    auto jpeg = image ? encodeJpeg(*image, kStrongestCompression) : std::nullopt;
    if (!jpeg || !FileManager::writeFileAtomically(path, *jpeg)) return std::nullopt;
    return path;
  }
  std::error_code error;
  if (!std::filesystem::is_regular_file(media.path, error) ||
      !std::filesystem::copy_file(media.path, path, error)) {
    std::filesystem::remove(path, error);
    return std::nullopt;
  }
  // The copy would keep the chosen file's mode; attachments are private like every file here.
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, error);
  return path;
}

std::shared_ptr<const std::string> attachmentThumbnail(const std::string& path, PickedKind kind) {
  auto image = kind == PickedKind::Picture ? decodeImageFile(path) : getImage(path);
  if (!image) return nullptr;
  const int side = kThumbnailPoints * kScreenScale;
  auto jpeg = encodeJpeg(imageByScalingAndCroppingForSize(*image, side, side), kThumbnailQuality);
  return jpeg ? std::make_shared<const std::string>(std::move(*jpeg)) : nullptr;
}

}  // namespace vokari
