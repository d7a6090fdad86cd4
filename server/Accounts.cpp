#include "Accounts.h"

#include <algorithm>

namespace vokari_backend {
namespace {

constexpr auto kCodeLifetime = std::chrono::minutes(5);

bool isDigit(char c) { return c >= '0' && c <= '9'; }

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

int sexOfIdentityNumber(const std::string& card) { return (card[16] - '0') & 1; }

bool accountExists(Call& call, const std::string& phone) {
  return call.db.row("SELECT 1 FROM accounts WHERE phone = ?", {phone}).has_value();
}

bool passwordMatches(Call& call, const std::string& phone, const std::string& password) {
  return call.db.row("SELECT 1 FROM accounts WHERE phone = ? AND password = ?", {phone, password})
      .has_value();
}

void sendCode(Call& call, const std::string& phone) {
  Sms sms{phone, "", randomDigits(call, 6)};
  sms.text = "【Vokari】您的验证码是" + sms.code + "，5分钟内有效，请勿泄露。";
  call.db.run("INSERT INTO sms(sent_at, phone, code, text, expires) VALUES (?, ?, ?, ?, ?)",
              {timeText(call.now), phone, sms.code, sms.text, seconds(call.now + kCodeLifetime)});
  call.sent.push_back(std::move(sms));
}

bool takeCode(Call& call, const std::string& phone, const std::string& code) {
  auto latest = call.db.row(
      "SELECT id, code FROM sms WHERE phone = ? AND used = 0 AND expires >= ? "
      "ORDER BY id DESC LIMIT 1",
      {phone, seconds(call.now)});
  if (!latest || (*latest)["code"] != code) return false;
  call.db.run("UPDATE sms SET used = 1 WHERE id = ?", {std::stoll((*latest)["id"])});
  return true;
}

}  // namespace vokari_backend
