#pragma once
// The composition both clients share: the built-in stand-in services (unless --host), the
// desktop platform, the toolkit with the application's screen factory, and the application
// object. A client adds only how it draws, how the loop runs, and where URLs and text messages go.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "NetworkSwitch.h"
#include "Options.h"
#include "app/AppDelegate.h"
#include "app/AppScreens.h"
#include "platform/Background.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "platform/Status.h"
#include "server/Backend.h"
#include "ui/Ui.h"

namespace vokari::client {

// What a factory that may fail makes: the object, or none and the reason.
template <typename T>
struct Made {
  std::unique_ptr<T> value;
  Status status = Status::success();
  bool ok() const { return value != nullptr; }
};

class App final {
 public:
  // Starts the services and prepares the platform on the loop, or answers why it could not.
  // pump runs what is due on the loop without letting time pass (used while shutting down).
  static Made<App> create(const Options& options, RunLoop& loop, std::function<void()> pump);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // The launch sequence and the first activation, as the platform would run them.
  void launch();

  ui::Ui& ui() { return toolkit_->ui; }
  RunLoop& loop() { return loop_; }
  ScriptedLocation& location() { return location_; }
  DesktopReachability& reachability() { return *reachability_; }
  // Every URL the application opens; set urls().onOpen to dial, browse or print.
  RecordingUrlOpener& urls() { return urls_; }
  AppDelegate& delegate() { return *delegate_; }
  // Switches the network off and on for every request of the application.
  NetworkSwitch& network() { return network_; }
  // Answers the picture or video picker a screen opens.
  WaitingMediaPicker& picker() { return picker_; }
  // The worker slow conversions (attached photos) run on.
  Background& background() { return *background_; }

  // A line to show the person once started, or "": the built-in services had to leave the
  // ports of their last run, which addresses stored then still carry.
  const std::string& notice() const { return notice_; }

  // Text messages of the built-in services, told from their threads.
  std::function<void(const std::string& phone, const std::string& text, const std::string& code)>
      onTextMessage;

 private:
  App(RunLoop& loop, std::function<void()> pump) : loop_(loop), pump_(std::move(pump)) {}
  Status start(const Options& options);
  Status startServices(const Options& options);

  RunLoop& loop_;
  std::function<void()> pump_;
  std::optional<FolderLock> lock_;  // first made, last gone: held while anything runs on the data
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
  std::unique_ptr<Background> background_;
  Platform platform_;
  AppScreens screens_;
  std::unique_ptr<ui::Toolkit> toolkit_;
  std::unique_ptr<AppDelegate> delegate_;
  bool installed_ = false;  // the platform and the network are this application's
  std::string notice_;
};

}  // namespace vokari::client
