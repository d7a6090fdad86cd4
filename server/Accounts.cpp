#include "Accounts.h"

#include <algorithm>

namespace vokari_backend {
namespace {

constexpr auto kCodeLifetime = std::chrono::minutes(5);
// What a number may be sent: the client offers a resend after its 60-second countdown, and a
// guesser gets at most kMaxMisses tries per code, so these bound the tries per day.
constexpr auto kCodeInterval = std::chrono::minutes(1);
constexpr long long kCodesPerDay = 10;
constexpr long long kMaxMisses = 5;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

long long seconds(TimePoint t) {
  return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

}  // namespace

bool isPhoneNumber(const std::string& text) {
  return text.size() == 11 && std::all_of(text.begin(), text.end(), isDigit);
}

bool isIdentityNumber(const std::string& text) {
  return text.size() == 18 && std::all_of(text.begin(), text.end() - 1, isDigit) &&
         (isDigit(text.back()) || text.back() == 'X' || text.back() == 'x');
}

int sexOfIdentityNumber(const std::string& card) {
  return (card[16] - '0') & 1;
}

bool accountExists(Call& call, const std::string& phone) {
  return call.db.row("SELECT 1 FROM accounts WHERE phone = ?", {phone}).has_value();
}

bool passwordMatches(Call& call, const std::string& phone, const std::string& password) {
  return call.db.row("SELECT 1 FROM accounts WHERE phone = ? AND password = ?", {phone, password})
      .has_value();
}

bool sendCode(Call& call, const std::string& phone) {
  // A code's time of sending is its expiry less its lifetime.
  auto sentSince = [&](auto window) { return seconds(call.now - window + kCodeLifetime); };
  // The wait is for a code still pending (or voided by guesses): one that was used lets the
  // next come at once, as when a resident who just registered resets the password.
  auto recent = call.db.row(
      "SELECT count(*) AS n, coalesce(sum(expires > ? AND used <> 1), 0) AS lastMinute FROM sms "
      "WHERE phone = ? AND expires > ?",
      {sentSince(kCodeInterval), phone, sentSince(std::chrono::hours(24))});
  if (std::stoll((*recent)["lastMinute"]) > 0 || std::stoll((*recent)["n"]) >= kCodesPerDay) {
    return false;
  }
  Sms sms{phone, "", randomDigits(call, 6)};
  sms.text = "【Vokari】您的验证码是" + sms.code + "，5分钟内有效，请勿泄露。";
  call.db.run("INSERT INTO sms(sent_at, phone, code, text, expires) VALUES (?, ?, ?, ?, ?)",
              {timeText(call.now), phone, sms.code, sms.text, seconds(call.now + kCodeLifetime)});
  call.sent.push_back(std::move(sms));
  return true;
}

bool takeCode(Call& call, const std::string& phone, const std::string& code) {
  auto latest = call.db.row(
      "SELECT id, code FROM sms WHERE phone = ? AND used = 0 AND expires >= ? "
      "ORDER BY id DESC LIMIT 1",
      {phone, seconds(call.now)});
  if (!latest) return false;
  long long id = std::stoll((*latest)["id"]);
  if ((*latest)["code"] == code) {
    call.db.run("UPDATE sms SET used = 1 WHERE id = ?", {id});
    return true;
  }
  call.db.run(
      "INSERT INTO code_misses(sms, count) VALUES (?, 1) "
      "ON CONFLICT(sms) DO UPDATE SET count = count + 1",
      {id});
  auto misses = call.db.row("SELECT count FROM code_misses WHERE sms = ?", {id});
  if (std::stoll((*misses)["count"]) >= kMaxMisses) {
    call.db.run("UPDATE sms SET used = 2 WHERE id = ?", {id});  // void, not used
  }
  return false;
}

}  // namespace vokari_backend
