// Memory and time of what a phone's media costs the client, and the stand-in, at real sizes.
//
// 1. The SaveFile body alone: the client's transport sends one large attachment streamed from
//    the file and, for comparison, as a whole text; each way in a child process of its own so
//    that its peak (ru_maxrss) is its own, against a sink in a third process.
// 2. End to end: the terminal client (`vokari`) files a report with a large movie against the
//    stand-in (`vokari-backend serve`) running in another process. The peak of each above its
//    idle size must stay under 64 MB, and the stored file must equal the source.
// 3. Thumbnails: of a 48-megapixel JPEG and of a 1 x 100,000 PNG, each in a fresh child: peak
//    growth and time must stay under 100 MB and 1 s. The baselines, measured alongside, are a
//    full decode of the same JPEG (what a thumbnail cost before scaled decoding) and the
//    thumbnail of a 100 x 100 PNG.
//
// 4. Attaching the 48 MP JPEG (stored upright at the strongest compression, and thumbnailed):
//    the main thread's share, once with the conversion run on it (the baseline) and once handed
//    to the background worker, counting the hand-off and the delivery.
//
// 5. Converting a picture as an attachment at 12 (the baseline), 48, 108 and 200 megapixels and
//    a progressive bomb: within 200 MB each, the bomb refused within a second.
//
//   upload_memory_bench [MEGABYTES]   (default 200)
//
// Exits with status 1 when a bound does not hold.

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <thread>

#include <httplib.h>

#include "media/Image.h"
#include "media/TestPictures.h"
#include "media/TestVideo.h"
#include "platform/Background.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "reports/Attachments.h"
#include "reports/SoapEnvelope.h"
#include "support/ProcessMemory.h"
#include "transport/HttpRequest.h"

