#include "PictureProvider.h"

#include <QImage>
#include <QRunnable>

#include "media/Image.h"

namespace vokari::gui {
namespace {

class PictureResponse final : public QQuickImageResponse, public QRunnable {
 public:
  PictureResponse(std::shared_ptr<const std::string> bytes, QSize size)
      : bytes_(std::move(bytes)), size_(size) {
    setAutoDelete(false);  // the engine owns the response
  }
  void run() override {
    if (!bytes_) {
      error_ = "no such picture";
    } else if (auto picture = decodeImage(*bytes_, coverSize())) {
      // Bounded and upright, in every format the report picker takes (Qt's own readers know
      // neither WebP nor HEIC here, nor any pixel limit).
      image_ = QImage(picture->rgb.data(), picture->width, picture->height, picture->width * 3,
                      QImage::Format_RGB888)
                   .copy();
      if (size_.isValid() && !size_.isEmpty()) {
        image_ = image_.scaled(size_, Qt::KeepAspectRatio, Qt::SmoothTransformation);
      }
    } else {
      error_ = "the picture cannot be decoded";
    }
    emit finished();
  }
  // What QML asks for, as the size a scaled JPEG decode must still cover; a side it leaves open
  // is 0 (any).
  std::optional<Size> coverSize() const {
    if (size_.width() <= 0 && size_.height() <= 0) return std::nullopt;
    return Size{std::max(size_.width(), 0), std::max(size_.height(), 0)};
  }
  QQuickTextureFactory* textureFactory() const override {
    return QQuickTextureFactory::textureFactoryForImage(image_);
  }
  QString errorString() const override { return error_; }

 private:
  std::shared_ptr<const std::string> bytes_;
  QSize size_;
  QImage image_;
  QString error_;
};

}  // namespace

QString PictureStore::idFor(const std::shared_ptr<const std::string>& bytes) {
  if (!bytes) return {};
  std::lock_guard lock(mutex_);
  auto [at, added] = byBytes_.try_emplace(bytes.get());
  if (added) {
    at->second.id = QString::number(++next_);
    at->second.bytes = bytes;
    byId_[at->second.id] = bytes;
  }
  at->second.used = true;
  return at->second.id;
}

void PictureStore::beginRefresh() {
  std::lock_guard lock(mutex_);
  for (auto& [key, entry] : byBytes_) entry.used = false;
}

void PictureStore::endRefresh() {
  std::lock_guard lock(mutex_);
  for (auto at = byBytes_.begin(); at != byBytes_.end();) {
    if (at->second.used) {
      ++at;
      continue;
    }
    byId_.erase(at->second.id);
    at = byBytes_.erase(at);
  }
}

std::shared_ptr<const std::string> PictureStore::bytes(const QString& id) const {
  std::lock_guard lock(mutex_);
  auto at = byId_.find(id);
  return at == byId_.end() ? nullptr : at->second;
}

std::size_t PictureStore::size() const {
  std::lock_guard lock(mutex_);
  return byId_.size();
}

QQuickImageResponse* PictureProvider::requestImageResponse(const QString& id,
                                                           const QSize& requestedSize) {
  auto* response = new PictureResponse(store_.bytes(id), requestedSize);
  pool_.start(response);
  return response;
}

}  // namespace vokari::gui
