#pragma once
// What QML sees of the application: the top screen's elements and navigation bar, the progress
// overlay, the open alert or sheet, and the desktop's stand-ins for phone features (the calling
// panel, the incoming-message banner). Every gesture comes back as the same Action the terminal
// client sends; actions carry the serial of the screen they were drawn for, so a gesture on a
// screen that has just been replaced is dropped. Main thread only.

#include <QObject>
#include <QUrl>
#include <QVariantMap>
#include <functional>
#include <memory>

#include "ElementListModel.h"
#include "PictureProvider.h"
#include "platform/MediaPicker.h"
#include "ui/Ui.h"

namespace vokari::gui {

class ClientBridge final : public QObject {
  Q_OBJECT
  Q_PROPERTY(QObject* elements READ elements CONSTANT)
  Q_PROPERTY(QObject* sheet READ sheet CONSTANT)
  Q_PROPERTY(bool sheetOpen READ sheetOpen NOTIFY sheetOpenChanged)
  Q_PROPERTY(QVariantMap bar READ bar NOTIFY barChanged)
  Q_PROPERTY(QVariantMap hud READ hud NOTIFY hudChanged)
  Q_PROPERTY(QVariantMap alert READ alert NOTIFY alertChanged)
  Q_PROPERTY(QVariantMap call READ call NOTIFY callChanged)
  Q_PROPERTY(QVariantMap sms READ sms NOTIFY smsChanged)
  Q_PROPERTY(int screenSerial READ screenSerial NOTIFY screenShown)
  Q_PROPERTY(int presented READ presented NOTIFY screenShown)

 public:
  ClientBridge(ui::Ui& ui, PictureStore& pictures);

  QObject* elements() { return &elements_; }
  QObject* sheet() { return &sheet_; }
  bool sheetOpen() const { return sheetOpen_; }
  const ElementListModel& elementModel() const { return elements_; }
  QVariantMap bar() const { return bar_; }
  QVariantMap hud() const { return hud_; }
  QVariantMap alert() const { return alert_; }
  QVariantMap call() const { return call_; }
  QVariantMap sms() const { return sms_; }
  int screenSerial() const { return serial_; }
  int presented() const { return presented_; }

  // Reads the view model again and tells QML what changed. Cheap when nothing did.
  void refresh();
  // Routes a URL the application opened: dial addresses show the calling panel, web addresses
  // go to the browser.
  void openUrl(const std::string& url);
  void textMessage(const QString& phone, const QString& text);
  // A line of the application's own, in the text messages' banner under a title of its own.
  void notice(const QString& text);

  // Opens web addresses; the desktop's browser by default, replaced by tests. False when none
  // could be opened, which the window then says.
  std::function<bool(const QUrl&)> browser;
  // The media picker a screen opens is answered with a file the user chooses. The bridge
  // watches the picker and, when a screen opens it, calls this with the file filters that fit
  // the request; by default that asks QML for its file dialog (pickerOpened), tests replace it.
  // Either way the answer comes back through answerPicker or cancelPicker.
  void watchPicker(WaitingMediaPicker& picker) { picker_ = &picker; }
  std::function<void(const QStringList& nameFilters)> showPicker;

  Q_INVOKABLE void press(int serial, int element);
  Q_INVOKABLE void edit(int serial, int element, const QString& text);
  Q_INVOKABLE void returnKey(int serial, int element);
  Q_INVOKABLE void endEditing(int serial, int element);
  Q_INVOKABLE void cancel(int serial, int element);
  Q_INVOKABLE void select(int serial, int element, int section, int row);
  Q_INVOKABLE void editRow(int serial, int element, int section, int row, const QString& text);
  Q_INVOKABLE void pick(int serial, int element, int column, int row);
  // A tap at a point of a card of a card list, in the card's own points.
  Q_INVOKABLE void tap(int serial, int element, int row, double x, double y);
  // The rows first..last of the element list are on screen (for the card list's cards).
  Q_INVOKABLE void shown(int serial, int first, int last);
  Q_INVOKABLE void pressLeft();
  Q_INVOKABLE void pressRight();
  Q_INVOKABLE void back();
  Q_INVOKABLE void answerAlert(int button);
  Q_INVOKABLE void closeCall();
  Q_INVOKABLE void closeSms();
  // The chosen file (a local path or a file URL): a picture or a movie, by what it holds. A file
  // that is neither, or of a kind the request does not take, closes the picker as cancelled and
  // says why. False when the file was not taken.
  Q_INVOKABLE bool answerPicker(const QString& file);
  Q_INVOKABLE void cancelPicker();

 signals:
  void barChanged();
  void sheetOpenChanged();
  void hudChanged();
  void alertChanged();
  void callChanged();
  void smsChanged();
  // A different screen is on top (pushed, popped, presented, dismissed or a new root).
  void screenShown();
  // The calling panel, the message banner, an alert or a sheet opened: worth a screenshot.
  void panelShown(const QString& what);
  // A screen opened the media picker: QML shows its file dialog with these filters.
  void pickerOpened(const QStringList& nameFilters);

 private:
  bool acceptsInput() const;
  void perform(int serial, const ui::Action& action);
  template <typename F>
  void onTop(F f);
  void setIfChanged(QVariantMap& field, QVariantMap value, void (ClientBridge::*signal)());

  ui::Ui& ui_;
  PictureStore& pictures_;
  ElementListModel elements_;
  ElementListModel sheet_;
  bool sheetOpen_ = false;
  std::weak_ptr<ui::Screen> top_;
  int serial_ = 0;
  int presented_ = 0;
  QVariantMap bar_, hud_, alert_, call_, sms_;
  WaitingMediaPicker* picker_ = nullptr;
  int pickersSeen_ = 0;
};

}  // namespace vokari::gui
