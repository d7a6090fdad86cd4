// Peak memory of the client while it sends one large report attachment (a SaveFile body), once
// streamed from the file and once as a whole text for comparison. Each way runs in a child
// process of its own so that its peak (ru_maxrss) is its own; the receiving server runs in a
// third process and only counts the bytes.
//
//   upload_memory_bench [MEGABYTES]   (default 200)

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include <httplib.h>

#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "reports/SoapEnvelope.h"
#include "transport/HttpRequest.h"

namespace {

using namespace vokari;

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

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 200;
  const std::string path = "/tmp/vokari-upload-memory.mov";
  {
    std::ofstream file(path, std::ios::binary);
    std::mt19937_64 random(7);
    std::string block(1 << 20, '\0');
    for (long i = 0; i < megabytes; ++i) {
      for (auto& byte : block) byte = static_cast<char>(random());
      file.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  pid_t sink = 0;
  int port = startSink(sink);
  std::printf("a SaveFile body for a %ld MB file:\n", megabytes);
  std::fflush(stdout);  // before the children are forked, so they do not print it again
  double streamed = peakMegabytes(port, path, true);
  double whole = peakMegabytes(port, path, false);
  std::printf("peak memory of the client: streamed %.1f MB, whole text %.1f MB (%.3f of it)\n",
              streamed, whole, streamed / whole);
  ::kill(sink, SIGTERM);
  ::waitpid(sink, nullptr, 0);
  std::remove(path.c_str());
}
