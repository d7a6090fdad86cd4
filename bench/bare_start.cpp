// The start-up baseline: a C++ program that links what any client of these services needs at
// least (libcurl, SQLite, ICU), initialises each, and exits.

#include <curl/curl.h>
#include <sqlite3.h>
#include <unicode/uchar.h>

int main() {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_close(db);
  const bool han = u_hasBinaryProperty(0x8b66, UCHAR_IDEOGRAPHIC);
  curl_global_cleanup();
  return han ? 0 : 1;
}
