#pragma once
// Pictures by network address for the news cards. A picture is looked for in a memory cache with
// a size bound, then in a disk cache in the user's Library/Caches folder that survives restarts
// (bounded in bytes, the least recently used files removed first, after each write and at
// start), and only then downloaded, once per address however many cards ask, in the engine's
// picture lane so that service calls never wait behind pictures. A download nobody waits for any
// more is cancelled. A failed download is not kept: the next load of the address tries again.
// Main thread only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>

#include "transport/RequestHandle.h"

namespace vokari {

using PictureBytes = std::shared_ptr<const std::string>;

// A waiter's hold on a picture it asked for: dropping it withdraws the wish (and cancels the
// download when nobody else waits), so its callback never runs after that.
class PictureTicket final {
 public:
  PictureTicket() = default;
  ~PictureTicket() { reset(); }
  PictureTicket(PictureTicket&& other) noexcept;
  PictureTicket& operator=(PictureTicket&& other) noexcept;
  PictureTicket(const PictureTicket&) = delete;
  PictureTicket& operator=(const PictureTicket&) = delete;
  void reset();

 private:
  friend class PictureLoader;
  struct State;
  std::weak_ptr<State> state_;
  std::string url_;
  std::uint64_t id_ = 0;
};

class PictureLoader final {
 public:
  static constexpr std::size_t kDefaultMemoryBytes = 16u << 20;
  static constexpr std::size_t kDefaultDiskBytes = 64u << 20;
  static constexpr double kTimeOutSeconds = 30;

  // Pictures kept on disk in the folder (created with its parents when missing).
  PictureLoader(std::string diskFolder, std::size_t memoryBytes = kDefaultMemoryBytes,
                std::size_t diskBytes = kDefaultDiskBytes);
  ~PictureLoader();
  PictureLoader(const PictureLoader&) = delete;
  PictureLoader& operator=(const PictureLoader&) = delete;

  // The loader of the installed platform's user: Library/Caches/Pictures under its data root.
  static PictureLoader& shared();

  // Calls done with the picture's bytes, or with none when it cannot be had (a blank address, a
  // failed download, a reply that is not a complete picture). A picture in memory or on disk is
  // handed over before this returns; a download answers later on the main loop.
  [[nodiscard]] PictureTicket load(const std::string& url, std::function<void(PictureBytes)> done);
  // The picture when it is in the memory cache.
  PictureBytes cached(const std::string& url);

  // Bytes of the pictures in memory (those cards hold included), and of the files on disk.
  std::size_t memoryBytes() const;
  std::size_t diskBytes() const;
  // Loads asked for an address that is not blank, from wherever they were answered.
  std::size_t loadsAsked() const;
  std::size_t downloadsInFlight() const;
  const std::string& diskFolder() const { return diskFolder_; }
  // Where the picture of the address lies on disk.
  std::string diskPath(const std::string& url) const;

 private:
  std::shared_ptr<PictureTicket::State> state_;
  std::string diskFolder_;
};

}  // namespace vokari
