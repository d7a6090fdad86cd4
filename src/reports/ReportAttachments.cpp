#include "reports/ReportAttachments.h"

#include <cerrno>

#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "storage/StorageNotice.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr const char* kUnusableMedia = "所选文件不是可添加的图片或视频";
constexpr double kUnusableMediaSeconds = 1.5;

}  // namespace

ReportAttachments::ReportAttachments() {
  for (ui::Picture& thumbnail : thumbnails) {
    thumbnail.width = thumbnail.height = kThumbnailPoints;
    thumbnail.hidden = true;
  }
}

void ReportAttachments::attach() {
  if (full()) {
    ui::Ui::current().alerts->show({"", "一次最多能上传4个文件", {"好"}});
    return;
  }
  ui::AlertModel sheet{.title = "",
                       .message = "",
                       .buttons = {"拍照", "录像", "手机相册中选择", "取消"},
                       .sheet = true,
                       .cancelIndex = 3};
  ui::Ui::current().alerts->show(std::move(sheet),
                                 alive_.guard([this](int button) { choose(button); }));
}

void ReportAttachments::choose(int button) {
  MediaPicker* picker = Platform::current().mediaPicker;
  if (!picker || button < 0 || button > 2) return;
  PickerSource device =
      picker->cameraAvailable() ? PickerSource::Camera : PickerSource::PhotoLibrary;
  if (button == 0) return pick({device, true, false, true});
  if (button == 1) return pick({device, false, true, true});
  pick({PickerSource::PhotoLibrary, true, true, false});
}

void ReportAttachments::pick(const PickerRequest& request) {
  Platform::current().mediaPicker->present(
      request, alive_.guard([this](const std::optional<PickedMedia>& media) { picked(media); }));
}

void ReportAttachments::picked(const std::optional<PickedMedia>& media) {
  // The limit holds even when pickers were stacked while the list filled up.
  if (!media || full()) return;
  errno = 0;
  auto folder = FileManager::getTmpPath();
  if (!folder) {
    // The picked file is not lost: it is where it was; the person is told why it is not added.
    return ui::Ui::current().hud->showError(errno == ENOSPC ? kDiskFullNotice : kWriteFailedNotice,
                                            kStorageNoticeSeconds);
  }
  // Decoding and re-encoding a phone's photo takes seconds: off the main thread.
  auto convert = [media = *media, folder = *folder,
                  at = Platform::current().loop->wallClock()](const CancelToken& cancel) {
    return convertAttachment(media, folder, at, cancel);
  };
  // Finished just as the form let go of it: nobody will send or clear it.
  auto dropped = [](Converted& done) {
    if (done.attachment) FileManager::removeFileAtPath(done.attachment->path);
  };
  converting_.push_back(Background::start<Converted>(
      convert, [this](Converted& done) { converted(done); }, dropped));
  changed();
}

void ReportAttachments::converted(const Converted& done) {
  converting_.pop_front();
  changed();
  // A file that could not be written is told as that; one no decoder takes (damaged, over the
  // limits, not what it seemed) is refused aloud: silence would look as if the picker had failed.
  if (!done.written)
    return ui::Ui::current().hud->showError(storageNotice(done.written), kStorageNoticeSeconds);
  const std::optional<Attachment>& attachment = done.attachment;
  if (!attachment) return ui::Ui::current().hud->showError(kUnusableMedia, kUnusableMediaSeconds);
  ui::Picture& thumbnail = thumbnails[files_.size()];
  thumbnail.source = attachment->path;
  thumbnail.bytes = attachment->thumbnail;
  thumbnail.hidden = false;
  files_.push_back(attachment->path);
}

void ReportAttachments::clear() {
  files_.clear();
  for (ui::Picture& thumbnail : thumbnails) {
    thumbnail.source.clear();
    thumbnail.bytes.reset();
    thumbnail.hidden = true;
  }
  addButton.hidden = false;
}

}  // namespace vokari
