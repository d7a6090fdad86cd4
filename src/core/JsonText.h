#pragma once
// Reading a text member out of a JSON object (a reply, or a record handed between screens). One
// rule for every reader, with the one difference the services need stated by the caller.

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace vokari {

// How a member holding a number reads. The appointment service sends some numbers (booking
// numbers, counts) as JSON numbers in some replies and as texts in others, and its screens show
// them either way; every other reader takes texts only.
enum class NumberAs { Missing, Decimal };

// The member's text: a string as it is, a number in decimal when `numbers` is Decimal; none when
// the value is no object, the member is missing, or it holds anything else.
std::optional<std::string> stringMember(const nlohmann::json& object, const std::string& key,
                                        NumberAs numbers = NumberAs::Missing);
// The same, with "" for none.
std::string textMember(const nlohmann::json& object, const std::string& key,
                       NumberAs numbers = NumberAs::Missing);

}  // namespace vokari
