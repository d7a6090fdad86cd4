// Small JSON POSTs through HttpRequest, next to raw libcurl multi with four transfers in flight,
// against the same loopback server in the same run. Reports requests per second and the ratio.

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "transport/HttpRequest.h"

namespace {

using namespace vokari;
using Clock = std::chrono::steady_clock;

constexpr int kRequests = 10000;
constexpr int kInFlight = 4;
const std::string kBody = "{\"PHONE_NUMBER\":\"13800000000\",\"TOKEN\":\"0123456789abcdef\"}";
const std::string kReply = "{\"STATES\":\"SUCCESS\"}";

class Server {
 public:
  Server() {
    // Without these cpp-httplib stalls on reused connections and drops them after 5 requests.
    server_.set_tcp_nodelay(true);
    server_.set_keep_alive_max_count(1000000);
    // A type cpp-httplib leaves uncompressed: the clients are measured, not zlib.
    server_.Post("/serverAgent!getToken.action",
                 [](const httplib::Request&, httplib::Response& response) {
                   response.set_content(kReply, "application/octet-stream");
                 });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~Server() {
    server_.stop();
    thread_.join();
  }
  std::string url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/serverAgent!getToken.action";
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

Server& server() {
  static Server instance;
  return instance;
}

std::size_t discard(char*, std::size_t size, std::size_t count, void*) {
  return size * count;
}

CURL* rawHandle(curl_slist* headers) {
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, server().url().c_str());
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_POSTFIELDS, kBody.c_str());
  curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(kBody.size()));
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "gzip");
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &discard);
  return easy;
}

// The baseline: four reused easy handles kept busy on one multi handle.
double rawCurlSeconds() {
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type:");
  CURLM* multi = curl_multi_init();
  std::vector<CURL*> handles;
  for (int i = 0; i < kInFlight; ++i) handles.push_back(rawHandle(headers));
  const auto start = Clock::now();
  int started = 0;
  int done = 0;
  for (CURL* easy : handles) {
    curl_multi_add_handle(multi, easy);
    ++started;
  }
  while (done < kRequests) {
    int running = 0;
    curl_multi_perform(multi, &running);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      ++done;
      CURL* easy = message->easy_handle;
      curl_multi_remove_handle(multi, easy);
      if (started < kRequests) {
        curl_multi_add_handle(multi, easy);
        ++started;
      }
    }
    if (done < kRequests) curl_multi_poll(multi, nullptr, 0, 100, nullptr);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  for (CURL* easy : handles) curl_easy_cleanup(easy);
  curl_multi_cleanup(multi);
  curl_slist_free_all(headers);
  return seconds;
}

struct Counter final : HttpRequestDelegate {
  int finished = 0;
  int failed = 0;
  void requestFinished(HttpRequest&) override { ++finished; }
  void requestFailed(HttpRequest&) override { ++failed; }
};

// The request layer: every request queued at once; the queue keeps four in flight.
double httpRequestSeconds(RealRunLoop& loop) {
  Counter counter;
  const auto start = Clock::now();
  for (int i = 0; i < kRequests; ++i) {
    auto request = HttpRequest::initWithURL(server().url());
    request->setRequestMethod("POST");
    request->appendPostData(kBody);
    request->setDelegate(&counter);
    request->startAsynchronous();
  }
  loop.runUntil([&] { return counter.finished + counter.failed == kRequests; }, 120);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (counter.failed > 0) std::fprintf(stderr, "%d requests failed\n", counter.failed);
  return seconds;
}

std::vector<double> rawRates;
std::vector<double> layerRates;

void record(benchmark::State& state, std::vector<double>& rates, double seconds) {
  state.SetIterationTime(seconds);
  rates.push_back(kRequests / seconds);
}

void rawCurlMulti(benchmark::State& state) {
  for (auto _ : state) record(state, rawRates, rawCurlSeconds());
  state.SetItemsProcessed(state.iterations() * kRequests);
}

void httpRequestLayer(benchmark::State& state) {
  RealRunLoop loop;
  Platform platform;
  platform.loop = &loop;
  platform.device = DeviceInfo::fixed();
  Platform::install(&platform);
  for (auto _ : state) record(state, layerRates, httpRequestSeconds(loop));
  state.SetItemsProcessed(state.iterations() * kRequests);
  Platform::install(nullptr);
}

// Rounds alternate the two, so that drift in the machine's load falls on both alike.
void registerRounds(int rounds) {
  for (int round = 0; round < rounds; ++round) {
    for (auto [name, function] :
         {std::pair{"RawCurlMulti", &rawCurlMulti}, std::pair{"HttpRequest", &httpRequestLayer}}) {
      benchmark::RegisterBenchmark(name, function)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
    }
  }
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  curl_global_init(CURL_GLOBAL_ALL);
  benchmark::Initialize(&argc, argv);
  registerRounds(7);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const double raw = median(rawRates);
  const double layer = median(layerRates);
  std::printf("\n%d small JSON POSTs, median of %zu runs each:\n", kRequests, rawRates.size());
  std::printf("  raw libcurl multi, 4 in flight: %8.0f requests/s\n", raw);
  std::printf("  HttpRequest (queue of 4):       %8.0f requests/s\n", layer);
  std::printf("  ratio:                          %8.1f %%\n", raw > 0 ? 100 * layer / raw : 0);
  return 0;
}
