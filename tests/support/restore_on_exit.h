#pragma once
// Puts the variables it was given back to their values when it goes out of
// scope, so a test may change process-wide settings freely.

#include <functional>
#include <utility>
#include <vector>

class RestoreOnExit {
 public:
  template <class... T>
  explicit RestoreOnExit(T&... vars) {
    (keep(vars), ...);
  }
  ~RestoreOnExit() {
    for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it) (*it)();
  }
  RestoreOnExit(const RestoreOnExit&) = delete;
  RestoreOnExit& operator=(const RestoreOnExit&) = delete;

 private:
  template <class T>
  void keep(T& var) {
    m_undo.push_back([&var, old = var]() mutable { var = std::move(old); });
  }
  template <class T, std::size_t N>
  void keep(T (&vars)[N]) {
    for (T& v : vars) keep(v);
  }
  std::vector<std::function<void()>> m_undo;
};
