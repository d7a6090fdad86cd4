#include "alarm/AlarmHelp.h"

#include <gtest/gtest.h>

namespace vokari {
namespace {

TEST(AlarmHelpTest, AboutPageShowsItsTextWithoutMarkup) {
  auto html = AlarmHelp::resourceDocument("aboutvok", "html");
  ASSERT_TRUE(html);
  EXPECT_FALSE(AlarmHelp::resourceDocument("aboutvok", "txt"));
  auto lines = AlarmHelp::textLines(*html);
  ASSERT_GT(lines.size(), 5u);
  EXPECT_EQ(lines.front(), "Vokari 市民警务服务");  // the head's title is not shown
  for (const auto& line : lines) {
    EXPECT_EQ(line.find('<'), std::string::npos) << line;
    EXPECT_EQ(line.find("&gt;"), std::string::npos) << line;
  }
  EXPECT_EQ(AlarmHelp::textLines("<p>a &amp; b<br>c</p><li> d  e </li>"),
            (std::vector<std::string>{"a & b", "c", "d e"}));
  EXPECT_EQ(AlarmHelp().title, "关于Vokari");
}

}  // namespace
}  // namespace vokari
