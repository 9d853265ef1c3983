#include <gtest/gtest.h>

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/platform/IGraphicsMenu.h"
#include "graphics/platform/IGraphicsTextField.h"
#include "platform/window/HeadlessBackend.h"
#include "platform/window/Window.h"

namespace fx::gfx {
namespace {

namespace pw = platform::window;

pw::HeadlessBackend& Headless() {
  EXPECT_TRUE(pw::SelectBackend(pw::BackendKind::kHeadless));
  return static_cast<pw::HeadlessBackend&>(pw::CurrentBackend());
}

std::vector<std::string> Titles(const pw::Menu& menu) {
  std::vector<std::string> titles;
  for (int i = 0; i < menu.NumberOfItems(); ++i) titles.push_back(menu.ItemAtIndex(i)->Title());
  return titles;
}

TEST(NativeMenuTest, PrefixKindsNumberItemsCountingSeparators) {
  struct Row {
    int prefix;
    std::vector<std::string> titles;
  } rows[] = {
      {0, {"Alpha", "", "Gamma"}},           {1, {"1: Alpha", "", "3: Gamma"}}, {2, {"01: Alpha", "", "03: Gamma"}},
      {3, {"001: Alpha", "", "003: Gamma"}}, {4, {"Alpha", "", "Gamma"}},  // no numbering beyond kind 3
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.prefix);
    IPopupMenu menu("", row.prefix);
    menu.AddItem("Alpha");
    menu.AddSeparator();
    menu.AddItem("Gamma");
    IGraphicsMenuRcvr receiver(pw::Rect{});
    IGraphicsMenu native(menu, receiver);
    EXPECT_EQ(Titles(native), row.titles);
    EXPECT_TRUE(native.ItemAtIndex(1)->IsSeparatorItem());
    EXPECT_FALSE(native.AutoenablesItems());
  }
}

TEST(NativeMenuTest, ItemFlagsBecomeStateEnablingAndIndentation) {
  struct Row {
    int flags;
    bool enabled;
    pw::ControlState state;
    int indentation;
  } rows[] = {
      {IPopupMenu::Item::kNoFlags, true, pw::ControlState::kOff, 0},
      {IPopupMenu::Item::kDisabled, false, pw::ControlState::kOff, 0},
      {IPopupMenu::Item::kTitle, true, pw::ControlState::kOff, 1},
      {IPopupMenu::Item::kChecked | IPopupMenu::Item::kDisabled, false, pw::ControlState::kOn, 0},
  };
  Headless();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.flags);
    IPopupMenu menu;
    menu.AddItem("Item", IPopupMenu::kAppend, row.flags);
    IGraphicsMenuRcvr receiver(pw::Rect{});
    IGraphicsMenu native(menu, receiver);
    const pw::MenuItem& item = *native.ItemAtIndex(0);
    EXPECT_EQ(item.IsEnabled(), row.enabled);
    EXPECT_EQ(item.State(), row.state);
    EXPECT_EQ(item.IndentationLevel(), row.indentation);
    // A disabled item cannot be chosen: the receiver hears nothing.
    Headless().Script().menuChoices.push_back({0});
    EXPECT_EQ(native.PopUpMenuPositioningItem(nullptr, pw::Point{}, nullptr), row.enabled);
    EXPECT_EQ(receiver.MenuItem() != nullptr, row.enabled);
  }
}

TEST(NativeMenuTest, ChoiceInSubmenuNamesTheSubmenuAndItsOwnIndex) {
  pw::HeadlessBackend& backend = Headless();
  IPopupMenu menu;
  menu.AddItem("Top");
  menu.AddSeparator();
  auto* submenu = new IPopupMenu;
  submenu->AddItem("Inner A");
  submenu->AddItem("Inner B");
  menu.AddItem("More", submenu);
  IGraphicsMenuRcvr receiver(pw::Rect{});
  IGraphicsMenu native(menu, receiver);
  backend.Script().menuChoices.push_back({2, 1});
  ASSERT_TRUE(native.PopUpMenuPositioningItem(nullptr, pw::Point{}, nullptr));
  pw::MenuItem* chosen = receiver.MenuItem();
  ASSERT_NE(chosen, nullptr);
  auto* owner = dynamic_cast<IGraphicsMenu*>(chosen->GetMenu());
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(owner->GetIPopupMenu(), submenu);
  EXPECT_EQ(owner->IndexOfItem(*chosen), 1);
}

