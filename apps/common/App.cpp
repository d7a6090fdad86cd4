#include "App.h"

#include "core/Endpoints.h"

namespace vokari::client {

App::App(const Options& options, RunLoop& loop, std::function<void()> pump, std::string& error)
    : loop_(loop), pump_(std::move(pump)) {
  platform_.paths.root = options.dataDir + "/client";
  if (!platform_.paths.prepare()) {
    error = "cannot create the data folder " + platform_.paths.root;
    return;
  }
  if (!startServices(options, error)) return;
  const std::string library = platform_.paths.library();
  settings_ = std::make_unique<FileSettingsStore>(library + "/settings.json");
  cache_ = std::make_unique<ExpiringCache>(loop, library + "/cache.json");
  reachability_ = std::make_unique<DesktopReachability>(Endpoints::current().host);
  if (options.position) location_.report(options.position->first, options.position->second);
  platform_.loop = &loop;
  platform_.settings = settings_.get();
  platform_.cache = cache_.get();
  platform_.reachability = reachability_.get();
  platform_.location = &location_;
  platform_.urlOpener = &urls_;
  platform_.push = &push_;
  platform_.mediaPicker = &picker_;
  platform_.device = DeviceInfo::desktop();
  Platform::install(&platform_);
  previousEngine_ = HttpEngine::install(&network_);
  toolkit_ = std::make_unique<ui::Toolkit>(loop, screens_);
  delegate_ = std::make_unique<AppDelegate>();
  screens_.delegate = delegate_.get();
}

App::~App() {
  // Screens and their requests go before the services they talk to.
  delegate_.reset();
  toolkit_.reset();
  if (pump_) pump_();
  HttpEngine::install(previousEngine_);
  backend_.stop();
  Platform::install(nullptr);
}

bool App::startServices(const Options& options, std::string& error) {
  Endpoints endpoints;
  if (options.host) {
    endpoints.host = *options.host;
    endpoints.reportHost = options.reportHost.value_or(*options.host);
    if (options.ports) {
      const auto& p = *options.ports;
      endpoints.ports = {p.general, p.account, p.appointment, p.report};
    }
    Endpoints::install(endpoints);
    return true;
  }
  vokari_backend::Options service;
  service.dataDir = options.dataDir + "/backend";
  if (options.ports) {
    const auto& p = *options.ports;
    service.ports = {p.general, p.account, p.appointment, p.report};
  } else {
    service.ports = vokari_backend::Ports::automatic();
  }
  RunLoop* loop = &loop_;
  service.onSms = [this, loop](const vokari_backend::Sms& sms) {
    if (onTextMessage) onTextMessage(sms.phone, sms.text, sms.code);
    loop->post([] {});  // wakes the loop so the message shows at once
  };
  auto started = backend_.start(service);
  if (!started.ok()) {
    error = "cannot start the built-in services: " + started.error;
    return false;
  }
  const auto& p = *started.value;
  endpoints.ports = {p.general, p.account, p.appointment, p.report};
  Endpoints::install(endpoints);
  return true;
}

void App::launch() {
  delegate_->didFinishLaunchingWithOptions();
  delegate_->applicationDidBecomeActive();
}

}  // namespace vokari::client
