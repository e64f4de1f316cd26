#include "platform/control_value.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace orv::platform {
namespace {

// Each handler records the value it saw, which proves it ran inside the setting call.
TEST(SetValue, RunsTheClickHandlerOnlyWhereAUserClickWould) {
  QWidget parent;
  QButtonGroup group;
  QPushButton check(&parent), optionA(&parent), optionB(&parent), command(&parent);
  check.setCheckable(true);
  for (QPushButton* o : {&optionA, &optionB}) {
    o->setCheckable(true);
    group.addButton(o);
  }
  QStringList seen;
  const std::pair<QPushButton*, const char*> named[] = {
      {&check, "check"}, {&optionA, "A"}, {&optionB, "B"}, {&command, "command"}};
  for (const auto& [button, name] : named) {
    QObject::connect(button, &QAbstractButton::clicked, [&seen, b = button, n = name] {
      seen << QString::fromLatin1(n) + QString::number(b->isChecked());
    });
  }
  setValue(check, true);
  setValue(check, true);  // no change: nothing runs
  setValue(check, false);
  setValue(optionA, true);
  setValue(optionA, true);  // already chosen
  setValue(optionB, true);
  setValue(optionB, false);  // an option button is released only by choosing another
  setValue(command, true);
  setValue(command, false);
  EXPECT_EQ(seen,
            QStringList({QStringLiteral("check1"), QStringLiteral("check0"), QStringLiteral("A1"),
                         QStringLiteral("B1"), QStringLiteral("command0")}));
  EXPECT_EQ(std::make_tuple(value(check), optionA.isChecked(), optionB.isChecked()),
            std::make_tuple(0, false, true));
}

TEST(SetListIndex, RunsTheSelectionHandlerAlsoForTheSelectedEntry) {
  QComboBox list;
  list.addItems({QStringLiteral("a"), QStringLiteral("b")});
  std::vector<int> seen;
  QObject::connect(&list, &QComboBox::activated, [&] { seen.push_back(list.currentIndex()); });
  setListIndex(list, 1);
  setListIndex(list, 1);
  setListIndex(list, 0);
  EXPECT_EQ(seen, (std::vector<int>{1, 1, 0}));
}

}  // namespace
}  // namespace orv::platform
