#include "reports/Attachments.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <vector>

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

// Copies the file a buffer at a time under a temporary name beside the target, flushes it and
// renames it into place, so that no half-copied movie ever carries an attachment's name. A
// cancelled copy stops between buffers and leaves nothing.
bool copyAtomically(const std::string& from, const std::string& to, const CancelToken* cancel) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat info {};
  const std::string temp = to + ".tmp";
  int out = ::fstat(in, &info) == 0 && S_ISREG(info.st_mode)
                ? ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)
                : -1;
  bool ok = out >= 0;
  std::vector<char> buffer(1 << 20);
  while (ok) {
    if (cancel && cancel->cancelled()) {
      ok = false;
      break;
    }
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; ok && done < n;) {
      ssize_t written = ::write(out, buffer.data() + done, std::size_t(n - done));
      ok = written > 0;
      done += std::max<ssize_t>(written, 0);
    }
  }
  ok = ok && ::fsync(out) == 0;
  if (out >= 0) ok = ::close(out) == 0 && ok;
  ::close(in);
  ok = ok && std::rename(temp.c_str(), to.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
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
                                           WallClock::time_point at, const CancelToken* cancel,
                                           Status* written) {
  double milliseconds = std::round(millisecondsSince2001(at));
  std::string path = FileManager::join(folder, attachmentName(milliseconds, media.kind));
  while (FileManager::fileExistsAtPath(path)) {
    milliseconds += 1;
    path = FileManager::join(folder, attachmentName(milliseconds, media.kind));
  }
  if (media.kind == PickedKind::Picture) {
    // Decoded upright, so the stored JPEG, which carries no orientation tag, shows as taken.
    auto image = decodeImageFile(media.path);
    auto jpeg = image ? encodeJpeg(*image, kStrongestCompression) : std::nullopt;
    // The slow part is over; a file written now for nobody would only have to be removed.
    if (!jpeg || (cancel && cancel->cancelled())) return std::nullopt;
    Status saved = FileManager::saveFile(path, *jpeg);
    if (written) *written = saved;
    if (!saved) return std::nullopt;
    return path;
  }
  errno = 0;
  if (!copyAtomically(media.path, path, cancel)) {
    // A movie that could be opened but not copied failed in the writing.
    if (written && (errno == ENOSPC || errno == EDQUOT))
      *written = Status::diskFull("no room to copy " + media.path);
    return std::nullopt;
  }
  return path;
}

std::shared_ptr<const std::string> attachmentThumbnail(const std::string& path, PickedKind kind) {
  const int side = kThumbnailPoints * kScreenScale;
  auto thumbnail =
      kind == PickedKind::Picture ? pictureThumbnail(path, side, side) : getImage(path);
  if (!thumbnail) return nullptr;
  auto jpeg =
      encodeJpeg(imageByScalingAndCroppingForSize(*thumbnail, side, side), kThumbnailQuality);
  return jpeg ? std::make_shared<const std::string>(std::move(*jpeg)) : nullptr;
}

Converted convertAttachment(const PickedMedia& media, const std::string& folder,
                            WallClock::time_point at, const CancelToken& cancel) {
  Converted converted;
  auto path = storeAttachment(media, folder, at, &cancel, &converted.written);
  if (!path) return converted;
  converted.attachment = Attachment{
      *path,
      attachmentThumbnail(media.kind == PickedKind::Picture ? media.path : *path, media.kind)};
  return converted;
}

}  // namespace vokari
