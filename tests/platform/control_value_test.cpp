#include "platform/control_value.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace orv::platform {
namespace {

using namespace Qt::StringLiterals;

// Each handler records the value it saw, which proves it ran inside the setting call.
TEST(SetValue, RunsTheClickHandlerOnlyWhereAUserClickWould) {
  QButtonGroup group;
  QPushButton check(u"check"_s), a(u"A"_s), b(u"B"_s), command(u"command"_s);
  QStringList seen;
  for (QPushButton* button : {&check, &a, &b, &command}) {
    button->setCheckable(button != &command);
    if (button == &a || button == &b) group.addButton(button);
    QObject::connect(button, &QAbstractButton::clicked, [&seen, button] {
      seen << button->text() + QString::number(button->isChecked());
    });
  }
  // The same value twice runs nothing; an option button is released only by choosing another.
  const std::pair<QPushButton*, bool> steps[] = {
      {&check, true}, {&check, true}, {&check, false},  {&a, true},       {&a, true},
      {&b, true},     {&b, false},    {&command, true}, {&command, false}};
  for (const auto& [button, on] : steps) setValue(*button, on);
  EXPECT_EQ(seen.join(u' '), u"check1 check0 A1 B1 command0"_s);
  EXPECT_EQ(std::tuple(value(check), a.isChecked(), b.isChecked()), std::tuple(0, false, true));
}

TEST(SetListIndex, RunsTheSelectionHandlerAlsoForTheSelectedEntry) {
  QComboBox list;
  list.addItems({u"a"_s, u"b"_s});
  std::vector<int> seen;
  QObject::connect(&list, &QComboBox::activated, [&] { seen.push_back(list.currentIndex()); });
  for (const int index : {1, 1, 0}) setListIndex(list, index);
  EXPECT_EQ(seen, (std::vector<int>{1, 1, 0}));
}

}  // namespace
}  // namespace orv::platform
