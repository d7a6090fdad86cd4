#include "appointments/QueryCell.h"

#include <cstdio>

#include "appointments/BookingRecord.h"

namespace vokari {

QueryCell QueryCell::make(int index, const nlohmann::json& record) {
  char serial[16];
  std::snprintf(serial, sizeof serial, "%04d", index);
  return {serial, recordText(record, "bookid"), recordText(record, "name")};
}

ui::TableRowModel QueryCell::row() const {
  ui::TableRowModel model;
  model.text = lbNum;
  model.detail = lbName + "  " + lbBookid;
  model.disclosure = true;
  return model;
}

}  // namespace vokari
