#include "news/PictureLoader.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "media/Image.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"

namespace vokari {
namespace {

// A stable name for an address on disk (FNV-1a, 64 bits); the file repeats the address on its
// first line, so a clash of two names can never hand out the wrong picture.
std::string fileName(const std::string& url) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : url) hash = (hash ^ c) * 1099511628211ull;
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.pic", static_cast<unsigned long long>(hash));
  return name;
}

// The signature of a picture format the media module decodes: a reply of any other kind (an
// error page) is not a picture.
bool looksLikePicture(const std::string& bytes) {
  return pictureFormatOf(bytes) != PictureFormat::None;
}

bool makeFolders(const std::string& path) {
  for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
    FileManager::createDirectoryWithPath(path.substr(0, at));
  }
  return FileManager::createDirectoryWithPath(path);
}

}  // namespace

struct PictureTicket::State final {
  // One download and everyone waiting for it.
  struct Download final : HttpRequestDelegate {
    State* owner = nullptr;
    std::string url;
    RequestHandle request;
    std::map<std::uint64_t, std::function<void(PictureBytes)>> waiters;
    void requestFinished(HttpRequest& r) override;
    void requestFailed(HttpRequest& r) override;
  };
  using Lru = std::list<std::pair<std::string, PictureBytes>>;

  std::string folder;
  std::size_t limit = 0;
  std::size_t bytes = 0;
  Lru lru;  // most recently used first
  std::map<std::string, Lru::iterator> memory;
  std::map<std::string, std::unique_ptr<Download>> downloads;
  std::uint64_t nextId = 1;

  PictureBytes fromMemory(const std::string& url) {
    auto it = memory.find(url);
    if (it == memory.end()) return nullptr;
    lru.splice(lru.begin(), lru, it->second);
    return it->second->second;
  }

  void remember(const std::string& url, PictureBytes picture) {
    if (picture->size() > limit || memory.count(url)) return;
    lru.emplace_front(url, picture);
    memory[url] = lru.begin();
    bytes += picture->size();
    while (bytes > limit) {
      bytes -= lru.back().second->size();
      memory.erase(lru.back().first);
      lru.pop_back();
    }
  }

  std::string path(const std::string& url) const { return folder + "/" + fileName(url); }

  PictureBytes fromDisk(const std::string& url) {
    std::optional<std::string> file = FileManager::readFile(path(url));
    if (!file || file->compare(0, url.size() + 1, url + "\n") != 0) return nullptr;
    auto picture = std::make_shared<const std::string>(file->substr(url.size() + 1));
    remember(url, picture);
    return picture;
  }

  void keep(const std::string& url, const PictureBytes& picture) {
    remember(url, picture);
    makeFolders(folder);
    FileManager::writeFileAtomically(path(url), url + "\n" + *picture);
  }

  void finish(Download& download, PictureBytes picture) {
    if (picture) keep(download.url, picture);
    auto waiters = std::move(download.waiters);
    std::string url = download.url;
    downloads.erase(url);  // the download is gone from here on
    for (auto& [id, done] : waiters) done(picture);
  }

  void withdraw(const std::string& url, std::uint64_t id) {
    auto it = downloads.find(url);
    if (it == downloads.end()) return;
    it->second->waiters.erase(id);
    if (it->second->waiters.empty()) downloads.erase(it);  // the handle cancels the transfer
  }
};

void PictureTicket::State::Download::requestFinished(HttpRequest& r) {
  PictureBytes picture;
  if (r.responseStatusCode() == 200 && looksLikePicture(r.responseData())) {
    picture = std::make_shared<const std::string>(r.responseData());
  }
  owner->finish(*this, picture);
}

void PictureTicket::State::Download::requestFailed(HttpRequest& /*r*/) {
  owner->finish(*this, nullptr);
}

PictureTicket::PictureTicket(PictureTicket&& other) noexcept
    : state_(std::move(other.state_)), url_(std::move(other.url_)), id_(other.id_) {
  other.id_ = 0;
}

PictureTicket& PictureTicket::operator=(PictureTicket&& other) noexcept {
  if (this != &other) {
    reset();
    state_ = std::move(other.state_);
    url_ = std::move(other.url_);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

void PictureTicket::reset() {
  if (auto state = state_.lock(); state && id_) state->withdraw(url_, id_);
  state_.reset();
  id_ = 0;
}

PictureLoader::PictureLoader(std::string diskFolder, std::size_t memoryBytes)
    : state_(std::make_shared<PictureTicket::State>()), diskFolder_(std::move(diskFolder)) {
  state_->folder = diskFolder_;
  state_->limit = memoryBytes;
}

PictureLoader::~PictureLoader() = default;

PictureLoader& PictureLoader::shared() {
  // Never destroyed: downloads still running at exit must not reach a torn-down engine.
  static PictureLoader* loader = nullptr;
  std::string folder = Platform::current().paths.library() + "/Caches/Pictures";
  // Each installed platform (a test's fresh data root) gets its own caches.
  if (!loader || loader->diskFolder() != folder) {
    delete loader;
    loader = new PictureLoader(folder);
  }
  return *loader;
}

PictureTicket PictureLoader::load(const std::string& url, std::function<void(PictureBytes)> done) {
  PictureTicket ticket;
  if (url.find_first_not_of(" \t\r\n") == std::string::npos) {
    done(nullptr);
    return ticket;
  }
  if (PictureBytes picture = state_->fromMemory(url)) {
    done(picture);
    return ticket;
  }
  if (PictureBytes picture = state_->fromDisk(url)) {
    done(picture);
    return ticket;
  }
  auto& download = state_->downloads[url];
  if (!download) {
    download = std::make_unique<PictureTicket::State::Download>();
    download->owner = state_.get();
    download->url = url;
    auto request = HttpRequest::initWithURL(url);
    request->setLane(TransferLane::Pictures);
    request->setTimeOutSeconds(kTimeOutSeconds);
    request->setDelegate(download.get());
    download->request = RequestHandle(request);
    request->startAsynchronous();
  }
  ticket.state_ = state_;
  ticket.url_ = url;
  ticket.id_ = state_->nextId++;
  download->waiters.emplace(ticket.id_, std::move(done));
  return ticket;
}

PictureBytes PictureLoader::cached(const std::string& url) {
  return state_->fromMemory(url);
}

std::size_t PictureLoader::memoryBytes() const {
  return state_->bytes;
}

std::size_t PictureLoader::downloadsInFlight() const {
  return state_->downloads.size();
}

std::string PictureLoader::diskPath(const std::string& url) const {
  return state_->path(url);
}

}  // namespace vokari
