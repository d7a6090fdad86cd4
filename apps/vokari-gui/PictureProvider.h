#pragma once
// Pictures of the view model served to QML as "image://vokari/<id>". The bytes come from the
// core's picture cache through the view model (no second HTTP stack); each distinct picture gets
// its own id, so a picture that arrives later is a new address and QML loads it. Decoding runs
// on a worker thread.

#include <QQuickAsyncImageProvider>
#include <QThreadPool>
#include <map>
#include <mutex>

#include "ElementValues.h"

namespace vokari::gui {

class PictureStore final : public PictureIds {
 public:
  // Main thread: the id of the bytes (empty for none), kept until the next endRefresh that does
  // not see them again.
  QString idFor(const std::shared_ptr<const std::string>& bytes) override;
  void beginRefresh();
  void endRefresh();
  // Any thread.
  std::shared_ptr<const std::string> bytes(const QString& id) const;
  std::size_t size() const;

 private:
  struct Entry {
    QString id;
    std::shared_ptr<const std::string> bytes;
    bool used = false;
  };
  mutable std::mutex mutex_;
  std::map<const std::string*, Entry> byBytes_;
  std::map<QString, std::shared_ptr<const std::string>> byId_;
  quint64 next_ = 0;
};

class PictureProvider final : public QQuickAsyncImageProvider {
 public:
  explicit PictureProvider(const PictureStore& store) : store_(store) {}
  QQuickImageResponse* requestImageResponse(const QString& id, const QSize& requestedSize) override;

 private:
  const PictureStore& store_;
  QThreadPool pool_;
};

}  // namespace vokari::gui
