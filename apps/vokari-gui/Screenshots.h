#pragma once
// Saves a PNG of the window each time a screen (or an alert, a sheet, the calling panel) is
// shown, from the first frame drawn after it: "01-<title>.png", "02-<title>-alert.png", ...

#include <QObject>
#include <QString>

class QQuickWindow;

namespace vokari::gui {

class Screenshots final : public QObject {
  Q_OBJECT

 public:
  Screenshots(QQuickWindow& window, QString dir);
  // The next frame drawn is saved under the name (a later request before that frame wins).
  void request(const QString& name);
  int saved() const { return count_; }
  bool pending() const { return !pending_.isEmpty(); }
  QString lastPath() const { return lastPath_; }

 private:
  void frameDrawn();

  QQuickWindow& window_;
  QString dir_;
  QString pending_;
  int count_ = 0;
  QString lastPath_;
};

}  // namespace vokari::gui
