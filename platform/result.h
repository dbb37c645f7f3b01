#pragma once
// The one way a step that can fail reports back: a value, or the text of what
// went wrong. The caller decides whether and where that text is logged or shown.
// It lives in the lowest folder so that every part of the program can return it.

#include <QString>
#include <utility>
#include <variant>

// What went wrong, in words a log line or a caption can take as they are.
class Failure {
 public:
  explicit Failure(QString text) : m_text(std::move(text)) {}
  const QString& text() const { return m_text; }

 private:
  QString m_text;
};

template <class T = void>
class [[nodiscard]] Result {
 public:
  Result(T value) : m_v(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : m_v(std::in_place_index<1>, failure.text()) {}

  bool ok() const { return m_v.index() == 0; }
  explicit operator bool() const { return ok(); }

  const T& value() const& { return std::get<0>(m_v); }
  T& value() & { return std::get<0>(m_v); }
  T&& value() && { return std::get<0>(std::move(m_v)); }
  const T& operator*() const& { return value(); }
  const T* operator->() const { return &value(); }
  T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

  // Empty while ok.
  QString error() const { return ok() ? QString() : std::get<1>(m_v); }
  // Hands the failure on to a caller of another result type.
  Failure failure() const { return Failure(error()); }

 private:
  std::variant<T, QString> m_v;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : m_error(failure.text()), m_failed(true) {}

  bool ok() const { return !m_failed; }
  explicit operator bool() const { return ok(); }
  QString error() const { return m_error; }
  Failure failure() const { return Failure(m_error); }

 private:
  QString m_error;
  bool m_failed = false;
};
