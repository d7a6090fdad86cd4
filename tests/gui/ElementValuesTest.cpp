// How the view model becomes rows for QML: element kinds, buttons drawn as their screen's role
// says (tiles side by side as a grid), picture ids, and a list model that tells only what changed
// on the same screen.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <map>

#include "ElementListModel.h"
#include "PictureProvider.h"
#include "QtHarness.h"

namespace vokari::gui {
namespace {

ui::ButtonModel button(const char* title, ui::ButtonRole role = ui::ButtonRole::Primary) {
  ui::ButtonModel b;
  b.title = title;
  b.role = role;
  return b;
}

ui::ButtonModel tile(const char* title) {
  return button(title, ui::ButtonRole::Tile);
}

ui::CheckBoxModel checkBox(const char* title) {
  ui::CheckBoxModel c;
  c.title = title;
  return c;
}

// Each row's kind, with a button's role after a colon ("Button:secondary").
std::vector<QString> kinds(const std::vector<ElementRow>& rows) {
  std::vector<QString> out;
  for (const auto& r : rows) {
    out.push_back(r.kind == "Button" ? r.kind + ":" + r.value["role"].toString() : r.kind);
  }
  return out;
}

TEST(ElementValues, ButtonsAreDrawnInTheirRoleAndRunsOfCheckBoxesAsSegments) {
  struct Case {
    const char* name;
    std::vector<ui::ElementModel> elements;
    std::vector<QString> kinds;
    std::vector<int> firstElements;
  };
  ui::LabelModel label{"说明"};
  ui::PictureModel picture;
  std::vector<Case> cases = {
      {"each button as its screen says, whatever comes before it",
       {button("+", ui::ButtonRole::Secondary), button("提交"), label,
        button("忘记密码?", ui::ButtonRole::Secondary)},
       {"Button:secondary", "Button:primary", "Label", "Button:secondary"},
       {0, 1, 2, 3}},
      {"three buttons in a row stay buttons",
       {button("完成"), button("取消"), button("a")},
       {"Button:primary", "Button:primary", "Button:primary"},
       {0, 1, 2}},
      {"six entries are one grid",
       {tile("a"), tile("b"), tile("c"), tile("d"), tile("e"), tile("f")},
       {"Tiles"},
       {0}},
      {"pictures in a row are drawn together, one alone by itself",
       {picture, picture, button("+"), picture},
       {"Pictures", "Button:primary", "Picture"},
       {0, 2, 3}},
      {"four check boxes are one segmented bar",
       {checkBox("公安部门"), checkBox("交警"), checkBox("联动部门"), checkBox("公共服务"), label},
       {"Segments", "Label"},
       {0, 4}},
      {"three check boxes are a bar too",
       {checkBox("a"), checkBox("b"), checkBox("c")},
       {"Segments"},
       {0}},
      {"two check boxes stay check boxes",
       {checkBox("a"), checkBox("b")},
       {"CheckBox", "CheckBox"},
       {0, 1}},
      {"a label splits runs",
       {tile("a"), label, tile("b"), tile("c"), button("d")},
       {"Tiles", "Label", "Tiles", "Button:primary"},
       {0, 1, 2, 4}},
  };
  PictureStore pictures;
  for (const auto& c : cases) {
    ui::ScreenModel model;
    model.elements = c.elements;
    auto rows = elementRows(model, pictures);
    EXPECT_EQ(kinds(rows), c.kinds) << c.name;
    std::vector<int> firsts;
    for (const auto& r : rows) firsts.push_back(r.element);
    EXPECT_EQ(firsts, c.firstElements) << c.name;
  }
  // Each tile presses its own element.
  ui::ScreenModel hub;
  hub.elements = {label, tile("a"), tile("b"), tile("c")};
  auto rows = elementRows(hub, pictures);
  QVariantList tiles = rows[1].value["items"].toList();
  ASSERT_EQ(tiles.size(), 3);
  EXPECT_EQ(tiles[0].toMap()["element"].toInt(), 1);
  EXPECT_EQ(tiles[2].toMap()["element"].toInt(), 3);
  EXPECT_EQ(tiles[2].toMap()["title"].toString(), "c");
}

// The slot picker of a form is a sheet: its rows go apart from the page's, keeping the elements
// they press, and its 取消 is the cancel the escape key presses.
TEST(ElementValues, ASheetsElementsAreDrawnApartFromThePage) {
  ui::LabelModel titles{"日期  时间段(剩余量)"};
  ui::PickerModel wheels;
  wheels.columns = {{"12-01"}, {"09:00 (3)"}};
  ui::ScreenModel form;
  form.elements = {button("提交预约"), titles, wheels, button("完成"),
                   button("取消", ui::ButtonRole::Cancel)};
  form.sheet = {1, 2, 3, 4};
  PictureStore pictures;
  ScreenRows rows = screenRows(form, pictures);
  EXPECT_EQ(kinds(rows.page), std::vector<QString>{"Button:primary"});
  EXPECT_EQ(kinds(rows.sheet),
            (std::vector<QString>{"Label", "Picker", "Button:primary", "Button:cancel"}));
  EXPECT_EQ(rows.sheet.back().element, 4);
  form.sheet.clear();
  EXPECT_EQ(screenRows(form, pictures).page.size(), 5u) << "no sheet: all on the page";
}

TEST(ElementValues, TablesAndInputsCarryEveryFlagTheDelegatesDraw) {
  ui::TextFieldModel field;
  field.placeholder = "请输入密码";
  field.label = "密码";
  field.secure = true;
  field.keyboard = ui::Keyboard::NumberPad;
  field.enabled = false;
  ui::TableModel table;
  table.sections = {
      {"常用", {{"公安局", "110", true, false, false}, {"姓名", "张三", false, true, true}}}};
  ui::ScreenModel model;
  model.elements = {field, table};
  PictureStore pictures;
  auto rows = elementRows(model, pictures);
  ASSERT_EQ(rows.size(), 2u);
  const QVariantMap& f = rows[0].value;
  EXPECT_EQ(f["placeholder"].toString(), "请输入密码");
  EXPECT_EQ(f["label"].toString(), "密码");
  EXPECT_TRUE(f["secure"].toBool());
  EXPECT_EQ(f["keyboard"].toString(), "number");
  EXPECT_FALSE(f["enabled"].toBool());
  QVariantMap section = rows[1].value["sections"].toList()[0].toMap();
  EXPECT_EQ(section["heading"].toString(), "常用");
  QVariantMap first = section["rows"].toList()[0].toMap();
  QVariantMap second = section["rows"].toList()[1].toMap();
  EXPECT_EQ(first["detail"].toString(), "110");
  EXPECT_TRUE(first["disclosure"].toBool());
  EXPECT_TRUE(second["checked"].toBool());
  EXPECT_TRUE(second["editable"].toBool());
}

TEST(ElementValues, PicturesGetAnIdWhenTheirBytesArriveAndLoseItWhenGone) {
  PictureStore pictures;
  ui::PictureModel picture;
  picture.source = "http://example.invalid/a.jpg";
  ui::ScreenModel model;
  model.elements = {picture};

  auto rows = elementRows(model, pictures);
  EXPECT_EQ(rows[0].value["picture"].toString(), "") << "still loading";

  auto bytes = std::make_shared<const std::string>("jpeg bytes");
  std::get<ui::PictureModel>(model.elements[0]).bytes = bytes;
  pictures.beginRefresh();
  QString id = elementRows(model, pictures)[0].value["picture"].toString();
  pictures.endRefresh();
  ASSERT_FALSE(id.isEmpty());
  EXPECT_EQ(pictures.bytes(id), bytes);

  // The same bytes keep their id (QML keeps its decoded image); other bytes get a new one.
  pictures.beginRefresh();
  EXPECT_EQ(elementRows(model, pictures)[0].value["picture"].toString(), id);
  pictures.endRefresh();
  std::get<ui::PictureModel>(model.elements[0]).bytes = std::make_shared<const std::string>("b");
  pictures.beginRefresh();
  QString next = elementRows(model, pictures)[0].value["picture"].toString();
  pictures.endRefresh();
  EXPECT_NE(next, id);
  EXPECT_EQ(pictures.bytes(id), nullptr) << "no longer shown, so no longer kept";
  EXPECT_EQ(pictures.size(), 1u);
}

TEST(ElementListModel, SameScreenTellsChangedRowsOnlyAndANewScreenResets) {
  testing::ensureQtApp();
  PictureStore pictures;
  ElementListModel list(pictures);
  auto rowsWith = [](const char* text) {
    return std::vector<ElementRow>{{"Label", 0, {{"text", "标题"}}},
                                   {"Label", 1, {{"text", text}}}};
  };
  list.update(rowsWith("a"), 1);
  QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
  QSignalSpy reset(&list, &QAbstractItemModel::modelReset);

  list.update(rowsWith("a"), 1);
  EXPECT_EQ(changed.count(), 0) << "nothing changed, nothing told";

  list.update(rowsWith("b"), 1);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), 1);
  EXPECT_EQ(reset.count(), 0);
  EXPECT_EQ(list.data(list.index(1), ElementListModel::ValueRole).toMap()["text"].toString(), "b");

