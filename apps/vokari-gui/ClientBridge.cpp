#include "ClientBridge.h"

#include <QDesktopServices>
#include <algorithm>

#include "media/Image.h"
#include "media/Kinds.h"

namespace vokari::gui {
namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

QString hudKind(ui::HudKind k) {
  switch (k) {
    case ui::HudKind::Busy:
      return "busy";
    case ui::HudKind::Success:
      return "success";
    case ui::HudKind::Error:
      return "error";
    case ui::HudKind::Hidden:
      break;
  }
  return "hidden";
}

bool startsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}

// "tel:110", "telprompt://110", "tel://110" -> "110"
std::optional<std::string> dialledNumber(const std::string& url) {
  std::string rest;
  if (startsWith(url, "telprompt:")) {
    rest = url.substr(10);
  } else if (startsWith(url, "tel:")) {
    rest = url.substr(4);
  } else {
    return std::nullopt;
  }
  while (startsWith(rest, "/")) rest.erase(0, 1);
  return rest;
}

// What the file dialog offers for a request: pictures, movies or both, then any file (the
// content decides, not the name).
QStringList pickerFilters(const PickerRequest& request) {
  const QString pictures = QString::fromStdString(namePatterns(pictureExtensions()));
  const QString movies = QString::fromStdString(namePatterns(movieExtensions()));
  QStringList filters;
  if (request.pictures && request.movies) {
    filters.push_back("图片和视频 (" + pictures + " " + movies + ")");
  }
  if (request.pictures) filters.push_back("图片 (" + pictures + ")");
  if (request.movies) filters.push_back("视频 (" + movies + ")");
  filters.push_back("所有文件 (*)");
  return filters;
}

constexpr double kPickerErrorSeconds = 1.5;
constexpr double kNoBrowserSeconds = 1.5;

bool anyShown(const std::vector<ElementRow>& rows) {
  return std::ranges::any_of(rows, [](const ElementRow& r) { return !r.value["hidden"].toBool(); });
}

}  // namespace

ClientBridge::ClientBridge(ui::Ui& ui, PictureStore& pictures)
    : ui_(ui), pictures_(pictures), elements_(pictures), sheet_(pictures) {
  browser = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  showPicker = [this](const QStringList& filters) { emit pickerOpened(filters); };
  hud_ = {{"kind", "hidden"}, {"text", ""}, {"blocks", false}};
  alert_ = {{"open", false}};
  call_ = {{"visible", false}, {"number", ""}};
  sms_ = {{"visible", false}, {"title", ""}, {"phone", ""}, {"text", ""}};
}

void ClientBridge::setIfChanged(QVariantMap& field, QVariantMap value,
                                void (ClientBridge::*signal)()) {
  if (field == value) return;
  field = std::move(value);
  emit(this->*signal)();
}

void ClientBridge::refresh() {
  std::shared_ptr<ui::Screen> top = ui_.navigator ? ui_.navigator->topShared() : nullptr;
  const bool newScreen = top != top_.lock();
  if (newScreen) {
    top_ = top;
    ++serial_;
    presented_ = ui_.navigator ? static_cast<int>(ui_.navigator->stackCount()) - 1 : 0;
    if (presented_ < 0) presented_ = 0;
  }
  ui::ScreenModel model = top ? top->model() : ui::ScreenModel{};
  pictures_.beginRefresh();
  ScreenRows rows = screenRows(model, pictures_);
  const bool sheetOpen = anyShown(rows.sheet);
  elements_.update(std::move(rows.page), serial_);
  sheet_.update(std::move(rows.sheet), serial_);
  pictures_.endRefresh();
  if (sheetOpen != sheetOpen_) {
    sheetOpen_ = sheetOpen;
    emit sheetOpenChanged();
  }
  setIfChanged(bar_, barValue(model), &ClientBridge::barChanged);

  const ui::HudState& h = ui_.hud->state();
  setIfChanged(hud_, {{"kind", hudKind(h.kind)}, {"text", q(h.text)}, {"blocks", h.blocksTouches}},
               &ClientBridge::hudChanged);

  QVariantMap alert{{"open", false}};
  if (const ui::AlertModel* a = ui_.alerts->top()) {
    QStringList buttons;
    for (const auto& b : a->buttons) buttons.push_back(q(b));
    alert = {{"open", true},
             {"title", q(a->title)},
             {"message", q(a->message)},
             {"buttons", buttons},
             {"sheet", a->sheet},
             {"destructive", a->destructiveIndex},
             {"preferred", a->preferred()},
             {"cancel", a->cancel()}};
  }
  const bool alertOpened = alert != alert_ && alert["open"].toBool();
  setIfChanged(alert_, alert, &ClientBridge::alertChanged);
  if (newScreen) emit screenShown();
  if (alertOpened) emit panelShown(alert_["sheet"].toBool() ? "sheet" : "alert");

  // A picker shown since the last look (the core only ever has one open).
  if (picker_ && picker_->presented != pickersSeen_) {
    pickersSeen_ = picker_->presented;
    if (picker_->isOpen() && showPicker) showPicker(pickerFilters(*picker_->request()));
  }
}

