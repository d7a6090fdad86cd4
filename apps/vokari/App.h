#pragma once
// The terminal's composition: the built-in stand-in services (unless --host), the desktop
// platform, the toolkit with the application's screen factory, and the application object.

#include <functional>
#include <memory>
#include <string>

#include "Clockwork.h"
#include "NetworkSwitch.h"
#include "Options.h"
#include "Session.h"
#include "app/AppDelegate.h"
#include "app/AppScreens.h"
#include "platform/Platform.h"
#include "server/Backend.h"
#include "ui/Ui.h"

namespace vokari::terminal {

class App final {
 public:
  // Starts the services and prepares the platform; on failure error is set.
  App(const Options& options, Clockwork& clock, std::string& error);
  ~App();

  // The launch sequence and the first activation, as the platform would run them.
  void launch();
  SessionTargets targets();

  // Text messages of the built-in services, from their threads.
  std::function<void(const std::string& phone, const std::string& text, const std::string& code)>
      onTextMessage;

 private:
  bool startServices(const Options& options, std::string& error);

  Clockwork& clock_;
  vokari_backend::Backend backend_;
  std::unique_ptr<FileSettingsStore> settings_;
  std::unique_ptr<ExpiringCache> cache_;
  std::unique_ptr<DesktopReachability> reachability_;
  NetworkSwitch network_{HttpEngine::current()};
  HttpEngine* previousEngine_ = nullptr;
  ScriptedLocation location_;
  RecordingUrlOpener urls_;
  RecordingPush push_;
  WaitingMediaPicker picker_;
  Platform platform_;
  AppScreens screens_;
  std::unique_ptr<ui::Toolkit> toolkit_;
  std::unique_ptr<AppDelegate> delegate_;
};

}  // namespace vokari::terminal
