#pragma once

class QAbstractButton;
class QString;

namespace orv::platform {

// Sets a button's value from code the way a click of the user would, so that its click handler
// runs inside this call: a check box set to a value it does not have, an option button set to
// chosen when it is not, a command button set to true. Any other setting changes nothing and
// runs nothing.
void setValue(QAbstractButton& button, bool value);

// The 0/1 value of a check box.
int value(const QAbstractButton& checkBox);

}  // namespace orv::platform

class QComboBox;

namespace orv::platform {

// Selects a list entry from code the way the user's choice would: the list's selection handler
// runs inside this call, also when the entry was already selected.
void setListIndex(QComboBox& list, int index);

}  // namespace orv::platform

class QWidget;

namespace orv::platform {

// Sets a window's caption to exactly `caption`: a "[*]" in a file name is shown as it is, not
// taken as the toolkit's modified-state placeholder.
void setCaption(QWidget& window, const QString& caption);

}  // namespace orv::platform
