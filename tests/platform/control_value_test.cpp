#include "platform/control_value.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace orv::platform {
namespace {

// Records the value the handler saw, proving it ran inside the setting call.
struct Recorder {
  std::vector<int> values;
  void attach(QAbstractButton& b) {
    QObject::connect(&b, &QAbstractButton::clicked, [this, &b] { values.push_back(b.isChecked()); });
  }
};

TEST(SetValue, CheckBoxRunsItsHandlerOnlyWhenTheValueChanges) {
  QPushButton box;
  box.setCheckable(true);
  Recorder r;
  r.attach(box);
  setValue(box, true);
  setValue(box, true);
  setValue(box, false);
  setValue(box, false);
  EXPECT_EQ(r.values, (std::vector<int>{1, 0}));
  EXPECT_EQ(value(box), 0);
}

TEST(SetValue, OptionButtonRunsItsHandlerWhenChosenAndReleasesTheOther) {
  QWidget parent;
  QButtonGroup group;
  QPushButton a(&parent), b(&parent);
  for (QPushButton* x : {&a, &b}) {
    x->setCheckable(true);
    group.addButton(x);
  }
  Recorder ra, rb;
  ra.attach(a);
  rb.attach(b);
  setValue(a, true);
  setValue(a, true);  // already chosen: nothing runs
  setValue(b, true);
  setValue(b, false);  // an option button is not released from code
  EXPECT_EQ(ra.values, (std::vector<int>{1}));
  EXPECT_EQ(rb.values, (std::vector<int>{1}));
  EXPECT_FALSE(a.isChecked());
  EXPECT_TRUE(b.isChecked());
}

TEST(SetValue, CommandButtonRunsItsHandlerEachTime) {
  QPushButton command;
  int clicks = 0;
  QObject::connect(&command, &QAbstractButton::clicked, [&] { ++clicks; });
  setValue(command, true);
  setValue(command, true);
  setValue(command, false);
  EXPECT_EQ(clicks, 2);
}

TEST(SetListIndex, RunsTheSelectionHandlerAlsoForTheSelectedEntry) {
  QComboBox list;
  list.addItems({QStringLiteral("a"), QStringLiteral("b")});
  std::vector<int> seen;
  QObject::connect(&list, &QComboBox::activated, [&](int i) { seen.push_back(list.currentIndex() == i ? i : -1); });
  setListIndex(list, 1);
  setListIndex(list, 1);
  setListIndex(list, 0);
  EXPECT_EQ(seen, (std::vector<int>{1, 1, 0}));
}

}  // namespace
}  // namespace orv::platform
