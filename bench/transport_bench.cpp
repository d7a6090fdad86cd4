// Small JSON POSTs through HttpRequest, next to raw libcurl multi with four transfers in flight
// and Qt's QNetworkAccessManager with four in flight on its own event loop, against the same
// loopback server in the same run, in alternating rounds. Reports the median requests per second
// and client CPU time per request of each, and their ratios to raw libcurl. The load average
// printed first tells whether anything else was running (above 0.5: do not trust the figures).

#include <benchmark/benchmark.h>

#include <curl/curl.h>
#include <httplib.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include "Rounds.h"

#ifdef VOKARI_BENCH_QT
#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "transport/HttpRequest.h"

namespace {

using namespace vokari;
using Clock = std::chrono::steady_clock;

// VOKARI_BENCH_REQUESTS and VOKARI_BENCH_ROUNDS make short runs for instruction counting.
int envOr(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}
const int kRequests = envOr("VOKARI_BENCH_REQUESTS", 10000);
constexpr int kInFlight = 4;
const std::string kBody = "{\"PHONE_NUMBER\":\"13800000000\",\"TOKEN\":\"0123456789abcdef\"}";
const std::string kReply = "{\"STATES\":\"SUCCESS\"}";

// The server runs in a child process, so that the CPU time of this process is the clients'.
class ServerProcess {
 public:
  ServerProcess() {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) std::abort();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(pipeEnds[0]);
      serve(pipeEnds[1]);
      ::_exit(0);
    }
    ::close(pipeEnds[1]);
    if (::read(pipeEnds[0], &port_, sizeof port_) != sizeof port_) std::abort();
    ::close(pipeEnds[0]);
  }
  ~ServerProcess() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  std::string url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/serverAgent!getToken.action";
  }

 private:
  static void serve(int portPipe) {
    httplib::Server server;
    // Without these cpp-httplib stalls on reused connections and drops them after 5 requests.
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(1000000);
    // A type cpp-httplib leaves uncompressed: the clients are measured, not zlib.
    server.Post("/serverAgent!getToken.action",
                [](const httplib::Request&, httplib::Response& response) {
                  response.set_content(kReply, "application/octet-stream");
                });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (::write(portPipe, &port, sizeof port) != sizeof port) return;
    ::close(portPipe);
    server.listen_after_bind();
  }

  pid_t pid_ = 0;
  int port_ = 0;
};

ServerProcess* serverProcess = nullptr;
const ServerProcess& server() {
  return *serverProcess;
}

long contextSwitches() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_nvcsw + usage.ru_nivcsw;
}

double cpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
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
  const std::string url = server().url();  // made once, as the other clients do
  const auto start = Clock::now();
  for (int i = 0; i < kRequests; ++i) {
    auto request = HttpRequest::initWithURL(url);
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

#ifdef VOKARI_BENCH_QT
// Qt's stack posting the same requests from its own event loop, four in flight: each reply that
// finishes starts the next request, as the raw libcurl loop does.
double qtNetworkSeconds() {
  QNetworkAccessManager manager;
  const QUrl url(QString::fromStdString(server().url()));
  const QByteArray body = QByteArray::fromStdString(kBody);
  QEventLoop loop;
  int started = 0;
  int done = 0;
  int failed = 0;
  std::function<void()> startOne = [&] {
    QNetworkRequest request(url);
    // Without one Qt warns and sends a form type; the others send none.
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply* reply = manager.post(request, body);
    ++started;
    QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply] {
      if (reply->error() != QNetworkReply::NoError) ++failed;
      reply->readAll();
      reply->deleteLater();
      ++done;
      if (started < kRequests) startOne();
      if (done == kRequests) loop.quit();
    });
  };
  const auto start = Clock::now();
  for (int i = 0; i < kInFlight && started < kRequests; ++i) startOne();
  loop.exec();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (failed > 0) std::fprintf(stderr, "%d Qt requests failed\n", failed);
  return seconds;
}
#endif

struct Runs {
  std::vector<double> rates;      // requests per second
  std::vector<double> cpuMicros;  // client CPU time per request
};
Runs rawRuns;
Runs layerRuns;
Runs qtRuns;

