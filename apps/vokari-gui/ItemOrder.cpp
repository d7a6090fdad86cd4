#include "ItemOrder.h"

#include <QQuickItem>

namespace vokari::gui {

void ItemOrder::placeBefore(QQuickItem* item, QQuickItem* sibling) {
  if (item && sibling && item != sibling && item->parentItem() == sibling->parentItem()) {
    item->stackBefore(sibling);
  }
}

}  // namespace vokari::gui