namespace {

using namespace vokari;

constexpr double kMovieBoundMb = 64;
constexpr double kThumbnailBoundMb = 100;
constexpr double kThumbnailBoundSeconds = 1;
bool allHeld = true;

void check(bool held, const std::string& what) {
  std::printf("  %s %s\n", held ? "ok  " : "FAIL", what.c_str());
  allHeld = allHeld && held;
}

// A field of /proc/PID/status in megabytes (VmRSS now, VmHWM the peak so far).
double statusMb(pid_t pid, const std::string& field) {
  return static_cast<double>(vokari::testing::statusKb(field, pid)) / 1024.0;
}

// --- 1. the SaveFile body alone --------------------------------------------------------------

int startSink(pid_t& pid) {
  int ends[2];
  if (::pipe(ends) != 0) std::abort();
  pid = ::fork();
  if (pid == 0) {
    httplib::Server server;
    server.set_payload_max_length(std::numeric_limits<std::size_t>::max());
    server.Post("/CrimeReports_App/Service.asmx",
                [](const httplib::Request&, httplib::Response& response,
                   const httplib::ContentReader& reader) {
                  std::size_t received = 0;
                  reader([&](const char*, std::size_t length) {
                    received += length;
                    return true;
                  });
                  response.set_content("<r>" + std::to_string(received) + "</r>", "text/xml");
                });
    int port = server.bind_to_any_port("127.0.0.1");
    if (::write(ends[1], &port, sizeof port) != sizeof port) ::_exit(1);
    server.listen_after_bind();
    ::_exit(0);
  }
  int port = 0;
  if (::read(ends[0], &port, sizeof port) != sizeof port) std::abort();
  return port;
}

struct Outcome final : HttpRequestDelegate {
  bool done = false;
  std::string reply;
  void requestFinished(HttpRequest& request) override {
    done = true;
    reply = request.responseData();
  }
  void requestFailed(HttpRequest& request) override {
    done = true;
    reply = "failed " + std::to_string(request.error()->code);
  }
};

// Sends the file the one way or the other and exits; the parent reads the peak.
void sendAndExit(int port, const std::string& path, bool streamed) {
  RealRunLoop loop;
  Platform platform;
  platform.loop = &loop;
  platform.device = DeviceInfo::fixed();
  Platform::install(&platform);
  auto request = HttpRequest::initWithURL("http://127.0.0.1:" + std::to_string(port) +
                                          "/CrimeReports_App/Service.asmx");
  request->setRequestMethod("POST");
  request->setTimeOutSeconds(60);
  if (streamed) {
    request->setPostBodySource(SaveFileBody::open(path, "CODE", "PWD"));
  } else {
    request->appendPostData(saveFileEnvelope("CODE", "PWD", *FileManager::readFile(path)));
  }
  Outcome outcome;
  request->setDelegate(&outcome);
  request->startAsynchronous();
  loop.runUntil([&] { return outcome.done; }, 600);
  std::printf("  %-8s reply %s\n", streamed ? "streamed" : "whole", outcome.reply.c_str());
  std::fflush(stdout);
  ::_exit(outcome.done ? 0 : 1);
}

double peakMegabytes(int port, const std::string& path, bool streamed) {
  pid_t child = ::fork();
  if (child == 0) sendAndExit(port, path, streamed);
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

void measureBody(const std::string& movie, long megabytes) {
  pid_t sink = 0;
  int port = startSink(sink);
  std::printf("1. a SaveFile body for a %ld MB file, sent to a counting sink:\n", megabytes);
  std::fflush(stdout);  // before the children are forked, so they do not print it again
  double streamed = peakMegabytes(port, movie, true);
  double whole = peakMegabytes(port, movie, false);
  std::printf("  peak of the client: streamed %.1f MB, whole text %.1f MB (%.3f of it)\n", streamed,
              whole, streamed / whole);
  ::kill(sink, SIGTERM);
  ::waitpid(sink, nullptr, 0);
}

// --- 2. end to end ---------------------------------------------------------------------------

struct Child {
  pid_t pid = -1;
  int in = -1;   // its standard input, when piped
  int out = -1;  // its standard output, when piped
};

Child spawn(const std::vector<std::string>& argv, bool pipeIn, bool pipeOut,
            const std::string& outFile = "") {
  int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1};
  if ((pipeIn && ::pipe(inPipe) != 0) || (pipeOut && ::pipe(outPipe) != 0)) std::abort();
  Child child;
  child.pid = ::fork();
  if (child.pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // no stand-in outlives a bench that failed
    if (pipeIn) ::dup2(inPipe[0], STDIN_FILENO);
    if (pipeOut) ::dup2(outPipe[1], STDOUT_FILENO);
    if (!outFile.empty()) {
      int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(fd, STDOUT_FILENO);
      ::dup2(fd, STDERR_FILENO);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  if (pipeIn) ::close(inPipe[0]), child.in = inPipe[1];
  if (pipeOut) ::close(outPipe[1]), child.out = outPipe[0];
  return child;
}

std::string readLine(int fd) {
  std::string line;
  char c;
  while (::read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

void send(const Child& child, const std::string& lines) {
  if (::write(child.in, lines.data(), lines.size()) != static_cast<ssize_t>(lines.size()))
    std::abort();
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits (real time) until the file holds the text; false after the seconds.
bool waitFor(const std::string& path, const std::string& text, double seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (fileText(path).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

bool sameBytes(const std::string& a, const std::string& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  std::vector<char> p(1 << 20), q(1 << 20);
  while (x && y) {
    x.read(p.data(), static_cast<std::streamsize>(p.size()));
    y.read(q.data(), static_cast<std::streamsize>(q.size()));
    if (x.gcount() != y.gcount() || !std::equal(p.begin(), p.begin() + x.gcount(), q.begin()))
      return false;
  }
  return !x && !y;
}

void measureEndToEnd(const std::string& movie, const std::string& folder) {
  std::printf("2. the terminal client files a report with the movie; the stand-in runs apart:\n");
  std::fflush(stdout);
  const std::string backendData = folder + "/backend", log = folder + "/client.log";
  Child backend = spawn({VOKARI_BACKEND_BIN, "serve", "--data-dir", backendData, "--ports", "auto"},
                        false, true);
  std::smatch p;
  std::string ports = readLine(backend.out);
  if (!std::regex_search(ports, p,
                         std::regex(R"(general":(\d+),"account":(\d+),"appointment":(\d+),)"
                                    R"("report":(\d+))"))) {
    check(false, "the stand-in did not start: " + ports);
    return;
  }
  const std::string portList = "general=" + p[1].str() + ",account=" + p[2].str() +
                               ",appointment=" + p[3].str() + ",report=" + p[4].str();
  const double backendStart = statusMb(backend.pid, "VmRSS");
  Child client = spawn({VOKARI_BIN, "--data-dir", folder + "/client", "--host", "127.0.0.1",
                        "--ports", portList, "--script", "-"},
                       true, false, log);
  send(client,
       "expect 登录\npress 注册\ntype 请输入手机号 13800000011\ntype 请输入密码 secret11\n"
       "press 下一步\nsettle\nwait 1\nexpect 完成注册\n");
  std::string sms = readLine(backend.out);  // "sms: PHONE TEXT" with the code in the text
  std::smatch code;
  std::regex_search(sms, code, std::regex("验证码是(\\d+)"));
  send(client, "type 请输入短信验证码 " + code[1].str() +
                   "\ntype 姓名 张三\ntype 身份证 11010519491231002X\npress 完成\nsettle\n"
                   "expect 安装协议\npress 同意\nsettle\nexpect LanzoVokari\n"
                   "press 有奖举报\npress 举报\nexpect 添加附件\n"
                   "type 姓名 王五\ntype 身份证(领取奖励的重要凭证) 11010119900307123X\n"
                   "type 电话号码 13800000011\nhelp\n");
  waitFor(log, "commands:", 30);
  // Idle: both sides have served the sign-up and the client shows the report form.
  const double clientIdle = statusMb(client.pid, "VmRSS");
  const double backendIdle = statusMb(backend.pid, "VmRSS");
  auto started = std::chrono::steady_clock::now();
  send(client, "press +\nalert 录像\nattach " + movie +
                   "\nsettle\npress 提交\nsettle\nexpect 请记录\nquit\n");
  ::close(client.in);
  int status = 0;
  rusage usage{};
  ::wait4(client.pid, &status, 0, &usage);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const double clientPeak = usage.ru_maxrss / 1024.0;
  const double backendPeak = statusMb(backend.pid, "VmHWM");
  ::kill(backend.pid, SIGTERM);
  ::waitpid(backend.pid, nullptr, 0);
  const std::string said = fileText(log);
  const bool filed = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                     said.find("alert: 请记录") != std::string::npos;
  std::printf("  filed in %.1f s: %s\n", seconds,
              filed ? "yes"
                    : (said.find("上传失败") != std::string::npos ? "no, 上传失败"
                                                                  : "no (see client.log)"));
  std::printf("  client:   idle %.1f MB, peak %.1f MB, growth %.1f MB\n", clientIdle, clientPeak,
              clientPeak - clientIdle);
  std::printf("  stand-in: at start %.1f MB, idle %.1f MB, peak %.1f MB, growth %.1f MB\n",
              backendStart, backendIdle, backendPeak, backendPeak - backendIdle);
  check(filed, "the report with the movie is filed");
  check(clientPeak - clientIdle < kMovieBoundMb, "client growth under 64 MB");
  check(backendPeak - backendIdle < kMovieBoundMb, "stand-in growth under 64 MB");
  // The stand-in lists each report with the paths of its stored files.
  std::string listing = folder + "/reports.txt";
  std::system(("'" + std::string(VOKARI_BACKEND_BIN) + "' reports --data-dir '" + backendData +
               "' > '" + listing + "'")
                  .c_str());
  std::smatch stored;
  std::string reports = fileText(listing);
  bool same = std::regex_search(reports, stored, std::regex(R"((/[^,\s]+))")) &&
              sameBytes(stored[1].str(), movie);
  check(same, "the stored file equals the source");
}

// --- 3. thumbnails ---------------------------------------------------------------------------

struct Cost {
  double megabytes = 0;
  double seconds = 0;
  bool ok = false;
};

// Runs the work in a fresh child and answers its peak growth over its size before the work.
template <typename Work>
Cost inChild(Work work) {
  int ends[2];
  if (::pipe(ends) != 0) std::abort();
  pid_t child = ::fork();
  if (child == 0) {
    Cost cost;
    double before = statusMb(::getpid(), "VmRSS");
    auto start = std::chrono::steady_clock::now();
    cost.ok = work();
    cost.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cost.megabytes = statusMb(::getpid(), "VmHWM") - before;
    if (::write(ends[1], &cost, sizeof cost) != sizeof cost) ::_exit(1);
    ::_exit(0);
  }
  Cost cost;
  if (::read(ends[0], &cost, sizeof cost) != sizeof cost) cost.ok = false;
  ::waitpid(child, nullptr, 0);
  ::close(ends[0]);
  ::close(ends[1]);
  return cost;
}

void measureThumbnails(const std::string& folder) {
  std::printf("3. thumbnails of 80 x 80 (each in a fresh process):\n");
  std::fflush(stdout);
  const std::string jpeg = folder + "/48mp.jpg", strip = folder + "/strip.png",
                    small = folder + "/small.png";
  inChild([&] {  // the pictures are made apart, so their making weighs on no measurement
    Image photo = testing::quadrants(8000, 6000);
    std::ofstream(jpeg, std::ios::binary) << *encodeJpeg(photo, 90);
    Image tall = Image::filled(1, 100000, testing::kGreen);
    std::ofstream(strip, std::ios::binary) << testing::encodePng(tall);
    std::ofstream(small, std::ios::binary) << testing::encodePng(testing::quadrants(100, 100));
    return true;
  });
  auto thumbnail = [](const std::string& path) {
    return [path] { return pictureThumbnail(path, 80, 80).has_value(); };
  };
  Cost full = inChild([&] { return decodeImageFile(jpeg).has_value(); });
  Cost upload = inChild([&] {  // what an attachment stores: the whole picture, recompressed
    auto image = decodeImageFile(jpeg);
    return image && encodeJpeg(*image, 1).has_value();
  });
  Cost photo = inChild(thumbnail(jpeg));
  Cost baseline = inChild(thumbnail(small));
  Cost tall = inChild(thumbnail(strip));
  std::printf("  48 MP JPEG, full decode (baseline): %6.1f MB %6.3f s\n", full.megabytes,
              full.seconds);
  std::printf(
      "  48 MP JPEG, thumbnail:              %6.1f MB %6.3f s (%.3f, %.3f of the "
      "baseline)\n",
      photo.megabytes, photo.seconds, photo.megabytes / full.megabytes,
      photo.seconds / full.seconds);
  std::printf("  48 MP JPEG, upload conversion:      %6.1f MB %6.3f s (no bound; for the note)\n",
              upload.megabytes, upload.seconds);
  std::printf("  100 x 100 PNG, thumbnail (baseline): %5.1f MB %6.3f s\n", baseline.megabytes,
              baseline.seconds);
  std::printf(
      "  1 x 100,000 PNG, thumbnail:          %5.1f MB %6.3f s (%.1fx, %.1fx the "
      "baseline)\n",
      tall.megabytes, tall.seconds, tall.megabytes / std::max(baseline.megabytes, 0.1),
      tall.seconds / std::max(baseline.seconds, 1e-6));
  check(photo.ok && photo.megabytes < kThumbnailBoundMb && photo.seconds < kThumbnailBoundSeconds,
        "48 MP JPEG thumbnail under 100 MB and 1 s");
  check(tall.ok && tall.megabytes < kThumbnailBoundMb && tall.seconds < kThumbnailBoundSeconds,
        "1 x 100,000 PNG thumbnail under 100 MB and 1 s");
}

// --- 4. the main thread while a photo is attached -----------------------------------------

void measureAttaching(const std::string& folder) {
  std::printf("4. attaching the 48 MP JPEG, main thread's time:\n");
  std::fflush(stdout);
  const std::string jpeg = folder + "/48mp.jpg";
  const PickedMedia media{PickedKind::Picture, jpeg};
  auto seconds = [](auto since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
  };
  double before = 0, handOff = 0, delivery = 0, total = 0;
  inChild([&] {
    RealRunLoop loop;
    Platform platform;
    platform.loop = &loop;
    Platform::install(&platform);
    auto start = std::chrono::steady_clock::now();
    CancelToken never(std::make_shared<std::atomic<bool>>(false));
    bool ok = convertAttachment(media, folder, loop.wallClock(), never).attachment.has_value();
    before = seconds(start);
    Background worker(loop);
    platform.background = &worker;
    start = std::chrono::steady_clock::now();
    BackgroundTask task = Background::start<Converted>(
        [&](const CancelToken& cancel) {
          return convertAttachment(media, folder, loop.wallClock(), cancel);
        },
        [&](Converted& converted) {
          auto at = std::chrono::steady_clock::now();
          ok = ok && converted.attachment.has_value();
          delivery = seconds(at);
        });
    handOff = seconds(start);
    ok = loop.runUntil([&] { return worker.pending() == 0; }, 60) && ok;
    total = seconds(start);
    std::printf("  on the main thread (baseline):  %8.4f s\n", before);
    std::printf(
        "  handed to the worker:           %8.6f s (hand-off) + %.6f s (delivery), "
        "%.5f of the baseline; done after %.3f s\n",
        handOff, delivery, (handOff + delivery) / before, total);
    std::fflush(stdout);
    Platform::install(nullptr);
    return ok;
  });
}

}  // namespace

// --- 5. converting phone photos of every size -------------------------------------------

constexpr double kConversionBoundMb = 200;
constexpr double kBombBoundSeconds = 1;

void measureConversions(const std::string& folder) {
  std::printf("5. a picture attached (stored JPEG and thumbnail), each in a fresh process:\n");
  std::fflush(stdout);
  struct Photo {
    const char* name;
    int width, height;
    bool progressive;
  };
  const Photo photos[] = {
      {"12 MP JPEG (baseline)", 4000, 3000, false},
      {"48 MP JPEG", 8000, 6000, false},
      {"108 MP JPEG", 12000, 9000, false},
      {"200 MP JPEG", 16320, 12240, false},
      {"12 MP progressive JPEG", 4000, 3000, true},
      {"progressive 20,000 x 20,000 declared in a few hundred bytes", 0, 0, true}};
  Cost baseline;
  for (const Photo& photo : photos) {
    const std::string path = folder + "/photo.jpg";
    inChild([&] {
      std::ofstream(path, std::ios::binary)
          << (photo.width ? testing::greyJpeg(photo.width, photo.height, photo.progressive)
                          : testing::jpegDeclaring(testing::greyJpeg(16, 16, true), 20000, 20000));
      return true;
    });
    Cost cost = inChild([&] {
      CancelToken never(std::make_shared<std::atomic<bool>>(false));
      auto attachment = convertAttachment({PickedKind::Picture, path}, folder,
                                          std::chrono::system_clock::now(), never)
                            .attachment;
      if (attachment) std::filesystem::remove(attachment->path);
      return attachment.has_value();
    });
    if (&photo == &photos[0]) baseline = cost;
    std::printf("  %-60s %s %6.1f MB %6.3f s (%.2fx, %.2fx the baseline)\n", photo.name,
                cost.ok ? "taken  " : "refused", cost.megabytes, cost.seconds,
                cost.megabytes / std::max(baseline.megabytes, 0.1),
                cost.seconds / std::max(baseline.seconds, 1e-6));
    check(cost.megabytes < kConversionBoundMb, std::string(photo.name) + " converts within 200 MB");
    if (!photo.width)
      check(!cost.ok && cost.seconds < kBombBoundSeconds, "the bomb is refused within 1 s");
    else
      check(cost.ok, std::string(photo.name) + " is taken");
  }
}

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 200;
  const std::string folder = std::filesystem::temp_directory_path() /
                             ("vokari-upload-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string movie = folder + "/movie.mov";
  std::signal(SIGPIPE, SIG_IGN);  // a client that ended early fails its check, not the bench
  std::printf("load average: %s", fileText("/proc/loadavg").c_str());
  std::fflush(stdout);
  inChild([&] { return testing::writeLargeVideo(movie, static_cast<std::uint64_t>(megabytes)); });
  std::printf("a movie of %.1f MB\n", std::filesystem::file_size(movie) / 1048576.0);
  measureBody(movie, megabytes);
  measureEndToEnd(movie, folder);
  measureThumbnails(folder);
  measureAttaching(folder);
  measureConversions(folder);
  std::filesystem::remove_all(folder);
  std::printf(allHeld ? "every bound holds\n" : "a bound does not hold\n");
  return allHeld ? 0 : 1;
}