template <typename Run>
void measure(benchmark::State& state, Runs& runs, Run run) {
  const double cpuBefore = cpuSeconds();
  const long switchesBefore = contextSwitches();
  const double seconds = run();
  const double cpu = cpuSeconds() - cpuBefore;
  state.SetIterationTime(seconds);
  state.counters["cpu_us_per_request"] = 1e6 * cpu / kRequests;
  // Thread hand-offs show here: each one a sleep and a wake-up.
  state.counters["switches_per_request"] =
      static_cast<double>(contextSwitches() - switchesBefore) / kRequests;
  runs.rates.push_back(kRequests / seconds);
  runs.cpuMicros.push_back(1e6 * cpu / kRequests);
}

void rawCurlMulti(benchmark::State& state) {
  for (auto _ : state) measure(state, rawRuns, rawCurlSeconds);
  state.SetItemsProcessed(state.iterations() * kRequests);
}

void httpRequestLayer(benchmark::State& state) {
  RealRunLoop loop;
  Platform platform;
  platform.loop = &loop;
  platform.device = DeviceInfo::fixed();
  Platform::install(&platform);
  for (auto _ : state) measure(state, layerRuns, [&loop] { return httpRequestSeconds(loop); });
  state.SetItemsProcessed(state.iterations() * kRequests);
  Platform::install(nullptr);
}

#ifdef VOKARI_BENCH_QT
void qtNetworkAccessManager(benchmark::State& state) {
  for (auto _ : state) measure(state, qtRuns, qtNetworkSeconds);
  state.SetItemsProcessed(state.iterations() * kRequests);
}
#endif

std::string loadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one.empty() ? "unknown" : one + " " + five + " " + fifteen;
}

// The median over rounds of each round's figure divided by the raw figure of the same round:
// steadier than a ratio of medians when the machine's speed drifts during the run.
double pairedRatio(const std::vector<double>& figures, const std::vector<double>& raw) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < std::min(figures.size(), raw.size()); ++i)
    if (raw[i] > 0) ratios.push_back(figures[i] / raw[i]);
  return vokari::bench::median(ratios);
}

void printRow(const char* name, const Runs& runs, const Runs& raw) {
  if (runs.rates.empty()) return;
  using vokari::bench::median;
  const double rate = median(runs.rates);
  const double cpu = median(runs.cpuMicros);
  std::printf("  %-34s %8.0f req/s  %6.1f us CPU/req  %6.1f %%  %5.2fx  %6.1f %%  %5.2fx\n", name,
              rate, cpu, median(raw.rates) > 0 ? 100 * rate / median(raw.rates) : 0,
              median(raw.cpuMicros) > 0 ? cpu / median(raw.cpuMicros) : 0,
              100 * pairedRatio(runs.rates, raw.rates), pairedRatio(runs.cpuMicros, raw.cpuMicros));
}

}  // namespace

int main(int argc, char** argv) {
  ServerProcess process;  // before any thread exists in this process
  serverProcess = &process;
  // Taken before this process adds any load of its own.
  const std::string load = loadAverage();
  std::printf("load average before the run: %s (above 0.5: other work was running)\n",
              load.c_str());
  curl_global_init(CURL_GLOBAL_ALL);
#ifdef VOKARI_BENCH_QT
  QCoreApplication application(argc, argv);
#endif
  benchmark::Initialize(&argc, argv);
  vokari::bench::registerRounds(envOr("VOKARI_BENCH_ROUNDS", 7),
                                {{"RawCurlMulti", &rawCurlMulti},
                                 {"HttpRequest", &httpRequestLayer},
#ifdef VOKARI_BENCH_QT
                                 {"QNetworkAccessManager", &qtNetworkAccessManager}
#endif
                                });
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\nload average before the run: %s\n", load.c_str());
  std::printf(
      "%d small JSON POSTs per run, medians of %zu alternating rounds; ratios to raw (of the\n"
      "medians, and paired: the median of each round's ratio to the raw round before it):\n",
      kRequests, std::max({rawRuns.rates.size(), layerRuns.rates.size(), qtRuns.rates.size()}));
  std::printf("  %-34s %14s  %16s  %8s  %6s  %8s  %6s\n", "", "throughput", "client CPU", "thr.",
              "CPU", "paired", "paired");
  printRow("raw libcurl multi, 4 in flight", rawRuns, rawRuns);
  printRow("HttpRequest (queue of 4)", layerRuns, rawRuns);
  printRow("QNetworkAccessManager, 4 in flight", qtRuns, rawRuns);
  return 0;
}
