#pragma once
// What an operation that makes a value answers: the value, or none and why. Header-only, so
// that the stand-in services report their failures in the same shape.

#include <optional>
#include <utility>

#include "Status.h"

namespace vokari {

template <typename T>
struct Result {
  std::optional<T> value;
  Status status = Status::success();  // a failure exactly when value is empty
  bool ok() const { return value.has_value(); }
};

}  // namespace vokari
