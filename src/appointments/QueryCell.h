#pragma once
// One row of the booking list: its serial from 0 written "%04d", the booking number and the
// booked person.

#include <string>

#include <nlohmann/json.hpp>

#include "ui/Widgets.h"

namespace vokari {

struct QueryCell {
  std::string lbNum;
  std::string lbBookid;
  std::string lbName;

  // The cell of the detail record at the position (from 0) of the list.
  static QueryCell make(int index, const nlohmann::json& record);
  // Drawn in the column order of the list: serial, name, booking number, then the detail mark.
  ui::TableRowModel row() const;
};

}  // namespace vokari
