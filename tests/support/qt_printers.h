#pragma once

#include <QString>

#include <ostream>

// Lets GoogleTest print strings of the toolkit as text in its failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}
