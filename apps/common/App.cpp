#include "App.h"

#include <cerrno>
#include <cstring>

#include "core/Endpoints.h"
#include "platform/FileManager.h"

namespace vokari::client {

namespace {

std::string movedNotice(const std::vector<vokari_backend::PortMove>& moves) {
  if (moves.empty()) return "";
  std::string list;
  bool news = false;
  for (const auto& move : moves) {
    list += (list.empty() ? "" : ", ") + move.service + " from " + std::to_string(move.from) +
            " to " + std::to_string(move.to);
    news = news || move.service == "general";
  }
  return "Ports of the built-in services were taken by another program, so they moved: " + list +
         (news ? "; news stored earlier may not open." : ".");
}

}  // namespace

Made<App> App::create(const Options& options, RunLoop& loop, std::function<void()> pump) {
  std::unique_ptr<App> app(new App(loop, std::move(pump)));
  if (Status started = app->start(options); !started) return {nullptr, started};
  return {std::move(app)};
}

// Whatever can fail comes before anything is installed, so a failed start leaves no trace.
Status App::start(const Options& options) {
  platform_.paths.root = options.dataDir + "/client";
  if (!platform_.paths.prepare()) {
    return Status::failure("cannot create the data folder " + platform_.paths.root);
  }
  lock_ = FolderLock::acquire(options.dataDir);
  if (!lock_) {
    return Status::failure(errno == EWOULDBLOCK
                               ? "the data folder " + options.dataDir +
                                     " is in use by another Vokari; close that one first"
                               : "cannot lock the data folder " + options.dataDir + ": " +
                                     std::strerror(errno));
  }
  // What writes interrupted by a kill or a power cut left; nothing else writes here yet.
  FileManager::removeLeftovers(platform_.paths.root);
  if (Status services = startServices(options); !services) return services;
  const std::string library = platform_.paths.library();
  settings_ = std::make_unique<FileSettingsStore>(library + "/settings.json");
  cache_ = std::make_unique<ExpiringCache>(loop_, library + "/cache.json");
  reachability_ = std::make_unique<DesktopReachability>(Endpoints::current().host);
  if (options.position) location_.report(options.position->first, options.position->second);
  platform_.loop = &loop_;
  platform_.settings = settings_.get();
  platform_.cache = cache_.get();
  platform_.reachability = reachability_.get();
  platform_.location = &location_;
  platform_.urlOpener = &urls_;
  platform_.push = &push_;
  platform_.mediaPicker = &picker_;
  background_ = std::make_unique<Background>(loop_);
  platform_.background = background_.get();
  platform_.device = DeviceInfo::desktop();
  Platform::install(&platform_);
  previousEngine_ = HttpEngine::install(&network_);
  installed_ = true;
  toolkit_ = std::make_unique<ui::Toolkit>(loop_, screens_);
  delegate_ = std::make_unique<AppDelegate>();
  screens_.delegate = delegate_.get();
  return Status::success();
}

App::~App() {
  // Screens and their requests go before the services they talk to.
  delegate_.reset();
  toolkit_.reset();
  // Joined while the loop is still there, then its last results are dropped by the pump.
  background_.reset();
  if (pump_) pump_();
  if (installed_) HttpEngine::install(previousEngine_);
  backend_.stop();
  if (installed_) Platform::install(nullptr);
}

Status App::startServices(const Options& options) {
  Endpoints endpoints;
  if (options.host) {
    endpoints.host = *options.host;
    endpoints.reportHost = options.reportHost.value_or(*options.host);
    if (options.ports) {
      const auto& p = *options.ports;
      endpoints.ports = {p.general, p.account, p.appointment, p.report};
    }
    Endpoints::install(endpoints);
    return Status::success();
  }
  vokari_backend::Options service;
  service.dataDir = options.dataDir + "/backend";
  service.workers = 1;  // one resident's client
  if (options.ports) {
    const auto& p = *options.ports;
    service.ports = {p.general, p.account, p.appointment, p.report};
  } else {
    // Stored news carry the general service's address: the standard ports on a first run,
    // then the same ones again.
    service.ports = vokari_backend::Ports{};
    service.keepPorts = true;
  }
  RunLoop* loop = &loop_;
  service.onSms = [this, loop](const vokari_backend::Sms& sms) {
    if (onTextMessage) onTextMessage(sms.phone, sms.text, sms.code);
    loop->post([] {});  // wakes the loop so the message shows at once
  };
  auto started = backend_.start(service);
  if (!started.ok())
    return Status::failure("cannot start the built-in services: " + started.status.message());
  const auto& p = *started.value;
  endpoints.ports = {p.general, p.account, p.appointment, p.report};
  Endpoints::install(endpoints);
  notice_ = movedNotice(backend_.moves());
  return Status::success();
}

void App::launch() {
  delegate_->didFinishLaunchingWithOptions();
  delegate_->applicationDidBecomeActive();
}

}  // namespace vokari::client
