#pragma once
// Qt for the graphical client's tests: one application object on the offscreen platform, and
// helpers that act on the rendered window as a person would (clicks and keys on items found by
// objectName) and read back what it shows.

#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>
#include <QStringList>
#include <functional>

namespace vokari::gui::testing {

// Creates the QGuiApplication on first use (offscreen unless QT_QPA_PLATFORM says otherwise).
void ensureQtApp();

// Processes Qt events until the predicate holds or the real seconds pass; answers the predicate.
bool waitFor(const std::function<bool()>& done, double seconds = 10);

// Every item of the window, depth first.
QList<QQuickItem*> allItems(QQuickWindow& window);
// The first visible item with the objectName (nullptr when none).
QQuickItem* findItem(QQuickWindow& window, const QString& name);
// The visible input element whose placeholder or caption is the name.
QQuickItem* findInput(QQuickWindow& window, const QString& name);
// Texts of the visible text items and inputs, in tree order.
QStringList renderedTexts(QQuickWindow& window);
bool showsText(QQuickWindow& window, const QString& text);

// Scrolls the screen's element list until the item with the objectName is in view; answers it.
QQuickItem* scrollTo(QQuickWindow& window, const QString& name);
// A left click in the middle of the item, through the window's event queue.
void click(QQuickWindow& window, QQuickItem& item);
// Clicks into the input and types the text key by key.
void typeInto(QQuickWindow& window, QQuickItem& input, const QString& text);

// A frame drawn now; "blank" means next to no colours (nothing but backgrounds).
QImage grabFrame(QQuickWindow& window);
bool isBlank(const QImage& frame);

}  // namespace vokari::gui::testing
