#pragma once
// A text that stands for a number: setting the number is cheap, the text is
// formatted on the first read after a change. Reads as a QString.

#include <QString>

class LazyText {
 public:
  using Format = QString (*)(double);

  LazyText() = default;
  LazyText(const QString& text) : text_(text) {}  // NOLINT: reads and writes as a QString
  LazyText& operator=(const QString& text) {
    text_ = text;
    format_ = nullptr;
    return *this;
  }
  // The text becomes format(value) when next read.
  void setValue(double value, Format format) {
    value_ = value;
    format_ = format;
  }
  const QString& text() const {
    if (format_) {
      text_ = format_(value_);
      format_ = nullptr;
    }
    return text_;
  }
  operator const QString&() const { return text(); }  // NOLINT

  friend bool operator==(const LazyText& a, const QString& b) { return a.text() == b; }
  friend bool operator==(const LazyText& a, const char* b) { return a.text() == QString::fromUtf8(b); }

 private:
  mutable QString text_;
  mutable Format format_ = nullptr;
  double value_ = 0;
};
