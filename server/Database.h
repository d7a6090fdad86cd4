#pragma once
// A thin owner of one SQLite connection. Every value travels as a bound parameter.
// Errors throw std::runtime_error; the services turn them into their failure codes.
// Statements are prepared once per text and kept, since the services repeat a few dozen texts.

#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "Backend.h"

struct sqlite3;
struct sqlite3_stmt;

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
  struct Prepared;
  Prepared statement(std::string_view sql);
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };

  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*, TextHash, std::equal_to<>> statements_;
};

}  // namespace vokari_backend
