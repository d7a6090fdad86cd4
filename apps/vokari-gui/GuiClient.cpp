#include "GuiClient.h"

#include <QCoreApplication>
#include <QQmlContext>
#include <QQuickWindow>
#include <iostream>

#include "Translations.h"
#include "WindowHelper.h"

namespace vokari::gui {

client::Made<GuiClient> GuiClient::create(const client::Options& options) {
  std::unique_ptr<GuiClient> client(new GuiClient());
  if (Status started = client->start(options); !started) return {nullptr, started};
  return {std::move(client)};
}

Status GuiClient::start(const client::Options& options) {
  started_.start();
  auto app = client::App::create(options, loop_, [this] { loop_.runNow(); });
  if (!app.ok()) return app.status;
  app_ = std::move(app.value);
  bridge_ = std::make_unique<ClientBridge>(app_->ui(), pictures_);
  bridge_->watchPicker(app_->picker());
  wire();
  app_->launch();
  bridge_->refresh();
  if (!app_->notice().empty()) {
    std::cerr << "vokari-gui: " << app_->notice() << "\n";
    bridge_->notice(QString::fromStdString(app_->notice()));
  }
  if (Status window = loadWindow(); !window) return window;
  if (options.screenshotDir) takeScreenshots(*options.screenshotDir);
  return Status::success();
}

void GuiClient::takeScreenshots(const std::string& dir) {
  screenshots_ = std::make_unique<Screenshots>(*window_, QString::fromStdString(dir));
  screenshots_->request(bridge_->bar()["title"].toString());
  QObject::connect(bridge_.get(), &ClientBridge::screenShown, screenshots_.get(),
                   [this] { screenshots_->request(bridge_->bar()["title"].toString()); });
  QObject::connect(bridge_.get(), &ClientBridge::panelShown, screenshots_.get(),
                   [this](const QString& what) {
                     screenshots_->request(bridge_->bar()["title"].toString() + "-" + what);
                   });
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

Status GuiClient::loadWindow() {
  installChineseTexts(*QCoreApplication::instance());
  engine_ = std::make_unique<QQmlApplicationEngine>();
  engine_->addImportPath(QStringLiteral("qrc:/"));  // where the Vokari module is compiled in
  engine_->addImageProvider("vokari", new PictureProvider(pictures_));
  engine_->rootContext()->setContextProperty("client", bridge_.get());
  engine_->rootContext()->setContextProperty("windowHelper", &windowHelper_);
  engine_->load(QUrl(QStringLiteral("qrc:/Vokari/qml/Main.qml")));
  if (engine_->rootObjects().isEmpty()) return Status::failure("the window's QML did not load");
  window_ = qobject_cast<QQuickWindow*>(engine_->rootObjects().first());
  if (!window_) return Status::failure("the window's QML has no window");
  QObject::connect(
      window_, &QQuickWindow::frameSwapped, window_,
      [this] {
        qint64 none = -1;
        firstFrameMs_.compare_exchange_strong(none, started_.elapsed());
      },
      Qt::DirectConnection);
  return Status::success();
}

}  // namespace vokari::gui
