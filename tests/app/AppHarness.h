#pragma once
// The application object on the test platform, with a screen factory of the test's choice:
// what every test of the composition root starts from.

#include "app/AppDelegate.h"
#include "app/AppScreens.h"
#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "ui/Driver.h"

namespace vokari::testing {

template <typename Factory = AppScreens>
struct AppHarness {
  TestPlatform platform;
  FakeHttpEngine engine;
  Factory screens;
  ui::Toolkit toolkit{platform.loop, screens};
  ui::Driver driver{toolkit.ui};
  AppDelegate app;
};

}  // namespace vokari::testing
