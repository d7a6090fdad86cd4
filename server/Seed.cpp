// The data a fresh back-end starts with: stations in every district, the business types
// they handle, and a few weeks of news spread over the ten areas.

#include <array>

#include "Catalog.h"
#include "News.h"
#include "Store.h"

namespace vokari_backend {
namespace {

constexpr std::array<std::string_view, 12> kStationNames{
    "城关", "新华", "东湖", "南门", "西山", "北苑", "长安", "解放", "滨江", "望湖", "青石", "兴隆"};

constexpr std::array<std::string_view, 10> kBusinesses{
    "户口迁入", "户口迁出", "出生登记", "死亡注销", "身份证申领",
    "身份证换领", "居住证办理", "户籍证明开具", "临时身份证", "姓名变更"};

constexpr std::array<std::string_view, 40> kHeadlines{
    "警方提醒：谨防冒充客服退款诈骗", "辖区开展夜间治安巡逻专项行动", "民警帮助走失老人平安回家",
    "电动车防盗登记服务进社区", "暑期防溺水安全提示", "打击非法集资宣传活动走进广场",
    "派出所推出户籍业务预约办理", "交通安全进校园活动启动", "破获一起入室盗窃案件",
    "反诈宣传志愿者招募中", "节假日出行安全提示", "身份证异地换领办理指南",
    "社区警务室开放日活动", "警方提醒：网购需谨慎", "消防安全隐患排查开展",
    "民警街头救助受伤市民", "居住证办理材料清单", "校园周边护学岗启动",
    "一起电信诈骗案成功止付", "警营开放日邀市民参观", "冬季防火防盗安全提示",
    "快递行业安全检查开展", "群众举报线索助破盗窃团伙", "老年人防骗知识讲座",
    "户口迁移政策问答", "夜市周边交通管控通知", "出租屋安全检查进行中",
    "警方发布防范养老诈骗提示", "寻亲平台助离散家庭团聚", "重点路段测速提醒",
    "民警化解邻里纠纷", "新生儿户口登记须知", "禁毒宣传进社区", "警方提醒：保管好个人信息",
    "派出所延时服务时间公告", "交通违法曝光台", "平安社区创建成果展示",
    "失物招领：钱包已归还失主", "防范校园贷诈骗提示", "高考期间考点周边交通管制"};

constexpr int kNewsItems = 20;

void seedStations(Call& call) {
  for (size_t d = 0; d < kDistricts.size(); ++d) {
    const District& district = kDistricts[d];
    size_t stations = 2 + d % 3;
    for (size_t s = 0; s < stations; ++s) {
      size_t index = d * 4 + s;  // spreads names and business types over the city
      std::string id = std::string(district.prefix) + (s < 9 ? "0" : "") + std::to_string(s + 1);
      std::string name = std::string(district.name) + "区" +
                         std::string(kStationNames[index % kStationNames.size()]) + "派出所";
      call.db.run("INSERT INTO stations(id, district, name, ordinal) VALUES (?, ?, ?, ?)",
                  {id, std::string(district.listKey), name, static_cast<long long>(s + 1)});
      for (size_t b = 0; b < 5 + index % 4; ++b) {
        call.db.run("INSERT INTO station_businesses(station, business) VALUES (?, ?)",
                    {id, std::to_string(101 + (index + b) % kBusinesses.size())});
      }
    }
  }
}

void seedBusinesses(Call& call) {
  for (size_t b = 0; b < kBusinesses.size(); ++b) {
    call.db.run("INSERT INTO businesses(id, name) VALUES (?, ?)",
                {std::to_string(101 + b), std::string(kBusinesses[b])});
  }
}

// Newest first, hours apart, one to four stories each.
void seedNews(Call& call) {
  size_t headline = 0;
  for (int i = 0; i < kNewsItems; ++i) {
    std::vector<std::string> titles;
    for (int story = 0; story <= i % 4; ++story) {
      titles.emplace_back(kHeadlines[headline++ % kHeadlines.size()]);
    }
    auto published = call.now - std::chrono::minutes(37 + i * 29 * 60);
    publishNews(call, kFirstArea + i % 10, titles, timeText(published));
  }
}

}  // namespace

void seed(Call& call) {
  seedBusinesses(call);
  seedStations(call);
  seedNews(call);
}

}  // namespace vokari_backend
