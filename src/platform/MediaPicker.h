#pragma once
// The platform's media picker: take or choose a picture or a movie. The picker hands back the
// chosen file; the caller stores what it needs from it. Main thread.

#include <functional>
#include <optional>
#include <string>

namespace vokari {

enum class PickerSource { Camera, PhotoLibrary };
enum class PickedKind { Picture, Movie };

struct PickerRequest {
  PickerSource source = PickerSource::PhotoLibrary;
  bool pictures = true;
  bool movies = false;
  bool allowsEditing = false;

  bool takes(PickedKind kind) const { return kind == PickedKind::Picture ? pictures : movies; }
};

struct PickedMedia {
  PickedKind kind = PickedKind::Picture;
  std::string path;  // the picture as taken or chosen (unedited), or the movie file
};

using PickerDone = std::function<void(std::optional<PickedMedia>)>;

class MediaPicker {
 public:
  virtual ~MediaPicker() = default;
  virtual bool cameraAvailable() const = 0;
  // Shows the picker; `done` runs once with the choice, or with none when the user cancels.
  // A picker shown while another is open replaces it, which counts as cancelling that one.
  virtual void present(const PickerRequest& request, PickerDone done) = 0;
};

// A picker answered from outside: the terminal client's attach command, or a test.
class WaitingMediaPicker final : public MediaPicker {
 public:
  bool cameraAvailable() const override { return camera; }
  void present(const PickerRequest& request, PickerDone done) override {
    cancel();
    ++presented;
    request_ = request;
    done_ = std::move(done);
  }

  bool isOpen() const { return done_ != nullptr; }
  const std::optional<PickerRequest>& request() const { return request_; }
  // Answers the open picker with the media; false when none is open or it does not take that
  // kind (the picker stays open then).
  bool choose(PickedMedia media) {
    if (!done_ || !request_->takes(media.kind)) return false;
    finish(std::move(media));
    return true;
  }
  // Closes the open picker as the user's cancel; false when none is open.
  bool cancel() {
    if (!done_) return false;
    finish(std::nullopt);
    return true;
  }

  bool camera = false;
  int presented = 0;  // pickers shown so far

 private:
  void finish(std::optional<PickedMedia> media) {
    PickerDone done = std::move(done_);
    done_ = nullptr;
    request_.reset();
    done(std::move(media));
  }
  std::optional<PickerRequest> request_;
  PickerDone done_;
};

}  // namespace vokari
