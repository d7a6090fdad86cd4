#pragma once
// Puts an item before a sibling among its parent's children, which is the order Tab follows. QML
// cannot call QQuickItem::stackBefore itself (it takes a const item). Main thread only.

#include <QObject>

class QQuickItem;

namespace vokari::gui {

class ItemOrder final : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;
  Q_INVOKABLE void placeBefore(QQuickItem* item, QQuickItem* sibling);
};

}  // namespace vokari::gui