TEST(NativeFormatterTest, JudgesTheWholeProposedText) {
  const std::u32string kInteger = U"0123456789-+";
  const std::u32string kDouble = U"0123456789.-+";
  struct Row {
    std::optional<std::u32string> set;
    int maxLength;
    int maxValue;
    std::string text;
    bool valid;
  } rows[] = {
      {kInteger, 7, 0, "1234567", true},
      {kInteger, 7, 0, "12345678", false},  // an eighth character
      {kInteger, 0, 0, "12a", false},       // one foreign character refuses the whole paste
      {kInteger, 0, 0, "-3.5", false},
      {kDouble, 0, 0, "-3.5", true},
      {kDouble, 0, 0, "", true},
      {std::nullopt, 0, 0, "any \xC3\xA9 text", true},
      {std::nullopt, 3, 0, "\xC3\xA9\xC3\xA9\xC3\xA9", true},  // characters, not bytes
      {std::nullopt, 0, 0, "\xC3", false},                     // broken UTF-8
      {kInteger, 0, 100, "100", true},
      {kInteger, 0, 100, "101", false},
      {kInteger, 0, 100, "-5000", true},
      {std::nullopt, 0, 100, "99999999999", false},  // beyond an int: clamped, still above the maximum
      {std::nullopt, 0, 100, "abc", true},           // reads as 0
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    IGraphicsFormatter formatter;
    formatter.SetAcceptableCharacterSet(row.set);
    formatter.SetMaximumLength(row.maxLength);
    formatter.SetMaximumValue(row.maxValue);
    EXPECT_EQ(formatter.IsPartialStringValid(row.text), row.valid);
  }
}

TEST(NativeFormatterTest, ObjectValuesAreStringsOnly) {
  const std::any kObjects[] = {std::any(std::string("12")), std::any(std::string()), std::any(12), std::any("12"),
                               std::any()};
  const bool kIsString[] = {true, true, false, false, false};
  for (size_t i = 0; i < std::size(kObjects); ++i) {
    const std::string* text = IGraphicsFormatter::StringForObjectValue(kObjects[i]);
    EXPECT_EQ(text, std::any_cast<std::string>(&kObjects[i])) << i;  // the object itself, not a copy
    EXPECT_EQ(text != nullptr, kIsString[i]) << i;
  }

  // A copy is stored only with both an object and a string; the answer is yes either way.
  const std::string kText = "-3.5";
  struct Row {
    bool object;
    const std::string* text;
    bool stored;
  } rows[] = {{true, &kText, true}, {true, nullptr, false}, {false, &kText, false}, {false, nullptr, false}};
  for (const Row& row : rows) {
    std::any object = 7;
    EXPECT_TRUE(IGraphicsFormatter::GetObjectValue(row.object ? &object : nullptr, row.text));
    const std::string* stored = std::any_cast<std::string>(&object);
    ASSERT_EQ(stored != nullptr, row.stored);
    if (stored) {
      EXPECT_EQ(*stored, kText);
      EXPECT_NE(stored, row.text);
    }
  }
}

TEST(NativeTextFieldTest, CellOpensTheEditorOverTheCentredTextEitherWay) {
  // Bounds 100 x 40 and one line of a 12-point font, ceil(14.4) + 2 = 17 points: 3 points in at each side,
  // 23 spare points split above and below.
  const pw::Rect frame = pw::MakeRect(0, 0, 100, 40);
  const pw::Rect centred = pw::MakeRect(3, 11.5, 94, 17);
  const std::function<void(IGraphicsTextFieldCell&)> kOpenings[] = {
      [&](IGraphicsTextFieldCell& cell) { cell.EditWithFrame(frame); },
      [&](IGraphicsTextFieldCell& cell) { cell.SelectWithFrame(frame, 0, 4); },
  };
  for (size_t i = 0; i < std::size(kOpenings); ++i) {
    IGraphicsTextFieldCell cell;
    cell.SetFont(pw::FieldFont{"", 0, 12.0});
    kOpenings[i](cell);
    EXPECT_EQ(cell.EditorFrame(), centred) << i;
    EXPECT_EQ(cell.DrawingRectForBounds(frame), centred) << i;
  }
}

TEST(NativeTextFieldTest, CellCentresTextAndFieldEditsThroughFormatter) {
  pw::HeadlessBackend& backend = Headless();
  std::unique_ptr<pw::Window> window = pw::Window::Create(nullptr, pw::Size{300, 200});
  ASSERT_NE(window, nullptr);
  IGraphicsTextField field(pw::MakeRect(10, 10, 100, 40));
  field.SetCell(std::make_unique<IGraphicsTextFieldCell>());
  field.SetFont(pw::FieldFont{"", 0, 12.0});
  field.SetTextColor(pw::Color{0.2, 0.4, 0.6, 1.0});
  auto formatter = std::make_unique<IGraphicsFormatter>();
  formatter->SetAcceptableCharacterSet(U"0123456789");
  formatter->SetMaximumLength(3);
  field.SetFormatter(std::move(formatter));
  window->ContentView().AddSubview(field);

  // One line of a 12-point font is ceil(14.4) + 2 = 17 points high; 23 spare points split above and below.
  const pw::Rect centred = pw::MakeRect(3, 11.5, 94, 17);
  EXPECT_EQ(field.Cell().DrawingRectForBounds(field.Bounds()), centred);

  backend.Script().textEntries.push_back({{"12", "x", "3", "4"}, false, true});
  ASSERT_TRUE(window->MakeFirstResponder(&field));
  EXPECT_EQ(field.Cell().EditorFrame(), centred);
  ASSERT_NE(field.CurrentEditor(), nullptr);
  EXPECT_EQ(field.CurrentEditor()->insertionPointColor, field.TextColor());
  pw::Pump();
  EXPECT_EQ(field.StringValue(), "123");  // "x" and the fourth digit refused
  window.reset();
}

}  // namespace
}  // namespace fx::gfx
