#include "ui/Ui.h"

#include <cassert>

namespace vokari::ui {
namespace {
Ui* installed = nullptr;
}

Ui& Ui::current() {
  assert(installed && "no toolkit installed");
  return *installed;
}

void Ui::install(Ui* ui) { installed = ui; }

bool Ui::isInstalled(const Ui* ui) { return installed == ui; }

Toolkit::Toolkit(RunLoop& loop, Screens& screens) : navigator(loop), hud(loop), alerts(loop) {
  ui = Ui{&navigator, &hud, &alerts, &screens};
  Ui::install(&ui);
}

Toolkit::~Toolkit() {
  if (Ui::isInstalled(&ui)) Ui::install(nullptr);
}

}  // namespace vokari::ui
