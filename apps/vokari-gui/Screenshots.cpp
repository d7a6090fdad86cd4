#include "Screenshots.h"

#include <QDir>
#include <QImage>
#include <QQuickWindow>

namespace vokari::gui {
namespace {

// File names keep letters of any script; path separators and controls become "_".
QString fileSafe(QString name) {
  for (QChar& c : name) {
    if (c == '/' || c == '\\' || c.category() == QChar::Other_Control || c.isSpace()) c = '_';
  }
  return name.isEmpty() ? QStringLiteral("screen") : name;
}

}  // namespace

Screenshots::Screenshots(QQuickWindow& window, QString dir)
    : window_(window), dir_(std::move(dir)) {
  QDir().mkpath(dir_);
  // frameSwapped comes from the render thread where there is one; grab on the main thread.
  connect(&window_, &QQuickWindow::frameSwapped, this, &Screenshots::frameDrawn,
          Qt::QueuedConnection);
}

void Screenshots::request(const QString& name) {
  pending_ = name;
  window_.update();
}

void Screenshots::frameDrawn() {
  if (pending_.isEmpty()) return;
  QString name = std::exchange(pending_, {});
  QImage frame = window_.grabWindow();
  lastPath_ = QDir(dir_).filePath(
      QString("%1-%2.png").arg(++count_, 2, 10, QChar('0')).arg(fileSafe(name)));
  frame.save(lastPath_);
}

}  // namespace vokari::gui
