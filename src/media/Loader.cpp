// The programs' side of the media operations: the codec libraries (FFmpeg, libheif with its AV1
// and HEVC decoders, libjpeg, libpng, libwebp, giflib) are mapped only when a picture or a video
// is first handled, by opening the codec module. A start that decodes nothing, such as opening
// the app to raise the alarm, loads none of them.

#include <dlfcn.h>

#include <filesystem>
#include <iostream>
#include <mutex>
#include <system_error>

#include "media/Api.h"
#include "platform/Resources.h"

namespace vokari {
namespace {

constexpr const char* kModuleName = "libvokari-media.so";

// Installed beside the programs (lib/vokari of their prefix); a test program of the build tree
// finds the module where the build put it.
std::vector<std::string> moduleCandidates() {
  std::vector<std::string> paths;
  if (std::string prefix = installedPrefix(); !prefix.empty())
    paths.push_back(prefix + "/lib/vokari/" + kModuleName);
  paths.push_back(VOKARI_MEDIA_MODULE_PATH);
  return paths;
}

const media::Api* load() {
  std::string failures;
  for (const std::string& path : moduleCandidates()) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) continue;
    // Never closed: the decoded pictures it hands out may be freed at any time later.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto entry =
        module ? reinterpret_cast<media::ApiEntry>(::dlsym(module, media::kApiSymbol)) : nullptr;
    const media::Api* api = entry ? entry() : nullptr;
    if (api && api->size == sizeof(media::Api)) return api;
    failures += "\n  " + path + ": " + (module ? "not a media module of this build" : ::dlerror());
  }
  std::cerr << "vokari: pictures and videos cannot be read: the media module " << kModuleName
            << " was not found or did not load" << failures << "\n";
  return nullptr;
}

const media::Api* api() {
  static const media::Api* const loaded = load();  // once, whichever thread asks first
  return loaded;
}

}  // namespace

std::optional<Image> decodeImage(std::string_view bytes, std::optional<Size> cover) {
  const media::Api* media = api();
  return media ? media->decodeImage(bytes, cover) : std::nullopt;
}

std::optional<Image> decodeImageFile(const std::string& path, std::optional<Size> cover) {
  const media::Api* media = api();
  return media ? media->decodeImageFile(path, cover) : std::nullopt;
}

std::optional<std::string> encodeJpeg(const Image& image, int quality) {
  const media::Api* media = api();
  return media ? media->encodeJpeg(image, quality) : std::nullopt;
}

Image imageByScalingAndCroppingForSize(const Image& image, int width, int height) {
  const media::Api* media = api();
  return media ? media->imageByScalingAndCroppingForSize(image, width, height)
               : Image::filled(std::max(width, 0), std::max(height, 0), 0);
}

std::optional<Image> pictureThumbnail(const std::string& path, int width, int height) {
  const media::Api* media = api();
  return media ? media->pictureThumbnail(path, width, height) : std::nullopt;
}

Image oriented(const Image& image, int exifOrientation) {
  const media::Api* media = api();
  return media ? media->oriented(image, exifOrientation) : image;
}

std::optional<Image> getImage(const std::optional<std::string>& videoPath) {
  const media::Api* media = api();
  return media ? media->getImage(videoPath) : std::nullopt;
}

MediaKind mediaKindOfFile(const std::string& path) {
  const media::Api* media = api();
  return media ? media->mediaKindOfFile(path) : MediaKind::None;
}

}  // namespace vokari
