#pragma once
// Run-time errors inside the graph code: a list index outside its bounds, an
// overflow, a value the picture refuses. The value functions raise them to
// their caller; the drawing engine catches every one, logs its number and
// goes on, so none ever leaves the engine.

#include <QVector>

struct GraphError {
  int number;
};

constexpr int kErrOverflow = 6;
constexpr int kErrSubscript = 9;
constexpr int kErrInvalidProperty = 380;

// list[i], or GraphError 9 when i lies outside the list.
template <class T>
const T& checkedItem(const QVector<T>& list, qsizetype i) {
  if (i < 0 || i >= list.size()) throw GraphError{kErrSubscript};
  return list[i];
}
template <class T>
T& checkedItem(QVector<T>& list, qsizetype i) {
  if (i < 0 || i >= list.size()) throw GraphError{kErrSubscript};
  return list[i];
}
