// The about page shipped with the application, the resource document "aboutvok" of type "html".

#include "alarm/AlarmHelp.h"

namespace vokari {
namespace {

constexpr const char* kAboutVok = R"html(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>关于Vokari</title>
<style>
body { font-family: sans-serif; margin: 12px; color: #222; }
h1 { font-size: 20px; } h2 { font-size: 16px; margin-top: 16px; }
</style>
</head>
<body>
<h1>Vokari 市民警务服务</h1>
<p>Vokari 是本市公安机关面向市民提供的手机警务服务客户端，让您随时随地与警方保持联系。</p>
<h2>主要功能</h2>
<ul>
<li>E键报警：一键拨打110，同时将您的位置持续发送至报案中心。</li>
<li>一键服务：查询并拨打常用公共服务电话。</li>
<li>警讯播报：按您订阅的区域接收警方发布的警讯。</li>
<li>有奖举报：提交附带图片或视频的线索，并查询办理进度。</li>
<li>户政业务：预约派出所户政窗口的办理时间。</li>
</ul>
<h2>使用提示</h2>
<p>报警时请确保已在“设置”中填写本机手机号码，并允许本应用使用定位服务。</p>
<p>如有意见或建议，欢迎通过“设置 &gt; 意见反馈”告诉我们。</p>
<p>&copy; Vokari 市民警务服务</p>
</body>
</html>
)html";

}  // namespace

std::optional<std::string> AlarmHelp::resourceDocument(std::string_view name,
                                                       std::string_view type) {
  if (name == "aboutvok" && type == "html") return std::string(kAboutVok);
  return std::nullopt;
}

}  // namespace vokari
