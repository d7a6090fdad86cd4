#include "Store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace vokari_backend {
namespace {

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS accounts(
  phone TEXT PRIMARY KEY, password TEXT NOT NULL, name TEXT NOT NULL, card TEXT NOT NULL,
  sex INTEGER NOT NULL, token TEXT NOT NULL, created_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS sms(
  id INTEGER PRIMARY KEY, sent_at TEXT NOT NULL, phone TEXT NOT NULL, code TEXT NOT NULL,
  text TEXT NOT NULL, expires INTEGER NOT NULL, used INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS sms_phone ON sms(phone, id);
CREATE TABLE IF NOT EXISTS code_misses(sms INTEGER PRIMARY KEY REFERENCES sms(id),
  count INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS stations(
  id TEXT PRIMARY KEY, district TEXT NOT NULL, name TEXT NOT NULL, ordinal INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS businesses(id TEXT PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS station_businesses(
  station TEXT NOT NULL, business TEXT NOT NULL, PRIMARY KEY(station, business));
CREATE TABLE IF NOT EXISTS bookings(
  id INTEGER PRIMARY KEY, number TEXT NOT NULL UNIQUE, login TEXT NOT NULL,
  person TEXT NOT NULL, card TEXT NOT NULL, phone TEXT NOT NULL, account_name TEXT NOT NULL,
  station TEXT NOT NULL, station_name TEXT NOT NULL, business TEXT NOT NULL,
  business_name TEXT NOT NULL, day TEXT NOT NULL, slot TEXT NOT NULL, date_text TEXT NOT NULL,
  state TEXT NOT NULL, booked_at TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS bookings_slot ON bookings(station, day, slot);
CREATE TABLE IF NOT EXISTS blacklist(phone TEXT PRIMARY KEY, added_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS news(id INTEGER PRIMARY KEY, time TEXT NOT NULL UNIQUE,
  area INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS stories(news INTEGER NOT NULL REFERENCES news(id),
  idx INTEGER NOT NULL, title TEXT NOT NULL, PRIMARY KEY(news, idx));
CREATE TABLE IF NOT EXISTS story_links(news INTEGER NOT NULL, idx INTEGER NOT NULL,
  picture TEXT NOT NULL, page TEXT NOT NULL, PRIMARY KEY(news, idx));
CREATE TABLE IF NOT EXISTS news_fetches(id INTEGER PRIMARY KEY, received_at TEXT NOT NULL,
  after TEXT NOT NULL, areas TEXT, items INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS positions(
  id INTEGER PRIMARY KEY, alarm_id TEXT NOT NULL, phone TEXT NOT NULL, time TEXT NOT NULL,
  longitude TEXT NOT NULL, latitude TEXT NOT NULL, received_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS tokens(token TEXT PRIMARY KEY, badge TEXT NOT NULL,
  updated_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS feedback(
  id INTEGER PRIMARY KEY, received_at TEXT NOT NULL, phone TEXT NOT NULL, type TEXT NOT NULL,
  agreement TEXT NOT NULL, message TEXT NOT NULL, phone_type TEXT NOT NULL,
  sdk_version TEXT NOT NULL, apk_version TEXT NOT NULL, carrier TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS report_keys(kind TEXT NOT NULL, value TEXT NOT NULL,
  used INTEGER NOT NULL DEFAULT 0, PRIMARY KEY(kind, value));
CREATE TABLE IF NOT EXISTS reports(
  code TEXT PRIMARY KEY, password TEXT NOT NULL, name TEXT NOT NULL, idcard TEXT NOT NULL,
  tel TEXT NOT NULL, content TEXT NOT NULL, state TEXT NOT NULL, filed_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS report_files(
  id INTEGER PRIMARY KEY, code TEXT NOT NULL REFERENCES reports(code), file_name TEXT NOT NULL,
  size INTEGER NOT NULL, path TEXT NOT NULL, saved_at TEXT NOT NULL);
)sql";

std::string preparedFolder(const std::string& dataDir) {
  std::filesystem::create_directories(dataDir);
  ::chmod(dataDir.c_str(), 0700);  // codes and reports are private
  return dataDir;
}

}  // namespace

std::string randomDigits(Call& call, int count) {
  std::uniform_int_distribution<int> digit(0, 9);
  std::string digits;
  for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + digit(call.random));
  return digits;
}

void createPrivateFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd >= 0) ::close(fd);
}

std::string databasePath(const std::string& dataDir) {
  return (std::filesystem::path(dataDir) / "backend.db").string();
}

Store::Store(const std::string& dataDir, Clock clock, SmsHook onSms)
    : dataDir_(preparedFolder(dataDir)),
      clock_(clock ? std::move(clock) : Clock(&std::chrono::system_clock::now)),
      onSms_(std::move(onSms)),
      db_(databasePath(dataDir_), true),
      random_(std::random_device{}()) {
  db_.exec(kSchema);
  transact("", [](Call& call) {
    if (!call.db.row("SELECT 1 FROM stations LIMIT 1")) seed(call);
    return 0;
  });
}

void Store::rollback() noexcept {
  try {
    db_.exec("ROLLBACK");
  } catch (...) {
    // SQLite already rolled back on its own (e.g. a full disk); nothing left to undo.
  }
}

}  // namespace vokari_backend
