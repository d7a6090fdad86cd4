#include "QtHarness.h"

#include <QtQuickTest/quicktest.h>
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <memory>

#include "GuiClient.h"

namespace vokari::gui::testing {

void ensureQtApp() {
  // Never destroyed: Qt's own globals go before static destructors would run, and tearing the
  // application down after them crashes at exit.
  static QGuiApplication* app = nullptr;
  if (app) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "gui_tests";
  static char* argv[] = {name, nullptr};
  app = new QGuiApplication(argc, argv);
  QGuiApplication::setFont(QFont(kUiFont));
}

bool waitFor(const std::function<bool()>& done, double seconds) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > seconds * 1000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qWait(5);
  }
  return true;
}

namespace {

void collect(QQuickItem* item, QList<QQuickItem*>& out) {
  out.push_back(item);
  for (QQuickItem* child : item->childItems()) collect(child, out);
}

bool reallyVisible(QQuickItem* item) {
  for (QQuickItem* at = item; at; at = at->parentItem()) {
    if (!at->isVisible() || at->opacity() == 0) return false;
  }
  return true;
}

}  // namespace

QList<QQuickItem*> allItems(QQuickWindow& window) {
  QList<QQuickItem*> out;
  collect(window.contentItem(), out);
  return out;
}

QQuickItem* findItem(QQuickWindow& window, const QString& name) {
  for (QQuickItem* item : allItems(window)) {
    if (item->objectName() == name && reallyVisible(item)) return item;
  }
  return nullptr;
}

QQuickItem* findInput(QQuickWindow& window, const QString& name) {
  for (QQuickItem* item : allItems(window)) {
    if (!item->objectName().startsWith("input:") || !reallyVisible(item)) continue;
    QVariantMap value = item->property("value").toMap();
    if (value["placeholder"].toString() == name || value["label"].toString() == name) return item;
  }
  return nullptr;
}

QStringList renderedTexts(QQuickWindow& window) {
  QStringList texts;
  for (QQuickItem* item : allItems(window)) {
    const char* type = item->metaObject()->className();
    bool textual = QByteArray(type).contains("Text");  // Text, TextInput, TextField, TextEdit...
    if (!textual || !reallyVisible(item)) continue;
    // An input shows its displayText: dots, not the secret, for secure entry.
    QVariant shown = item->property("displayText");
    QString text = (shown.isValid() ? shown : item->property("text")).toString();
    if (!text.isEmpty()) texts.push_back(text);
  }
  return texts;
}

bool showsText(QQuickWindow& window, const QString& text) {
  for (const QString& t : renderedTexts(window)) {
    if (t.contains(text)) return true;
  }
  return false;
}

QQuickItem* scrollTo(QQuickWindow& window, const QString& name) {
  QQuickItem* list = findItem(window, "elementList");
  for (int step = 0; step < 200; ++step) {
    // Rows inside a positioner (a table's Column) take their places only when polished: where
    // an item is, is known after that.
    QQuickTest::qWaitForPolish(&window, 2000);
    QQuickItem* item = findItem(window, name);
    if (!list || (item && !list->isAncestorOf(item))) return item;
    const qreal top = list->mapToScene(QPointF(0, 0)).y();
    const qreal bottom = top + list->height();
    const qreal contentY = list->property("contentY").toReal();
    // Only as far as a person can scroll: from the top margin to the end of the bottom one (the
    // list learns its height as rows are made, so the end moves on as it is reached).
    const qreal least = list->property("originY").toReal() - list->property("topMargin").toReal();
    const qreal most = std::max(
        least, list->property("originY").toReal() + list->property("contentHeight").toReal() +
                   list->property("bottomMargin").toReal() - list->height());
    auto moveTo = [&](qreal y) {
      list->setProperty("contentY", std::clamp(y, least, most));
      // Lays out the rows reached now rather than at the next frame, so the list's height is
      // known at the next step.
      QMetaObject::invokeMethod(list, "forceLayout");
    };
    if (item) {
      const qreal y = item->mapToScene(QPointF(0, 0)).y();
      if (y >= top && y + item->height() <= bottom) return item;
      moveTo(contentY + (y - top) - 8);
    } else if (list->property("atYEnd").toBool()) {
      moveTo(least);  // try from the top
      if (step > 0 && contentY <= least) return nullptr;
    } else {
      moveTo(contentY + list->height() / 2);
    }
    QCoreApplication::processEvents();
  }
  return findItem(window, name);
}

void click(QQuickWindow& window, QQuickItem& item) {
  // A person clicks what has been drawn: positioners (Column, Flow) place their children only
  // when the next frame is prepared.
  QQuickTest::qWaitForPolish(&window, 2000);
  QPointF centre = item.mapToScene(QPointF(item.width() / 2, item.height() / 2));
  QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

void typeInto(QQuickWindow& window, QQuickItem& input, const QString& text) {
  QQuickItem* editor = nullptr;
  for (QQuickItem* child : allItems(window)) {
    if ((child->objectName() == "editor" || child->objectName() == "editorArea") &&
        reallyVisible(child) && input.isAncestorOf(child)) {
      editor = child;
      break;
    }
  }
  click(window, editor ? *editor : input);
  // One press and release per character, carrying its text like a keyboard (or an input
  // method, for Chinese) would.
  for (QChar c : text) {
    int key = c.unicode() < 128 ? int(QChar(c).toUpper().unicode()) : int(Qt::Key_unknown);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(&window, &press);
    QCoreApplication::sendEvent(&window, &release);
  }
}

QImage grabFrame(QQuickWindow& window) {
  return window.grabWindow();
}

bool isBlank(const QImage& frame) {
  // A drawn screen has text (anti-aliased edges) and controls: many colours, not a handful.
  if (frame.isNull()) return true;
  QSet<QRgb> colours;
  for (int y = 0; y < frame.height(); y += 2) {
    for (int x = 0; x < frame.width(); x += 2) {
      colours.insert(frame.pixel(x, y));
      if (colours.size() >= 16) return false;
    }
  }
  return true;
}

}  // namespace vokari::gui::testing
