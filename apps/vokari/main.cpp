// vokari: the terminal client. Starts the stand-in services inside the process (unless --host
// names real ones), runs the application's start-up and lets a person, or a script, use it.

#include <poll.h>
#include <unistd.h>

#include <clocale>
#include <fstream>
#include <iostream>

#include "App.h"
#include "Options.h"
#include "Session.h"
#include "transport/HttpRequest.h"

using namespace vokari;
using namespace vokari::terminal;
using vokari::client::App;

namespace {

SessionTargets sessionTargets(App& app, Clockwork& clock) {
  SessionTargets t;
  t.clock = &clock;
  t.ui = &app.ui();
  t.location = &app.location();
  t.reachability = &app.reachability();
  t.network = &app.network();
  t.enterForeground = [&app] { app.delegate().applicationWillEnterForeground(); };
  t.becomeActive = [&app] { app.delegate().applicationDidBecomeActive(); };
  t.urls = &app.urls();
  t.picker = &app.picker();
  t.deliverToken = [&app](const std::string& bytes) {
    app.delegate().didRegisterForRemoteNotificationsWithDeviceToken(bytes);
  };
  t.deliverNotification = [&app](const std::string& text) {
    app.delegate().didReceiveRemoteNotification({{"aps", {{"alert", text}}}});
  };
  t.requestsInFlight = [] { return HttpRequest::inFlight(); };
  t.backgroundTasks = [&app] { return app.background().pending(); };
  return t;
}

bool readyToRead(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeoutMs) > 0;
}

// Script mode: one command a line; a failing command ends the run with its status.
int runScript(Session& session, std::istream& in) {
  std::string line;
  while (std::getline(in, line)) {
    switch (session.execute(line)) {
      case Session::Outcome::Quit:
        return 0;
      case Session::Outcome::Error:
        return 2;
      case Session::Outcome::ExpectFailed:
        return 1;
      case Session::Outcome::Continue:
        break;
    }
  }
  return 0;
}

// Interactive mode: the loop keeps running (replies, notices, countdowns) while the person types.
int runInteractive(Session& session, Clockwork& clock) {
  std::cout << "vokari: type help for the commands.\n> " << std::flush;
  std::string line;
  while (true) {
    if (!readyToRead(STDIN_FILENO, 50)) {
      clock.pump();
      session.flush();
      continue;
    }
    if (!std::getline(std::cin, line)) return 0;
    if (session.execute(line) == Session::Outcome::Quit) return 0;
    std::cout << "> " << std::flush;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "C.UTF-8");  // only character classes: numbers and times stay C
  auto parsed = client::parseOptions(argc, argv);
  if (!parsed.ok()) {
    std::cerr << "vokari: " << parsed.status.message() << "\n" << client::usage();
    return 2;
  }
  const client::Options& options = *parsed.value;
  if (options.help) {
    std::cout << client::usage() << Session::helpText();
    return 0;
  }
  bool interactive = !options.script && isatty(STDIN_FILENO);
  auto clock = options.fakeClock ? Clockwork::fake() : Clockwork::real();

  Clockwork* clockwork = clock.get();
  auto made = App::create(options, clock->loop(), [clockwork] { clockwork->pump(); });
  if (!made.ok()) {
    std::cerr << "vokari: " << made.status.message() << "\n";
    return 1;
  }
  App& app = *made.value;
  if (!app.notice().empty()) std::cerr << "vokari: " << app.notice() << "\n";
  Session session(sessionTargets(app, *clock), std::cout, interactive);
  app.onTextMessage = [&](const std::string& phone, const std::string& text,
                          const std::string& code) { session.textMessage(phone, text, code); };
  app.launch();
  session.flush();

  if (interactive) return runInteractive(session, *clock);
  if (!options.script || *options.script == "-") return runScript(session, std::cin);
  std::ifstream file(*options.script);
  if (!file) {
    std::cerr << "vokari: cannot read " << *options.script << "\n";
    return 2;
  }
  return runScript(session, file);
}
