#pragma once
// The routes of each of the four services.

#include "Http.h"

#include "Store.h"

namespace vokari_backend {

void addGeneralService(Server& server, Store& store);
void addAccountService(Server& server, Store& store);
void addAppointmentService(Server& server, Store& store);
void addReportService(Server& server, Store& store);

}  // namespace vokari_backend
