#pragma once
// A web page of the crime-report service ("举报指南", "奖励公告", "典型案例"). Without a web view
// the page is shown as its readable text. Loading shows the overlay; leaving stops it.

#include <string>
#include <string_view>
#include <vector>

#include "transport/RequestHandle.h"
#include "ui/Screen.h"

namespace vokari {

class LinkViewController final : public ui::Screen, public HttpRequestDelegate {
 public:
  LinkViewController(std::string url, std::string strTitle);

  void viewDidLoad() override;
  void viewWillDisappear() override;

  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;

  // The page's visible text as lines: the body's paragraphs, headings and list items, with
  // scripts and styles left out. Read with libxml2's forgiving HTML parser, never from the net;
  // without an encoding the page's own declaration decides.
  static std::vector<std::string> readableText(std::string_view html,
                                               const char* encoding = "UTF-8");

  const std::string url;
  const std::string strTitle;
  ui::Label page;

 private:
  void stopLoading();
  RequestHandle request_;
  bool loading_ = false;
};

}  // namespace vokari