  list.update(rowsWith("b"), 2);
  EXPECT_EQ(reset.count(), 1) << "another screen";
  EXPECT_EQ(list.data(list.index(0), ElementListModel::SerialRole).toInt(), 2);
}

// Many rows whose cards say which row they show; a card's picture can be made to arrive.
struct ManyRows final : ui::CardSource {
  struct Cell final : ui::CardCell {
    void clear() override { card = {}; }
    void tap(double, double) override {}
    void arrive(std::shared_ptr<const std::string> bytes) {
      card.parts[0].picture.bytes = std::move(bytes);
      changed();
    }
  };
  // 100,000 rows learnt 50 at a time, as a list read from a database learns them.
  int rowCount() override { return known; }
  void reach(int rows) override {
    known = std::min(100000, std::max(known, (rows + 49) / 50 * 50));
  }
  bool knowsAll() override { return known == 100000; }
  int known = 0;
  std::unique_ptr<ui::CardCell> makeCell() override { return std::make_unique<Cell>(); }
  void fill(ui::CardCell& cell, int row) override {
    ++filled;
    cell.card.caption = std::to_string(row);
    cell.card.parts.emplace_back();
    cells[row] = static_cast<Cell*>(&cell);
  }
  int filled = 0;
  std::map<int, Cell*> cells;
};

