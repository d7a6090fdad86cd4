#include "alarm/DirectoryData.h"

#include <array>

namespace vokari {
namespace {

// Keyword conventions, so that a search finds what a resident types on a pinyin keyboard:
// - readings are those of the character in its word (局长 zhang, 关系处 chu, 劳动和 he, 市场
//   chang, 供电 gong, 防疫灭虫 chong, 地铁/地震 di);
// - ü is written "v" (法律 falv, 旅游 lvyou), as pinyin keyboards take it;
// - a district's Latin name is kept as written, lower-cased, and counts as one syllable: its
//   initial is its first letter (Arveno区交警 → arvenoqujiaojing, aqjj).
// Numbers starting with the area code are ours to configure; none of them may contain 12345 or
// a name read "rexian", or the directory's searches would list entries they must not.

constexpr std::array kPolice{
    DirectoryEntry{"公安局查号台", "019986510114", "gonganjuchahaotai", "gajcht"},
    DirectoryEntry{"局长专线", "019986510001", "juzhangzhuanxian", "jzzx"},
    DirectoryEntry{"信访", "019986510700", "xinfang", "xf"},
    DirectoryEntry{"督察", "019986510800", "ducha", "dc"},
    DirectoryEntry{"户证业务", "019986510300", "huzhengyewu", "hzyw"},
    DirectoryEntry{"出入境", "019986510400", "churujing", "crj"},
    DirectoryEntry{"网络警察", "019986510500", "wangluojingcha", "wljc"},
    DirectoryEntry{"防诈骗热线", "019986510600", "fangzhapianrexian", "fzprx"},
    DirectoryEntry{"铁路公安", "019986520110", "tielugongan", "tlga"},
    DirectoryEntry{"海关缉私", "019986530110", "haiguanjisi", "hgjs"},
    DirectoryEntry{"戒毒", "019986510900", "jiedu", "jd"},
    DirectoryEntry{"收教", "019986510910", "shoujiao", "sj"},
    DirectoryEntry{"警察公共关系处", "019986510200", "jingchagonggongguanxichu", "jcgggxc"},
    DirectoryEntry{"消防隐患", "12350", "xiaofangyinhuan", "xfyh"},
    DirectoryEntry{"森林防火", "12119", "senlinfanghuo", "slfh"},
    DirectoryEntry{"打捞业务", "019986540119", "dalaoyewu", "dlyw"},
};

constexpr std::array kTraffic{
    DirectoryEntry{"交警", "019986560122", "jiaojing", "jj"},
    DirectoryEntry{"Arveno区交警", "019986560201", "arvenoqujiaojing", "aqjj"},
    DirectoryEntry{"Belquor区交警", "019986560202", "belquorqujiaojing", "bqjj"},
    DirectoryEntry{"Cindral区交警", "019986560203", "cindralqujiaojing", "cqjj"},
    DirectoryEntry{"Dovask区交警", "019986560204", "dovaskqujiaojing", "dqjj"},
    DirectoryEntry{"Ellowe区交警", "019986560205", "ellowequjiaojing", "eqjj"},
    DirectoryEntry{"Farnis区交警", "019986560206", "farnisqujiaojing", "fqjj"},
    DirectoryEntry{"Kestrin区交警", "019986560207", "kestrinqujiaojing", "kqjj"},
    DirectoryEntry{"Hathis区交警", "019986560208", "hathisqujiaojing", "hqjj"},
    DirectoryEntry{"Istrel区交警", "019986560209", "istrelqujiaojing", "iqjj"},
    DirectoryEntry{"Jovanne区交警", "019986560210", "jovannequjiaojing", "jqjj"},
    DirectoryEntry{"东站交警", "019986560211", "dongzhanjiaojing", "dzjj"},
    DirectoryEntry{"西站交警", "019986560212", "xizhanjiaojing", "xzjj"},
    DirectoryEntry{"北站交警", "019986560213", "beizhanjiaojing", "bzjj"},
    DirectoryEntry{"机场交警", "019986560214", "jichangjiaojing", "jcjj"},
    DirectoryEntry{"高速交警", "019986560215", "gaosujiaojing", "gsjj"},
    DirectoryEntry{"新区交警", "019986560216", "xinqujiaojing", "xqjj"},
    DirectoryEntry{"车管业务", "019986560300", "cheguanyewu", "cgyw"},
    DirectoryEntry{"交通违章", "019986560400", "jiaotongweizhang", "jtwz"},
};

constexpr std::array kPartners{
    DirectoryEntry{"政府热线", "12345", "zhengfurexian", "zfrx"},
    DirectoryEntry{"民政", "12349", "minzheng", "mz"},
    DirectoryEntry{"税务", "12366", "shuiwu", "sw"},
    DirectoryEntry{"法律咨询热线", "019986570148", "falvzixunrexian", "flzxrx"},
    DirectoryEntry{"市救助站", "019986580100", "shijiuzhuzhan", "sjzz"},
    DirectoryEntry{"Belquor区救助站", "019986580200", "belquorqujiuzhuzhan", "bqjzz"},
    DirectoryEntry{"Hathis区救助站", "019986580300", "hathisqujiuzhuzhan", "hqjzz"},
    DirectoryEntry{"劳动和社会保障", "12333", "laodongheshehuibaozhang", "ldhshbz"},
    DirectoryEntry{"文体旅游", "019986590100", "wentilvyou", "wtly"},
    DirectoryEntry{"城市管理", "12319", "chengshiguanli", "csgl"},
    DirectoryEntry{"药品监督", "12345", "yaopinjiandu", "ypjd"},
    DirectoryEntry{"环保", "12369", "huanbao", "hb"},
    DirectoryEntry{"交通运输", "019986590200", "jiaotongyunshu", "jtys"},
    DirectoryEntry{"市场监督管理", "12315", "shichangjianduguanli", "scjdgl"},
    DirectoryEntry{"卫生和人口计划生育", "12345", "weishengherenkoujihuashengyu", "wshrkjhsy"},
    DirectoryEntry{"海监渔政", "019986590300", "haijianyuzheng", "hjyz"},
    DirectoryEntry{"市三防", "019986600100", "shisanfang", "ssf"},
    DirectoryEntry{"Arveno区三防", "019986600201", "arvenoqusanfang", "aqsf"},
    DirectoryEntry{"Cindral区三防", "019986600202", "cindralqusanfang", "cqsf"},
    DirectoryEntry{"Dovask区三防", "019986600203", "dovaskqusanfang", "dqsf"},
    DirectoryEntry{"Ellowe区三防", "019986600204", "ellowequsanfang", "eqsf"},
    DirectoryEntry{"Farnis区三防", "019986600205", "farnisqusanfang", "fqsf"},
    DirectoryEntry{"Kestrin区三防", "019986600206", "kestrinqusanfang", "kqsf"},
    DirectoryEntry{"Istrel区三防", "019986600207", "istrelqusanfang", "iqsf"},
    DirectoryEntry{"水务集团", "019986610100", "shuiwujituan", "swjt"},
    DirectoryEntry{"Istrel区水务", "019986610200", "istrelqushuiwu", "iqsw"},
    DirectoryEntry{"Jovanne区水务", "019986610300", "jovannequshuiwu", "jqsw"},
    DirectoryEntry{"供电局", "95598", "gongdianju", "gdj"},
    DirectoryEntry{"燃气集团（瓶装）", "019986620100", "ranqijituanpingzhuang", "rqjtpz"},
    DirectoryEntry{"燃气集团（管道）", "019986620200", "ranqijituanguandao", "rqjtgd"},
    DirectoryEntry{"海上搜救", "12395", "haishangsoujiu", "hssj"},
    DirectoryEntry{"地震局", "019986630100", "dizhenju", "dzj"},
};

constexpr std::array kPublic{
    DirectoryEntry{"查号台", "0199114", "chahaotai", "cht"},
    DirectoryEntry{"天气预报", "12121", "tianqiyubao", "tqyb"},
    DirectoryEntry{"中国移动", "019910086", "zhongguoyidong", "zgyd"},
    DirectoryEntry{"中国联通", "019910010", "zhongguoliantong", "zglt"},
    DirectoryEntry{"中国电信", "019910000", "zhongguodianxin", "zgdx"},
    DirectoryEntry{"腾讯客服", "4008812345", "tengxunkefu", "txkf"},
    DirectoryEntry{"地铁公司", "019986640100", "ditiegongsi", "dtgs"},
    DirectoryEntry{"防疫灭虫", "019986650100", "fangyimiechong", "fymc"},
    DirectoryEntry{"开锁公司", "019986660100", "kaisuogongsi", "ksgs"},
};

constexpr std::array kTabs{
    DirectoryTab{"公安部门", kPolice},
    DirectoryTab{"交警", kTraffic},
    DirectoryTab{"联动部门", kPartners},
    DirectoryTab{"公共服务", kPublic},
};

}  // namespace

std::span<const DirectoryTab> directoryTabs() {
  return kTabs;
}

std::string keywordOf(const DirectoryEntry& entry) {
  std::string keyword;
  for (std::string_view part : {entry.name, entry.number, entry.pinyin, entry.initials}) {
    if (!keyword.empty()) keyword += '-';
    keyword += part;
  }
  return keyword;
}

}  // namespace vokari
