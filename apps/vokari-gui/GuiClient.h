#pragma once
// The graphical client: the shared composition (services, platform, application) on a run loop
// driven by Qt, the bridge QML draws from, the picture provider, and the phone-shaped window.
// Needs a QGuiApplication. Used by main() and by the tests, so both run the same client.

#include <QElapsedTimer>
#include <QQmlApplicationEngine>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

#include "App.h"
#include "ClientBridge.h"
#include "PictureProvider.h"
#include "QtRunLoop.h"
#include "Screenshots.h"
#include "WindowHelper.h"

class QQuickWindow;

namespace vokari::gui {

class GuiClient final {
 public:
  // Composes and launches, showing the window; or answers why it could not.
  static client::Made<GuiClient> create(const client::Options& options);
  ~GuiClient();
  GuiClient(const GuiClient&) = delete;
  GuiClient& operator=(const GuiClient&) = delete;

  QQuickWindow* window() const { return window_; }
  ClientBridge& bridge() { return *bridge_; }
  QtRunLoop& loop() { return loop_; }
  client::App& app() { return *app_; }
  Screenshots* screenshots() { return screenshots_.get(); }
  // Milliseconds from construction to the first frame drawn, once it has been drawn.
  std::optional<qint64> firstFrameMs() const {
    qint64 ms = firstFrameMs_.load();
    return ms < 0 ? std::nullopt : std::optional<qint64>(ms);
  }

 private:
  GuiClient() = default;
  Status start(const client::Options& options);
  void wire();
  Status loadWindow();
  void takeScreenshots(const std::string& dir);

  QElapsedTimer started_;
  QtRunLoop loop_;
  PictureStore pictures_;
  std::unique_ptr<client::App> app_;
  std::unique_ptr<ClientBridge> bridge_;
  WindowHelper windowHelper_;
  std::unique_ptr<QQmlApplicationEngine> engine_;
  std::unique_ptr<Screenshots> screenshots_;
  QQuickWindow* window_ = nullptr;
  std::atomic<qint64> firstFrameMs_{-1};  // set by the render thread where there is one
};

// The font family Chinese text is drawn with (installed with the build's packages).
inline constexpr const char* kUiFont = "Noto Sans CJK SC";

}  // namespace vokari::gui
