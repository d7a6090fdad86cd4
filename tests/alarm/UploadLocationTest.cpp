#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "AlarmFixture.h"
#include "alarm/UploadLocation.h"
#include "core/DateFormat.h"
#include "core/Endpoints.h"
#include "transport/HttpRequest.h"

namespace vokari::testing {
namespace {

const std::string kUrl = "http://127.0.0.1:64110/serverAgent!sosForIOS.action";
const std::string kBeta = "\xCE\xB2";  // U+03B2 in UTF-8

TEST_F(AlarmTest, TheSosBodyIsExactlyTheFieldsJoinedByBeta) {
  signIn();
  platform.location.report(12.5, -3.25);
  showMain();
  tapAlarm();
  ASSERT_EQ(sends(), 1u);
  const std::string time = DateFormat::format(platform.loop.wallClock(), DateFormat::kDateTime);
  const std::string& id = main->mAlarmID;
  EXPECT_EQ(send(0).body, "{\"SOS\":\"" + time + kBeta + "0" + kBeta + "0" + kBeta + "1" + kBeta +
                              id + kBeta + "1" + kBeta + kPhone + kBeta +
                              "ll=-3.250000|12.500000\"}");
  EXPECT_EQ(send(0).method, "POST");
  EXPECT_EQ(send(0).url, kUrl);
  EXPECT_EQ(send(0).timeOutSeconds, 30);
  EXPECT_EQ(send(0).header(kUrl), "sendLocationBaidu");
  EXPECT_EQ(send(0).lane, TransferLane::Immediate);  // never waits behind service calls
}

TEST(SosText, PrintsSixDecimalsWithoutRoundingSurprisesOrLocaleCommas) {
  std::string text = sosText("t", "id", "p", 103.8343217, -0.0000004);
  EXPECT_TRUE(text.ends_with("ll=103.834322|-0.000000\"}")) << text;
  EXPECT_EQ(sosText("t", "id", "p", 180, 90), "{\"SOS\":\"t" + kBeta + "0" + kBeta + "0" + kBeta +
                                                  "1" + kBeta + "id" + kBeta + "1" + kBeta + "p" +
                                                  kBeta + "ll=180.000000|90.000000\"}");
}

// A one-shot HTTP server on loopback that keeps the bytes of the request it got.
class CapturingServer {
 public:
  CapturingServer() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(fd_, 1) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      ADD_FAILURE() << "cannot listen on loopback";
      return;
    }
    port = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serveOnce(); });
  }
  ~CapturingServer() {
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    if (thread_.joinable()) thread_.join();
  }
  int port = 0;
  std::string request;  // complete once done is set
  std::atomic<bool> done{false};

 private:
  void serveOnce() {
    int client = accept(fd_, nullptr, nullptr);
    if (client < 0) return;
    char buffer[4096];
    std::string got;
    while (!complete(got)) {
      ssize_t n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    const char reply[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    (void)!send(client, reply, sizeof reply - 1, 0);
    close(client);
    request = std::move(got);
    done = true;
  }
  static bool complete(const std::string& got) {
    std::size_t end = got.find("\r\n\r\n");
    if (end == std::string::npos) return false;
    std::size_t at = got.find("Content-Length: ");
    std::size_t length = at == std::string::npos ? 0 : std::stoul(got.substr(at + 16));
    return got.size() >= end + 4 + length;
  }
  int fd_ = -1;
  std::thread thread_;
};

// The header named after the URL is odd enough that the wire itself is worth checking.
TEST(UploadLocationWire, TheHeaderLineIsTheUrlAColonAndTheMarker) {
  TestPlatform platform{Network::Libcurl};
  CapturingServer server;
  Endpoints endpoints;
  endpoints.ports[0] = server.port;
  Endpoints::install(endpoints);
  const std::string url = Endpoints::current().url(Backend::General, "sosForIOS");

  UploadLocation sender;
  sender.uploadCurrentLocation("{\"SOS\":\"x\xCE\xB2y\"}");
  auto finished = [&] { return server.done && !sender.upload(); };
  EXPECT_TRUE(platform.loop.waitUntil(finished, 10));
  Endpoints::install(Endpoints{});

  EXPECT_TRUE(server.request.starts_with("POST /serverAgent!sosForIOS.action HTTP/1.1\r\n"))
      << server.request;
  EXPECT_NE(server.request.find("\r\n" + url + ": sendLocationBaidu\r\n"), std::string::npos)
      << server.request;
  EXPECT_TRUE(server.request.ends_with("\r\n\r\n{\"SOS\":\"x\xCE\xB2y\"}")) << server.request;
}

}  // namespace
}  // namespace vokari::testing
