#include "GuiClient.h"

#include <QQmlContext>
#include <QQuickWindow>

namespace vokari::gui {

GuiClient::GuiClient(const client::Options& options, std::string& error) {
  started_.start();
  app_ = std::make_unique<client::App>(
      options, loop_, [this] { loop_.runNow(); }, error);
  if (!error.empty()) return;
  bridge_ = std::make_unique<ClientBridge>(app_->ui(), pictures_);
  bridge_->watchPicker(app_->picker());
  wire();
  app_->launch();
  bridge_->refresh();
  if (!loadWindow(error)) return;
  if (options.screenshotDir) {
    screenshots_ =
        std::make_unique<Screenshots>(*window_, QString::fromStdString(*options.screenshotDir));
    screenshots_->request(bridge_->bar()["title"].toString());
    QObject::connect(bridge_.get(), &ClientBridge::screenShown, screenshots_.get(),
                     [this] { screenshots_->request(bridge_->bar()["title"].toString()); });
    QObject::connect(bridge_.get(), &ClientBridge::panelShown, screenshots_.get(),
                     [this](const QString& what) {
                       screenshots_->request(bridge_->bar()["title"].toString() + "-" + what);
                     });
  }
}

GuiClient::~GuiClient() {
  // The window and its bindings go first, then the bridge, then the application and services.
  screenshots_.reset();
  engine_.reset();
  bridge_.reset();
  app_.reset();
}

void GuiClient::wire() {
  QObject::connect(&loop_, &QtRunLoop::ran, bridge_.get(), [this] { bridge_->refresh(); });
  app_->urls().onOpen = [this](const std::string& url) { bridge_->openUrl(url); };
  // From the services' threads: handed to the main thread like any reply.
  app_->onTextMessage = [this](const std::string& phone, const std::string& text,
                               const std::string&) {
    loop_.post([this, phone = QString::fromStdString(phone), text = QString::fromStdString(text)] {
      bridge_->textMessage(phone, text);
    });
  };
}

bool GuiClient::loadWindow(std::string& error) {
  engine_ = std::make_unique<QQmlApplicationEngine>();
  engine_->addImportPath(QStringLiteral("qrc:/"));  // where the Vokari module is compiled in
  engine_->addImageProvider("vokari", new PictureProvider(pictures_));
  engine_->rootContext()->setContextProperty("client", bridge_.get());
  engine_->load(QUrl(QStringLiteral("qrc:/Vokari/qml/Main.qml")));
  if (engine_->rootObjects().isEmpty()) {
    error = "the window's QML did not load";
    return false;
  }
  window_ = qobject_cast<QQuickWindow*>(engine_->rootObjects().first());
  if (!window_) {
    error = "the window's QML has no window";
    return false;
  }
  QObject::connect(
      window_, &QQuickWindow::frameSwapped, window_,
      [this] {
        qint64 none = -1;
        firstFrameMs_.compare_exchange_strong(none, started_.elapsed());
      },
      Qt::DirectConnection);
  return true;
}

}  // namespace vokari::gui