void ClientBridge::openUrl(const std::string& url) {
  if (auto number = dialledNumber(url)) {
    setIfChanged(call_, {{"visible", true}, {"number", q(*number)}}, &ClientBridge::callChanged);
    emit panelShown("call");
    return;
  }
  if (startsWith(url, "http://") || startsWith(url, "https://")) {
    if (!browser || !browser(QUrl(q(url)))) {
      ui_.hud->showError("无法打开网页：没有找到浏览器", kNoBrowserSeconds);
    }
  }
}

void ClientBridge::textMessage(const QString& phone, const QString& text) {
  setIfChanged(sms_, {{"visible", true}, {"title", ""}, {"phone", phone}, {"text", text}},
               &ClientBridge::smsChanged);
  emit panelShown("sms");
}

void ClientBridge::notice(const QString& text) {
  setIfChanged(sms_, {{"visible", true}, {"title", "提示"}, {"phone", ""}, {"text", text}},
               &ClientBridge::smsChanged);
  emit panelShown("notice");
}

bool ClientBridge::acceptsInput() const {
  if (ui_.alerts->top()) return false;
  return !ui_.hud->state().blocksTouches;
}

template <typename F>
void ClientBridge::onTop(F f) {
  if (!acceptsInput()) return;
  std::shared_ptr<ui::Screen> top = ui_.navigator->topShared();
  if (top) f(*top);
  refresh();
}

void ClientBridge::perform(int serial, const ui::Action& action) {
  if (serial != serial_) return;  // drawn for a screen that is no longer on top
  onTop([&](ui::Screen& s) { s.perform(action); });
}

void ClientBridge::press(int serial, int element) {
  perform(serial, ui::Action::on(ui::Action::Kind::Press, element));
}

void ClientBridge::edit(int serial, int element, const QString& text) {
  perform(serial, ui::Action::edit(element, text.toStdString()));
}

void ClientBridge::returnKey(int serial, int element) {
  perform(serial, ui::Action::on(ui::Action::Kind::Return, element));
}

void ClientBridge::endEditing(int serial, int element) {
  perform(serial, ui::Action::on(ui::Action::Kind::EndEditing, element));
}

void ClientBridge::cancel(int serial, int element) {
  perform(serial, ui::Action::on(ui::Action::Kind::Cancel, element));
}

void ClientBridge::select(int serial, int element, int section, int row) {
  perform(serial, ui::Action::select(element, section, row));
}

void ClientBridge::editRow(int serial, int element, int section, int row, const QString& text) {
  perform(serial, ui::Action::editRow(element, section, row, text.toStdString()));
}

void ClientBridge::pick(int serial, int element, int column, int row) {
  perform(serial, ui::Action::pick(element, column, row));
}

void ClientBridge::tap(int serial, int element, int row, double x, double y) {
  perform(serial, ui::Action::tap(element, row, x, y));
}

void ClientBridge::shown(int serial, int first, int last) {
  if (serial != serial_ || (first < 0 && last < 0)) return;
  if (first < 0) first = last;
  if (last < first) last = first;
  elements_.shown(first, last);
  refresh();
}

void ClientBridge::pressLeft() {
  onTop([](ui::Screen& s) { s.pressLeft(); });
}

void ClientBridge::pressRight() {
  onTop([](ui::Screen& s) { s.pressRight(); });
}

void ClientBridge::back() {
  onTop([](ui::Screen& s) { s.pressBack(); });
}

void ClientBridge::answerAlert(int button) {
  ui_.alerts->press(button);
  refresh();
}

void ClientBridge::closeCall() {
  setIfChanged(call_, {{"visible", false}, {"number", call_["number"]}},
               &ClientBridge::callChanged);
}

void ClientBridge::closeSms() {
  QVariantMap closed = sms_;
  closed["visible"] = false;
  setIfChanged(sms_, closed, &ClientBridge::smsChanged);
}

bool ClientBridge::answerPicker(const QString& file) {
  if (!picker_ || !picker_->isOpen()) return false;
  QUrl url(file);
  const std::string path = (url.isLocalFile() ? url.toLocalFile() : file).toStdString();
  bool taken = false;
  switch (mediaKindOfFile(path)) {
    case MediaKind::Picture:
      taken = picker_->choose({PickedKind::Picture, path});
      break;
    case MediaKind::Movie:
      taken = picker_->choose({PickedKind::Movie, path});
      break;
    case MediaKind::None:
      break;
  }
  if (!taken) {
    // The dialog has closed: leaving the picker open would leave the screen waiting for nothing.
    picker_->cancel();
    ui_.hud->showError("所选文件不是可添加的图片或视频", kPickerErrorSeconds);
  }
  refresh();
  return taken;
}

void ClientBridge::cancelPicker() {
  if (picker_) picker_->cancel();
  refresh();
}

}  // namespace vokari::gui
