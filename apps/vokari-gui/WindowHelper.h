#pragma once
// What the window's QML needs of Qt Quick that QML cannot reach itself. Main thread only.

#include <QObject>

class QQuickItem;

namespace vokari::gui {

class WindowHelper final : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Puts the item just before its sibling among their parent's children, the order Tab follows
  // (QML cannot call QQuickItem::stackBefore, which takes a const item).
  Q_INVOKABLE void placeBefore(QQuickItem* item, QQuickItem* sibling);
  // The popup a Qt Quick dialog is drawn in when it is not the desktop's own; null while there
  // is none.
  Q_INVOKABLE QObject* dialogPopup(QObject* dialog);
};

}  // namespace vokari::gui
