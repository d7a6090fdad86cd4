// vokari-gui: the graphical, phone-shaped client. Starts the stand-in services inside the
// process (unless --host names real ones), runs the application's start-up and draws the top
// screen's view model with Qt Quick.

#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QQuickWindow>
#include <clocale>
#include <cstdlib>
#include <iostream>

#include "GuiClient.h"
#include "Options.h"

using namespace vokari;

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  auto parsed = client::parseOptions(argc, argv, client::Program::Gui);
  if (!parsed.ok()) {
    std::cerr << "vokari-gui: " << parsed.status.message() << "\n"
              << client::usage(client::Program::Gui);
    return 2;
  }
  const client::Options& options = *parsed.value;
  if (options.help) {
    std::cout << client::usage(client::Program::Gui);
    return 0;
  }
  QGuiApplication qtApp(argc, argv);
  std::setlocale(LC_NUMERIC, "C");  // Qt sets the locale; the core's number texts want C
  QGuiApplication::setApplicationName("Vokari");
  QGuiApplication::setFont(QFont(gui::kUiFont));
  auto made = gui::GuiClient::create(options);
  if (!made.ok()) {
    std::cerr << "vokari-gui: " << made.status.message() << "\n";
    return 1;
  }
  gui::GuiClient& client = *made.value;
  if (std::getenv("VOKARI_STARTUP_TIMING")) {
    QObject::connect(
        client.window(), &QQuickWindow::frameSwapped, &qtApp,
        [&client, &sinceStart] {
          static bool told = false;
          if (!told && client.firstFrameMs()) {
            told = true;
            std::cerr << "vokari-gui: first frame " << sinceStart.elapsed() << " ms after start ("
                      << *client.firstFrameMs() << " ms composing services, application, window)\n";
          }
        },
        Qt::QueuedConnection);
  }
  return QGuiApplication::exec();
}