TEST(ElementListModel, ACardListIsARowPerCardAskedByIndexWithCardsOnlyForWhatIsShown) {
  testing::ensureQtApp();
  ManyRows source;
  ui::CardList cards(source);
  cards.rows->reload();
  ui::ScreenModel model;
  model.elements = {ui::LabelModel{"头"}, ui::CardListModel{cards.rows}, ui::LabelModel{"尾"}};
  PictureStore pictures;
  ElementListModel list(pictures);
  auto refresh = [&] {
    pictures.beginRefresh();
    list.update(elementRows(model, pictures), 1);
    pictures.endRefresh();
  };
  auto value = [&](int index) {
    return list.data(list.index(index), ElementListModel::ValueRole).toMap();
  };
  refresh();
  ASSERT_EQ(list.rowCount(), 52);
  EXPECT_EQ(value(51)["text"].toString(), "尾");
  EXPECT_EQ(source.filled, 0) << "no card before one is asked for";

  // Down to row 10,000 a screen at a time, and back: cards only for the rows near the screen,
  // rows learnt on the way added at the list's end without a reset (which would lose the place).
  QSignalSpy resets(&list, &QAbstractItemModel::modelReset);
  QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
  std::size_t most = 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (int step = 0; step <= 2500; ++step) {
      int row = pass == 0 ? step * 4 : (2500 - step) * 4;
      list.shown(row + 1, row + 4);
      EXPECT_EQ(value(row + 1)["caption"].toString(), QString::number(row));
      most = std::max(most, cards.rows->cards());
    }
  }
  EXPECT_LE(most, 8 + ui::CardRows::kSpare);
  EXPECT_EQ(resets.count(), 0);
  int added = 0;
  for (const auto& call : inserted) added += call[2].toInt() - call[1].toInt() + 1;
  EXPECT_EQ(added, 10000) << "each row told once, where it was added";
  ASSERT_EQ(list.rowCount(), 10052);
  EXPECT_EQ(value(10051)["text"].toString(), "尾");
  refresh();
  EXPECT_EQ(list.rowCount(), 10052) << "the same screen keeps the rows learnt";

  // A picture that arrives for a card on screen tells its row only, with the picture's id.
  refresh();
  QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
  auto bytes = std::make_shared<const std::string>("png");
  source.cells.at(0)->arrive(bytes);
  refresh();
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), 1);
  QString id = value(1)["parts"].toList()[0].toMap()["picture"].toString();
  refresh();
  EXPECT_EQ(pictures.bytes(id), bytes) << "kept while its card is shown";

  cards.rows->show(7, 7);
  cards.rows->reload();  // new rows stored: the one row on screen gets its card again at once
  EXPECT_TRUE(cards.rows->holds(7));
}

}  // namespace
}  // namespace vokari::gui
