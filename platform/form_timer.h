#pragma once
// A window timer as the program's forms use it: an interval and an enabled
// flag set independently. It fires only while enabled with an interval above
// 0; intervals are clamped to 65535 ms.

#include <QObject>
#include <QTimer>
#include <functional>

class FormTimer : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMaxIntervalMs = 65535;

  explicit FormTimer(QObject* parent = nullptr);
  void setInterval(int ms);
  int interval() const { return m_interval; }
  void setEnabled(bool on);
  bool isEnabled() const { return m_enabled; }
  // True while the timer will actually fire.
  bool isRunning() const { return m_timer.isActive(); }
  void onTimeout(std::function<void()> handler) { m_handler = std::move(handler); }

 signals:
  void timeout();

 private:
  void apply();

  QTimer m_timer;
  int m_interval = 0;
  bool m_enabled = false;
  std::function<void()> m_handler;
};
