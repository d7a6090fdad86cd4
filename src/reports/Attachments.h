#pragma once
// Report attachments: the files the report form writes into the temporary folder, and their
// thumbnails. Any thread: the report form runs them on the background worker.

#include <memory>
#include <optional>
#include <string>

#include "platform/Background.h"
#include "platform/MediaPicker.h"
#include "platform/RunLoop.h"
#include "platform/Status.h"

namespace vokari {

// Thumbnails are 40 by 40 points, drawn at the screen's scale of 2.
inline constexpr int kThumbnailPoints = 40;
inline constexpr int kScreenScale = 2;

// Milliseconds since 2001-01-01 00:00:00 UTC.
double millisecondsSince2001(WallClock::time_point at);
// "%.0f.jpg" / "%.0f.mov" of the milliseconds.
std::string attachmentName(double milliseconds, PickedKind kind);

// Writes the picked media into the folder as an attachment: a picture as JPEG at the strongest
// compression and upright (the orientation tag applied, none left), a movie copied byte for byte
// under a temporary name and then renamed. The name comes from the time; when a file of that
// name exists already (two picks within one millisecond), the next free millisecond is taken,
// so no attachment overwrites another. Answers the path, or none when the media cannot be read,
// when the token was cancelled before anything got the name, or when it cannot be written (then
// `written`, when given, says why: a full disk apart from other failures).
std::optional<std::string> storeAttachment(const PickedMedia& media, const std::string& folder,
                                           WallClock::time_point at,
                                           const CancelToken* cancel = nullptr,
                                           Status* written = nullptr);

// The attachment's 80 x 80 pixel thumbnail as JPEG bytes: the picture itself, or a video's first
// frame, scaled and cut; none when no picture can be had from the file.
std::shared_ptr<const std::string> attachmentThumbnail(const std::string& path, PickedKind kind);

// A stored attachment and its thumbnail (none when no picture could be had).
struct Attachment {
  std::string path;
  std::shared_ptr<const std::string> thumbnail;
};
// The whole conversion of a pick: stored, then its thumbnail made (from the source for a
// picture, from the stored copy for a movie). No attachment when the media cannot be read, when
// it was cancelled, or when it cannot be written, which `written` then tells.
struct Converted {
  std::optional<Attachment> attachment;
  Status written = Status::success();
};
Converted convertAttachment(const PickedMedia& media, const std::string& folder,
                            WallClock::time_point at, const CancelToken& cancel);

}  // namespace vokari
