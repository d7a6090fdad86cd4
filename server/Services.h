#pragma once
// The routes of each of the four services.

#include <httplib.h>

#include "Store.h"

namespace vokari_backend {

void addGeneralService(httplib::Server& server, Store& store);
void addAccountService(httplib::Server& server, Store& store);
void addAppointmentService(httplib::Server& server, Store& store);
void addReportService(httplib::Server& server, Store& store);

}  // namespace vokari_backend
