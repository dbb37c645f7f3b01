#include "app/test_actions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "core/log/logmsg.h"

namespace {
constexpr int kWatchIntervalMs = 100;

// "frmSetup.Text1(0)" names the control of that window only; "Text1(0)" any window's.
QWidget* findControl(const QString& name, const std::function<bool(QWidget*)>& fits) {
  const qsizetype dot = name.indexOf(u'.');
  const QString window = dot < 0 ? QString() : name.left(dot);
  const QString control = dot < 0 ? name : name.mid(dot + 1);
  QWidget* hidden = nullptr;
  const QWidgetList all = QApplication::allWidgets();
  for (QWidget* w : all) {
    if (w->objectName() != control || !fits(w)) continue;
    if (!window.isEmpty() && w->window()->objectName() != window) continue;
    if (w->window()->isVisible()) return w;
    if (!hidden) hidden = w;
  }
  return hidden;
}

bool hasText(QWidget* w) {
  return qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
         qobject_cast<QGroupBox*>(w);
}

QString textOf(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();  // a frame's caption
  return QString();
}

template <class T>
T* control(const QString& name) {
  return static_cast<T*>(findControl(name, [](QWidget* w) { return qobject_cast<T*>(w) != nullptr; }));
}

// Polled: a label has no signal for a changed text.
void watch(const QString& name, QWidget* w) {
  QPointer<QWidget> target(w);
  auto* timer = new QTimer(qApp);
  auto report = [name, target, timer, last = std::make_shared<std::optional<QString>>()]() {
    if (!target) {
      timer->deleteLater();
      return;
    }
    const QString text = textOf(target);
    if (*last == text) return;
    *last = text;
    logMsg(1, QStringLiteral("testActions: ") + name + u'=' + text);
  };
  QObject::connect(timer, &QTimer::timeout, report);
  report();
  timer->start(kWatchIntervalMs);
}

void runStep(const QString& step) {
  const qsizetype eq = step.indexOf(u'=');
  QString name = (eq < 0 ? step : step.left(eq)).trimmed();
  const bool query = eq < 0 && name.endsWith(u'?');
  if (query) name.chop(1);
  bool done = false;
  if (eq >= 0) {
    if (auto* e = control<QLineEdit>(name)) {
      e->setText(step.mid(eq + 1));
      done = true;
    }
  } else if (query) {
    if (QWidget* w = findControl(name, hasText)) {
      watch(name, w);
      done = true;
    }
  } else if (auto* b = control<QAbstractButton>(name)) {
    b->click();
    done = true;
  }
  if (!done) logMsg(-1, QStringLiteral("testActions: ERROR no control '") + name + u'\'');
}
}  // namespace

void runTestActions(const QString& steps) {
  for (const QString& step : steps.split(u';', Qt::SkipEmptyParts)) {
    logMsg(3, QStringLiteral("testActions: ") + step);
    // "@ms step": later, from the event loop, so it reaches into a step that waits (a
    // click that starts the COM search, for example).
    if (step.startsWith(u'@')) {
      const QString rest = step.mid(1).trimmed();
      const qsizetype blank = rest.indexOf(u' ');
      bool ok = false;
      const int ms = rest.left(blank).toInt(&ok);
      if (ok && blank > 0) {
        QTimer::singleShot(ms, qApp, [later = rest.mid(blank + 1).trimmed()] { runStep(later); });
        continue;
      }
    }
    runStep(step);
  }
}

void scheduleTestActions() {
  if (!qEnvironmentVariableIsSet("ZAV_TEST_ACTIONS")) return;
  const QString steps = qEnvironmentVariable("ZAV_TEST_ACTIONS");
  QTimer::singleShot(0, qApp, [steps] { runTestActions(steps); });
}
