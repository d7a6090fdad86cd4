#pragma once
// The toolkit a screen reaches: the window's navigator, the progress overlay, the alerts and the
// screen factory. Installed once by whoever starts the application (the terminal or a test).

#include "ui/Alerts.h"
#include "ui/Hud.h"
#include "ui/Navigator.h"
#include "ui/Screens.h"

namespace vokari::ui {

struct Ui {
  Navigator* navigator = nullptr;
  Hud* hud = nullptr;
  Alerts* alerts = nullptr;
  Screens* screens = nullptr;

  static Ui& current();
  static bool isInstalled(const Ui* ui);
  static void install(Ui* ui);
};

// The toolkit on one run loop, owning its parts; installs itself for its lifetime.
class Toolkit final {
 public:
  Toolkit(RunLoop& loop, Screens& screens);
  ~Toolkit();
  Toolkit(const Toolkit&) = delete;
  Toolkit& operator=(const Toolkit&) = delete;

  Navigator navigator;
  Hud hud;
  Alerts alerts;
  Ui ui;
};

}  // namespace vokari::ui
