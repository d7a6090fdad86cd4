// The account service (registration, codes, password reset). Replies: "1" accepted,
// "2" where the client names a reason, "0" for everything else.

#include "Accounts.h"
#include "Http.h"
#include "Services.h"

namespace vokari_backend {
namespace {

Json getCode(const Json& body, Call& call) {
  std::string phone = text(body, "PHONE_NUMBER");
  if (!isPhoneNumber(phone) || !sendCode(call, phone)) return states("0");
  return states("1");
}

// The reset's code request carries a fixed "0" as its password.
Json modifyPasswordCode(const Json& body, Call& call) {
  std::string phone = text(body, "LOGIN_NAME");
  text(body, "PASSWORD");
  if (!accountExists(call, phone)) return states("2");
  return states(sendCode(call, phone) ? "1" : "0");
}

long long sexOf(const Json& body) {
  auto it = body.find("SEX");
  if (it == body.end() || !it->is_number_integer()) throw BadInput("SEX");
  return it->get<long long>() == 1 ? 1 : 0;
}

Json registerAccount(const Json& body, Call& call) {
  std::string phone = text(body, "PHONE_NUMBER");
  std::string password = text(body, "PASSWORD");
  std::string code = text(body, "CODE");
  std::string name = text(body, "NAME");
  std::string card = text(body, "SF_CODE");
  long long sex = sexOf(body);
  std::string token = optionalText(body, "TOKEN");
  if (accountExists(call, phone)) return states("2");
  bool valid = isPhoneNumber(phone) && !password.empty() && !name.empty() && isIdentityNumber(card);
  if (!valid || !takeCode(call, phone, code)) return states("0");
  call.db.run(
      "INSERT INTO accounts(phone, password, name, card, sex, token, created_at) "
      "VALUES (?, ?, ?, ?, ?, ?, ?)",
      {phone, password, name, card, sex, token, timeText(call.now)});
  return states("1");
}

Json modifyPassword(const Json& body, Call& call) {
  std::string phone = text(body, "LOGIN_NAME");
  std::string password = text(body, "PASSWORD");
  std::string code = text(body, "CODE");
  if (password.empty() || !accountExists(call, phone) || !takeCode(call, phone, code)) {
    return states("0");
  }
  call.db.run("UPDATE accounts SET password = ? WHERE phone = ?", {password, phone});
  return states("1");
}

}  // namespace

void addAccountService(Server& server, Store& store) {
  JsonService service(server, store, "/serverAgent!", "0");
  service.add("getCode", getCode);
  service.add("modifyPasswordCode", modifyPasswordCode);
  service.add("register", registerAccount);
  service.add("modifyPassword", modifyPassword);
}

}  // namespace vokari_backend
