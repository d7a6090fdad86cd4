#include "news/PictureLoader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <tuple>
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

  struct OnDisk {
    std::size_t bytes = 0;
    std::uint64_t used = 0;
  };

  std::string folder;
  std::size_t limit = 0;
  std::size_t bytes = 0;
  Lru lru;  // most recently used first
  std::map<std::string, Lru::iterator> memory;
  std::map<std::string, std::unique_ptr<Download>> downloads;
  std::uint64_t nextId = 1;
  std::size_t loads = 0;

  std::size_t diskLimit = 0;
  std::size_t diskBytes = 0;
  std::map<std::string, OnDisk> disk;            // by file name
  std::map<std::uint64_t, std::string> diskLru;  // least recently used first
  std::uint64_t diskTick = 0;

  PictureBytes fromMemory(const std::string& url) {
    auto it = memory.find(url);
    if (it == memory.end()) return nullptr;
    lru.splice(lru.begin(), lru, it->second);
    return it->second->second;
  }

  // Every picture handed out is the one in the cache: a card holds it, never a copy, so the
  // count of bytes includes what cards show. A picture a card still holds is not dropped (that
  // would free nothing); the count goes over the bound only by those.
  void remember(const std::string& url, PictureBytes picture) {
    if (picture->size() > limit || memory.count(url)) return;
    lru.emplace_front(url, picture);
    memory[url] = lru.begin();
    bytes += picture->size();
    for (auto at = lru.end(); bytes > limit && at != lru.begin();) {
      --at;
      if (at->second.use_count() > 1) continue;
      bytes -= at->second->size();
      memory.erase(at->first);
      at = lru.erase(at);
    }
  }

  void touchDisk(const std::string& name, std::size_t size) {
    auto [at, added] = disk.try_emplace(name);
    if (!added) {
      diskLru.erase(at->second.used);
      diskBytes -= at->second.bytes;
    }
    at->second = {size, ++diskTick};
    diskLru[diskTick] = name;
    diskBytes += size;
  }

  // A use from memory is a use of the file too, so the disk drops it after those not used.
  void touchedInMemory(const std::string& url) {
    std::string name = fileName(url);
    if (auto at = disk.find(name); at != disk.end()) touchDisk(name, at->second.bytes);
  }

  // Files go, least recently used first, until the folder is within its bound.
  void trimDisk() {
    while (diskBytes > diskLimit && !diskLru.empty()) {
      auto oldest = diskLru.begin();
      auto entry = disk.find(oldest->second);
      // A file that cannot be removed is forgotten all the same, so one stuck file does not
      // stop the others from going; it is counted again at the next start.
      static_cast<void>(FileManager::removeFileAtPath(folder + "/" + oldest->second));
      diskBytes -= entry->second.bytes;
      disk.erase(entry);
      diskLru.erase(oldest);
    }
  }

  // The files left by earlier runs, oldest use (modification time) first.
  void scanDisk() {
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<std::tuple<fs::file_time_type, std::string, std::size_t>> files;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      std::error_code sizeError, timeError;
      std::size_t size = static_cast<std::size_t>(it->file_size(sizeError));
      fs::file_time_type time = it->last_write_time(timeError);
      if (!sizeError && !timeError && it->path().extension() == ".pic") {
        files.emplace_back(time, it->path().filename().string(), size);
      }
    }
    std::sort(files.begin(), files.end());
    for (const auto& [time, name, size] : files) touchDisk(name, size);
    trimDisk();
  }

  std::string path(const std::string& url) const { return folder + "/" + fileName(url); }

  PictureBytes fromDisk(const std::string& url) {
    std::string name = fileName(url);
    if (!disk.count(name)) return nullptr;  // only files this loader counts are read
    std::optional<std::string> file = FileManager::readFile(folder + "/" + name);
    if (!file || file->compare(0, url.size() + 1, url + "\n") != 0) return nullptr;
    // The use is written to the file's time too, so the order survives a restart.
    std::error_code ignored;
    std::filesystem::last_write_time(folder + "/" + name,
                                     std::filesystem::file_time_type::clock::now(), ignored);
    touchDisk(name, file->size());
    auto picture = std::make_shared<const std::string>(file->substr(url.size() + 1));
    remember(url, picture);
    return picture;
  }

  void keep(const std::string& url, const PictureBytes& picture) {
    remember(url, picture);
    std::string file = url + "\n" + *picture;
    // A picture that cannot be written is still shown from memory; the disk cache is only a
    // saving, so a full or read-only disk costs a download next time, nothing more.
    if (!makeFolders(folder) || !FileManager::writeFileAtomically(path(url), file)) return;
    touchDisk(fileName(url), file.size());
    trimDisk();
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

PictureLoader::PictureLoader(std::string diskFolder, std::size_t memoryBytes, std::size_t diskBytes)
    : state_(std::make_shared<PictureTicket::State>()), diskFolder_(std::move(diskFolder)) {
  state_->folder = diskFolder_;
  state_->limit = memoryBytes;
  state_->diskLimit = diskBytes;
  state_->scanDisk();
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
  ++state_->loads;
  if (PictureBytes picture = state_->fromMemory(url)) {
    state_->touchedInMemory(url);
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

std::size_t PictureLoader::diskBytes() const {
  return state_->diskBytes;
}

std::size_t PictureLoader::loadsAsked() const {
  return state_->loads;
}

std::size_t PictureLoader::downloadsInFlight() const {
  return state_->downloads.size();
}

std::string PictureLoader::diskPath(const std::string& url) const {
  return state_->path(url);
}

}  // namespace vokari
