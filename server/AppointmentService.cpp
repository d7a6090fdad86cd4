// The appointment service: login and personal information, stations, business types,
// slots and bookings. Every call but login answers "6" unless it carries a matching
// LOGIN_NAME and PASSWORD; "0" is the failure for anything malformed.

#include <cstdint>
#include <cstdio>
#include <map>
#include <utility>

#include "Accounts.h"
#include "Catalog.h"
#include "Http.h"
#include "Services.h"

namespace vokari_backend {
namespace {

using AccountAction = std::function<Json(const Json& body, Call& call, const std::string& login)>;

JsonAction signedIn(AccountAction action) {
  return [action](const Json& body, Call& call) {
    std::string login, password;
    try {
      login = text(body, "LOGIN_NAME");
      password = text(body, "PASSWORD");
    } catch (const BadInput&) {
      return states("6");  // no account named is no valid account either
    }
    return passwordMatches(call, login, password) ? action(body, call, login) : states("6");
  };
}

Json login(const Json& body, Call& call) {
  return states(passwordMatches(call, text(body, "LOGIN_NAME"), text(body, "PASSWORD")) ? "1"
                                                                                        : "2");
}

Json findInformation(const Json&, Call& call, const std::string& login) {
  Json reply = states("1");
  reply["USER_LIST"] = toJson(call.db.query(
      "SELECT name AS schedule_name, card AS schedule_card_number, "
      "CAST(sex AS TEXT) AS schedule_sex, phone AS schedule_phone "
      "FROM accounts WHERE phone = ? AND name <> ''",
      {login}));
  return reply;
}

Json saveInfomation(const Json& body, Call& call, const std::string& login) {
  std::string card = text(body, "SF_CODE");
  if (!isIdentityNumber(card)) return states("0");
  call.db.run("UPDATE accounts SET card = ?, sex = ? WHERE phone = ?",
              {card, static_cast<long long>(sexOfIdentityNumber(card)), login});
  return states("1");
}

Json findStation(const Json& body, Call& call, const std::string&) {
  optionalText(body, "TIME");  // a fixed text the client sends; it selects nothing
  Json reply = states("1");
  for (const District& district : kDistricts) {
    reply[std::string(district.listKey)] = toJson(call.db.query(
        "SELECT name AS schedule_type, id AS schedule_type_id, CAST(ordinal AS TEXT) AS number "
        "FROM stations WHERE district = ? ORDER BY ordinal",
        {std::string(district.listKey)}));
  }
  return reply;
}

bool stationExists(Call& call, const std::string& station) {
  return call.db.row("SELECT 1 FROM stations WHERE id = ?", {station}).has_value();
}

Json findType(const Json& body, Call& call, const std::string&) {
  std::string station = identifier(body, "STATION");
  optionalText(body, "TIME");
  if (!stationExists(call, station)) return states("0");
  Json reply = states("1");
  reply["USER_LIST"] = toJson(call.db.query(
      "SELECT b.id, b.name FROM station_businesses sb JOIN businesses b ON b.id = sb.business "
      "WHERE sb.station = ? ORDER BY b.id",
      {station}));
  return reply;
}

// Places a station offers in one slot of any day: a fixed spread from 0 to 5 over its
// slots, the same every day, so that a script can rely on it.
int capacity(const std::string& station, const std::string& slot) {
  std::uint32_t hash = 2166136261u;
  for (char c : station + "|" + slot) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  }
  return static_cast<int>(hash % 6);
}

// Bookings still to be attended: booked, not cancelled, and not on a day gone by.
const char* const kActive = "state = '1' AND day >= ?";

int remaining(Call& call, const std::string& station, const std::string& day,
              const std::string& slot) {
  auto taken = call.db.row(std::string("SELECT count(*) AS n FROM bookings WHERE ") + kActive +
                               " AND station = ? AND day = ? AND slot = ?",
                           {dayText(call.now), station, day, slot});
  return capacity(station, slot) - std::stoi((*taken)["n"]);
}

// Places taken in every slot of a station from today on, by day and slot: one query for the
// whole table of days rather than one per slot.
std::map<std::pair<std::string, std::string>, int> takenAt(Call& call, const std::string& station) {
  std::map<std::pair<std::string, std::string>, int> taken;
  for (const Record& row : call.db.query(std::string("SELECT day, slot, count(*) AS n FROM "
                                                     "bookings WHERE ") +
                                             kActive + " AND station = ? GROUP BY day, slot",
                                         {dayText(call.now), station})) {
    taken[{row["day"], row["slot"]}] = std::stoi(row["n"]);
  }
  return taken;
}

Json findTime(const Json& body, Call& call, const std::string&) {
  std::string station = identifier(body, "POLICE_STATION");
  if (!stationExists(call, station)) return states("0");
  auto taken = takenAt(call, station);
  Json reply = states("1");
  reply["DATE"] = Json::array();
  for (int day = 1; day <= kBookingDays; ++day) {
    std::string dayName = dayText(call.now, day);
    Json slots = Json::array();
    for (size_t i = 0; i < kSlotHours.size(); ++i) {
      std::string slot = std::to_string(i + 1);
      int places = capacity(station, slot) - taken[{dayName, slot}];
      slots.push_back({{"dic_list_id", slot},
                       {"dic_list_desc", kSlotHours[i]},
                       {"yyl", std::to_string(places)}});
    }
    reply["DATE"].push_back({{"DAY", dayName}, {"TIME", std::move(slots)}});
  }
  return reply;
}

struct Booking {
  std::string business, station, dateText, slot, phone, accountName, person, card;
  std::string day() const { return dateText.substr(0, dateText.find(' ')); }
};

Booking bookingOf(const Json& body) {
  text(body, "schedule_type_name");  // the service keeps its own names for these two
  text(body, "schedule_address_name");
  return {identifier(body, "schedule_type_id"),  identifier(body, "schedule_address_id"),
          text(body, "schedule_date"),           identifier(body, "schedule_date_dual"),
          optionalText(body, "schedule_other_phone"), optionalText(body, "name"),
          text(body, "schedule_name"),           text(body, "schedule_card_number")};
}

// The day must be one the service offers, and the text must read "<day> <hours of slot>".
bool isOffered(Call& call, const Booking& booking) {
  int slot = booking.slot.size() == 1 ? booking.slot[0] - '0' : 0;
  if (slot < 1 || slot > static_cast<int>(kSlotHours.size())) return false;
  bool dayOffered = false;
  for (int day = 1; day <= kBookingDays; ++day) dayOffered |= booking.day() == dayText(call.now, day);
  return dayOffered && booking.dateText == booking.day() + " " + std::string(kSlotHours[slot - 1]);
}

bool hasActive(Call& call, const std::string& condition, Values params) {
  params.insert(params.begin(), dayText(call.now));
  return call.db.row(std::string("SELECT 1 FROM bookings WHERE ") + kActive + " AND " + condition,
                     params)
      .has_value();
}

std::string bookingNumber(Call& call) {
  auto next = call.db.row("SELECT coalesce(max(id), 0) + 1 AS n FROM bookings");
  char number[32];
  std::snprintf(number, sizeof number, "%04lld", std::stoll((*next)["n"]));
  std::string day = dayText(call.now);
  return day.substr(0, 4) + day.substr(5, 2) + day.substr(8, 2) + number;
}

Json commitSchedule(const Json& body, Call& call, const std::string& login) {
  Booking b = bookingOf(body);
  auto names = call.db.row(
      "SELECT s.name AS station, b.name AS business FROM station_businesses sb "
      "JOIN stations s ON s.id = sb.station JOIN businesses b ON b.id = sb.business "
      "WHERE sb.station = ? AND sb.business = ?",
      {b.station, b.business});
  if (!names || !isOffered(call, b) || b.person.empty() || !isIdentityNumber(b.card)) {
    return states("0");
  }
  if (call.db.row("SELECT 1 FROM blacklist WHERE phone IN (?, ?)", {login, b.phone})) {
    return states("4");
  }
  if (hasActive(call, "card = ? AND day = ? AND slot = ?", {b.card, b.day(), b.slot})) {
    return states("3");
  }
  if (hasActive(call, "card = ? AND business = ?", {b.card, b.business})) return states("7");
  if (remaining(call, b.station, b.day(), b.slot) <= 0) return states("2");
  std::string number = bookingNumber(call);
  call.db.run(
      "INSERT INTO bookings(number, login, person, card, phone, account_name, station, "
      "station_name, business, business_name, day, slot, date_text, state, booked_at) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '1', ?)",
      {number, login, b.person, b.card, b.phone, b.accountName, b.station, (*names)["station"],
       b.business, (*names)["business"], b.day(), b.slot, b.dateText, timeText(call.now)});
  Json reply = states("1");
  reply["YYNUM"] = number;
  return reply;
}

Json cannelSchedule(const Json& body, Call& call, const std::string& login) {
  int changed = call.db.run(
      std::string("UPDATE bookings SET state = '3' WHERE ") + kActive +
          " AND number = ? AND login = ?",
      {dayText(call.now), identifier(body, "ID"), login});
  return states(changed == 1 ? "1" : "0");
}

// "name" carries the booked person's phone: the client shows it on the phone line.
// A booking whose day went by unattended reads as "4".
Json selectScheduleInfo(const Json&, Call& call, const std::string& login) {
  Json reply = states("1");
  reply["USER_LIST"] = toJson(call.db.query(
      "SELECT number AS schedule_id, person AS schedule_name, card AS schedule_card_number, "
      "business_name AS schedule_type_name, station_name AS schedule_address_name, "
      "day AS schedule_date, slot AS schedule_date_dual, phone AS name, "
      "CASE WHEN state = '1' AND day < ? THEN '4' ELSE state END AS statu "
      "FROM bookings WHERE login = ? ORDER BY id DESC",
      {dayText(call.now), login}));
  return reply;
}

}  // namespace

void addAppointmentService(Server& server, Store& store) {
  JsonService service(server, store, "/wsyy/sysManager/rkyyApp/rkyyApp!", "0");
  service.add("login", login);
  service.add("findInformation", signedIn(findInformation));
  service.add("saveInfomation", signedIn(saveInfomation));
  service.add("findStation", signedIn(findStation));
  service.add("findType", signedIn(findType));
  service.add("findTime", signedIn(findTime));
  service.add("commitSchedule", signedIn(commitSchedule));
  service.add("cannelSchedule", signedIn(cannelSchedule));
  service.add("selectScheduleInfo", signedIn(selectScheduleInfo));
}

}  // namespace vokari_backend
