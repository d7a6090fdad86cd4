#pragma once
// What every screen does when the appointment service answers "6" (the account is no longer
// valid there): tell the user, sign out, and show the login screen. Main thread only.

#include "ui/Screen.h"

namespace vokari {

// Shows the error "账号异常" for 0.8 s, signs the account out and presents the login screen in
// a new navigation stack over `from`.
void accountAnomaly(ui::Screen& from);

}  // namespace vokari
