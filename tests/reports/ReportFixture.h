#pragma once
// Screen tests of the crime-report screens: the fake network answers SOAP calls by operation,
// the media picker is answered by the test, and attachment sources are made on the fly.

#include <fstream>
#include <string>
#include <vector>

#include "media/Image.h"
#include "platform/MediaPicker.h"
#include "support/ScreenTest.h"

namespace vokari::testing {

inline std::string soapReply(const std::string& operation, const std::string& inner) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
         "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><" +
         operation + "Response xmlns=\"http://tempuri.org/\">" + inner + "</" + operation +
         "Response></soap:Body></soap:Envelope>";
}

inline FakeReply soapResult(const std::string& operation, const std::string& result) {
  return FakeReply{
      200,
      {{"Content-Type", "text/xml; charset=utf-8"}},
      soapReply(operation, "<" + operation + "Result>" + result + "</" + operation + "Result>"),
      0};
}

struct ReportScreenTest : ScreenTest {
  WaitingMediaPicker picker;
  TempDir sources;
  int made = 0;

  ReportScreenTest() { platform.platform.mediaPicker = &picker; }
  ~ReportScreenTest() override { platform.platform.mediaPicker = nullptr; }

  // The operation a recorded request names in its SOAPAction header.
  static std::string operationOf(const RecordedRequest& request) {
    std::string action = request.header("SOAPAction").value_or("");
    const std::string prefix = "http://tempuri.org/";
    return action.starts_with(prefix) ? action.substr(prefix.size()) : action;
  }
  std::vector<std::string> operations() const {
    std::vector<std::string> names;
    for (const auto& request : http.requests()) names.push_back(operationOf(request));
    return names;
  }
  // The operation of the one request waiting for an answer; "" when none waits.
  std::string waiting() const {
    auto pending = http.pending();
    return pending.empty() ? "" : operationOf(http.requests()[pending.back()]);
  }
  // Answers the waiting request with its operation's result text.
  void answer(const std::string& result) {
    auto pending = http.pending();
    ASSERT_EQ(pending.size(), 1u);
    std::string operation = operationOf(http.requests()[pending[0]]);
    ASSERT_TRUE(http.respond(pending[0], soapResult(operation, result)));
    settle();
  }
  void answerRaw(FakeReply reply) {
    auto pending = http.pending();
    ASSERT_EQ(pending.size(), 1u);
    ASSERT_TRUE(http.respond(pending[0], std::move(reply)));
    settle();
  }

  std::string writeSource(const std::string& name, const std::string& bytes) {
    std::string path = sources.path() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // A picture file of the given size, a JPEG or PNG as the original would come from the album.
  std::string picture(int width = 120, int height = 90, std::uint32_t color = 0x3366cc) {
    Image image = Image::filled(width, height, color);
    return writeSource("picture" + std::to_string(++made) + ".jpg", *encodeJpeg(image, 95));
  }
  std::string movie(const std::string& bytes = std::string("\0\0\0\x14"
                                                           "ftypqt  movie bytes",
                                                           23)) {
    return writeSource("movie" + std::to_string(++made) + ".mov", bytes);
  }
};

}  // namespace vokari::testing
