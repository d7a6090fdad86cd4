// The general service: alarm positions, news, push tokens, feedback and the phone change.
// Replies "SUCCESS" or "FAIL", except the phone change, which answers "1" or "0".

#include <cstdlib>

#include "Accounts.h"
#include "Catalog.h"
#include "Http.h"
#include "News.h"
#include "Services.h"

namespace vokari_backend {
namespace {

const Json kSuccess = states("SUCCESS");

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end; (end = text.find(separator, start)) != std::string::npos;
       start = end + separator.size()) {
    parts.push_back(text.substr(start, end - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

bool isDecimal(const std::string& text) {
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return !text.empty() && end == text.c_str() + text.size();
}

struct Position {
  std::string time, alarmId, phone, longitude, latitude;
};

// time β 0 β 0 β 1 β alarm id β 1 β phone β ll=<longitude>|<latitude>, β being U+03B2.
std::optional<Position> parseSos(const std::string& sos) {
  auto fields = split(sos, "\xCE\xB2");
  if (fields.size() != 8 || fields[1] != "0" || fields[2] != "0" || fields[3] != "1" ||
      fields[5] != "1" || !fields[7].starts_with("ll=")) {
    return std::nullopt;
  }
  auto lonLat = split(fields[7].substr(3), "|");
  bool valid = isTimeText(fields[0]) && !fields[4].empty() && !fields[6].empty() &&
               lonLat.size() == 2 && isDecimal(lonLat[0]) && isDecimal(lonLat[1]);
  if (!valid) return std::nullopt;
  return Position{fields[0], fields[4], fields[6], lonLat[0], lonLat[1]};
}

// Replies are not read by the client; the header named after the request URL is accepted
// whatever its form, so only the body decides.
Json sosForIOS(const Json& body, Call& call) {
  auto position = parseSos(text(body, "SOS"));
  if (!position) throw BadInput("SOS");
  call.db.run(
      "INSERT INTO positions(alarm_id, phone, time, longitude, latitude, received_at) "
      "VALUES (?, ?, ?, ?, ?, ?)",
      {position->alarmId, position->phone, position->time, position->longitude, position->latitude,
       timeText(call.now)});
  return kSuccess;
}

// "2,3,11": area numbers 2..11 separated by commas; "" subscribes to none.
bool isAreaList(const std::string& areas) {
  if (areas.empty()) return true;
  for (const std::string& area : split(areas, ",")) {
    bool digits = !area.empty() && area.size() <= 2 &&
                  area.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stoi(area) < kFirstArea || std::stoi(area) > kLastArea) return false;
  }
  return true;
}

// Items a piece of the news reply holds: a few hundred KB of text, whatever the list's length.
constexpr int kNewsPage = 256;

// The reply is {"NEWS_LIST":[...],"STATES":"SUCCESS"}, keys in the order a JSON object writes
// them, its items read a page at a time while it goes out: a long list is never held whole.
BodyPieces getNewsForIos(const Json& body, Call& call, Store& store) {
  std::string after = text(body, "TIME");
  std::optional<std::string> areas;
  if (body.contains("CODE")) areas = text(body, "CODE");
  if ((!after.empty() && !isTimeText(after)) || (areas && !isAreaList(*areas))) {
    throw BadInput("TIME or CODE");
  }
  // Kept so that an operator (and the tests) can see what each client asked from.
  call.db.run("INSERT INTO news_fetches(received_at, after, areas, items) VALUES (?, ?, ?, ?)",
              {timeText(call.now), after, areas ? Value(*areas) : Value(nullptr),
               newsCount(call, after, areas)});
  enum class Next { Head, Items, Done };
  return [&store, origin = call.origin, after, areas, before = std::string(),
          next = Next::Head]() mutable -> std::string {
    if (next == Next::Head) {
      next = Next::Items;
      return R"({"NEWS_LIST":[)";
    }
    if (next == Next::Done) return "";
    Json page = store.transact(
        origin, [&](Call& call) { return newsPage(call, after, before, areas, kNewsPage); });
    std::string piece;
    for (const Json& item : page) {
      if (!before.empty() || !piece.empty()) piece += ',';
      piece += item.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
    if (page.size() < static_cast<size_t>(kNewsPage)) {
      next = Next::Done;
      return piece + R"(],"STATES":"SUCCESS"})";
    }
    before = page.back()["time"].get<std::string>();
    return piece;
  };
}

Json getToken(const Json& body, Call& call) {
  std::string token = text(body, "TOKEN");
  if (token.empty()) throw BadInput("TOKEN");
  call.db.run(
      "INSERT INTO tokens(token, badge, updated_at) VALUES (?, ?, ?) "
      "ON CONFLICT(token) DO UPDATE SET badge = excluded.badge, updated_at = excluded.updated_at",
      {token, text(body, "NUM"), timeText(call.now)});
  return kSuccess;
}

Json getClientInformation(const Json& body, Call& call) {
  std::string message = text(body, "MESSAGE");
  if (message.empty()) throw BadInput("MESSAGE");
  call.db.run(
      "INSERT INTO feedback(received_at, phone, type, agreement, message, phone_type, "
      "sdk_version, apk_version, carrier) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {timeText(call.now), optionalText(body, "PHONE_NUMBER"), text(body, "TYPE"),
       optionalText(body, "APK_AGREEMENT"), message, optionalText(body, "PHONE_TYPE"),
       optionalText(body, "SDK_VERSION"), optionalText(body, "APK_VERSION"),
       optionalText(body, "MOBILE_IMEI")});
  return kSuccess;
}

// The code was sent to the new number; the account, with its bookings, moves there.
Json changePhonenumber(const Json& body, Call& call) {
  std::string oldPhone = text(body, "OLD_PHONE_NUMBER");
  std::string newPhone = text(body, "NEW_PHONE_NUMBER");
  std::string password = text(body, "PASSWORD");
  std::string code = text(body, "CODE");
  bool valid = isPhoneNumber(newPhone) && passwordMatches(call, oldPhone, password) &&
               !accountExists(call, newPhone) && takeCode(call, newPhone, code);
  if (!valid) return states("0");
  call.db.run("UPDATE accounts SET phone = ? WHERE phone = ?", {newPhone, oldPhone});
  call.db.run("UPDATE bookings SET login = ? WHERE login = ?", {newPhone, oldPhone});
  return states("1");
}

}  // namespace

void addGeneralService(Server& server, Store& store) {
  JsonService service(server, store, "/serverAgent!", "FAIL");
  // An alarm is never turned away for load.
  service.add("sosForIOS", sosForIOS, {.vital = true});
  service.addStreamed("getNewsForIos", getNewsForIos);
  service.add("getToken", getToken);
  service.add("getClientInformation", getClientInformation, {.bodyLimit = kFeedbackBodyLimit});
  service.add("changePhonenumber", "0", changePhonenumber);
  serveNewsMedia(server, store);
}

}  // namespace vokari_backend
