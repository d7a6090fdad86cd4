// The codec module's entry: everything else in it stays hidden, so that opening it resolves one
// symbol and nothing of it can clash with the program that opens it.

#include "media/Api.h"

extern "C" __attribute__((visibility("default"))) const vokari::media::Api* vokari_media_api() {
  using namespace vokari;
  static const media::Api api{.decodeImage = decodeImage,
                              .decodeImageFile = decodeImageFile,
                              .encodeJpeg = encodeJpeg,
                              .imageByScalingAndCroppingForSize = imageByScalingAndCroppingForSize,
                              .pictureThumbnail = pictureThumbnail,
                              .oriented = oriented,
                              .getImage = getImage,
                              .mediaKindOfFile = mediaKindOfFile};
  return &api;
}
