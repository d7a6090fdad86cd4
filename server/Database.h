#pragma once
// A thin owner of one SQLite connection. Every value travels as a bound parameter.
// Errors throw std::runtime_error; the services turn them into their failure codes.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Backend.h"

struct sqlite3;

namespace vokari_backend {

using Value = std::variant<std::nullptr_t, long long, std::string>;
using Values = std::vector<Value>;

class Database final {
 public:
  // Opens the file; creates it only when create is true.
  Database(const std::string& path, bool create);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void exec(const char* sql);  // statements without parameters, e.g. the schema
  std::vector<Record> query(std::string_view sql, const Values& params = {});
  // The first row, or nothing.
  std::optional<Record> row(std::string_view sql, const Values& params = {});
  // Runs one statement; returns the number of rows changed.
  int run(std::string_view sql, const Values& params = {});
  long long lastId() const;

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace vokari_backend
