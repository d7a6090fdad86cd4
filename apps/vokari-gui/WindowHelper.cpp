#include "WindowHelper.h"

#include <QQuickItem>
#include <QQuickWindow>

namespace vokari::gui {

void WindowHelper::placeBefore(QQuickItem* item, QQuickItem* sibling) {
  if (item && sibling && item != sibling && item->parentItem() == sibling->parentItem()) {
    item->stackBefore(sibling);
  }
}

QObject* WindowHelper::dialogPopup(QObject* dialog) {
  // Qt makes the popup a child of the window, with the dialog's title.
  auto* root = dialog ? qobject_cast<QQuickItem*>(dialog->parent()) : nullptr;
  QQuickWindow* window = root ? root->window() : nullptr;
  if (!window) return nullptr;
  for (QObject* child : window->findChildren<QObject*>(Qt::FindDirectChildrenOnly)) {
    if (child->inherits("QQuickPopup") && child->property("title") == dialog->property("title")) {
      return child;
    }
  }
  return nullptr;
}

}  // namespace vokari::gui
