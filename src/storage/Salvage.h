#pragma once
// Mending a database SQLite calls damaged, before anything of it is set aside: damaged indexes
// are rebuilt in place; otherwise every row that can still be read is copied into a fresh file.
// Main thread only.

#include <string>
#include <vector>

#include "platform/Result.h"
#include "storage/Sqlite.h"

namespace vokari {

// Rebuilds the indexes when every row of the tables can still be read, so that the damage SQLite
// found can only be in them (their pages are left behind and the file written anew); true when
// the database is sound afterwards.
bool rebuildDamagedIndexes(SqliteDatabase& db, const std::vector<std::string>& tables);

// Copies every readable row of the tables, read in rowid order and past pages that cannot be
// read, from `damaged` into the new file `fresh`, which is made with the create statements. Each
// row keeps its rowid (the tables' tableid) and sqlite_sequence is carried over, so that ids
// handed out stay unique. Answers how many stretches of rows could not be read, or why the copy
// failed (then `fresh` is removed).
Result<std::size_t> salvageRows(const std::string& damaged, const std::string& fresh,
                                const std::vector<std::string>& createStatements,
                                const std::vector<std::string>& tables);

}  // namespace vokari
