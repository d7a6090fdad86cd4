#pragma once
// The wanted-person list ("悬赏名单") from the data file that ships with the application, and
// the detail panel a tapped row opens over a dimmed layer. No request is made.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/RunLoop.h"
#include "ui/Screen.h"

namespace vokari {

// Reads the data file "names.json": the array under "wantedPersonArray".
class wantedPersonPrase final {
 public:
  static wantedPersonPrase& sharedwantedPersonPraseManager();
  // The array, read anew from the file on every call; empty when the file is missing, is not
  // JSON, or holds no such array.
  nlohmann::json prase() const;

  // The shipped data file, found beside the program (see platform/Resources.h).
  static std::string resourcePath();
  std::string path = resourcePath();
};

// A person's text for a key; empty when the key is missing or not a text.
std::string personText(const nlohmann::json& person, const char* key);
// The name with every occurrence of the six characters "\U3000" removed (the list's rule).
std::string nameWithoutMarkup(std::string_view name);

// One row of the list: three centred texts.
struct WantedPersonsCell {
  std::string lbName;
  std::string lbIdcard;
  std::string lbType;

  static WantedPersonsCell forPerson(const nlohmann::json& person);
  std::string rowText() const;
};

// The detail panel. Showing and dismissing animate for 0.4 s; the phase tells a renderer where
// the animation stands, and input to the list waits until the panel is gone.
class WantedPersonDetailView final {
 public:
  enum class Phase { Hidden, Appearing, Shown, Disappearing };
  static constexpr double kAnimationSeconds = 0.4;
  static constexpr double kStartScale = 0.1;  // the panel grows from a tenth of its size

  explicit WantedPersonDetailView(RunLoop& loop) : loop_(loop) {}

  void setPersonInfo(const nlohmann::json& person);
  void show();
  void dismiss();  // also what touching the dimmed layer does

  Phase phase() const { return phase_; }
  bool visible() const { return phase_ != Phase::Hidden; }
  // The panel's scale now: from kStartScale to 1 while appearing, back while disappearing.
  double scale() const;

  nlohmann::json personInfo;
  std::string titleView;
  std::vector<std::string> dataArray;

  // Called after each phase change, so the owner can redraw.
  std::function<void()> onChange;

 private:
  void enter(Phase phase);
  RunLoop& loop_;
  Phase phase_ = Phase::Hidden;
  double phaseStart_ = 0;
  Timer timer_;
};

class NamesViewController final : public ui::Screen {
 public:
  NamesViewController();

  void viewDidLoad() override;
  void didSelectRow(int row);

  const nlohmann::json& persons() const { return persons_; }
  const WantedPersonDetailView& detail() const { return detail_; }

  ui::Label header;  // the column captions
  ui::Table table;
  // The panel as the view model shows it: the dimmed layer (touch closes), title and rows.
  ui::Button overlayView;
  ui::Label detailTitle;
  ui::Table detailTable;

 private:
  void refreshDetail();
  nlohmann::json persons_ = nlohmann::json::array();
  WantedPersonDetailView detail_;
};

}  // namespace vokari
