#include "app/web_wiring.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>

#include "core/globals.h"
#include "core/setup/setup_window.h"
#include "core/util/format_pattern.h"
#include "platform/open_document.h"
#include "web/web_events.h"
#include "web/web_services.h"

namespace {
constexpr int32_t kLinkBlue = 0xFF0000;  // &HBBGGRR: blue 255

void setCaption(SetupWindow* w, const char* name, const QString& text) {
  if (auto* l = qobject_cast<QLabel*>(w->control(QString::fromLatin1(name)))) l->setText(text);
}

// Shows one announcement on the setup window once it exists.
template <typename... Args, typename F>
void onWeb(void (WebEvents::*signal)(Args...), F show) {
  QObject::connect(&webEvents(), signal, &webEvents(), [show](Args... args) {
    if (SetupWindow* w = frmSetup()) show(w, args...);
  });
}

QString indexed(const char* array, int i) { return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(i); }

void setUnderline(QWidget* w, bool on) {
  if (!w) return;
  QFont f = w->font();
  f.setUnderline(on);
  w->setFont(f);
}

void setTrayCaption(SetupWindow* w, const char* caption) {
  if (auto* a = w->findChild<QAction*>(QStringLiteral("mnuStart"))) a->setText(QString::fromLatin1(caption));
}

// Rows 1.. of the socket grid are made when first shown and dropped at stop.
QLineEdit* rowBox(SetupWindow* w, const char* array, int index, int column) {
  const QString name = indexed(array, index);
  if (index == 0) return qobject_cast<QLineEdit*>(w->control(name));
  if (auto* e = w->findChild<QLineEdit*>(name)) return e;
  auto* frame = qobject_cast<QGroupBox*>(w->control(QStringLiteral("Frame19")));
  auto* grid = frame ? qobject_cast<QGridLayout*>(frame->layout()) : nullptr;
  if (!grid) return nullptr;
  auto* e = new QLineEdit(frame);
  e->setObjectName(name);
  e->setReadOnly(true);
  e->setMaximumWidth(40);
  grid->addWidget(e, 2 + index, column);
  if (QWidget* button = w->control(QStringLiteral("Command8"))) grid->addWidget(button, 100, 0, 1, 3);
  return e;
}

void showStarted(SetupWindow* w, const QString& url) {
  setTrayCaption(w, kTrayStopCaption);
  setCaption(w, "lblServerStatus", QStringLiteral("Web Server is available at URL:"));
  w->setForeColor(QStringLiteral("lblServerStatus"), logColourNormal);
  const QString link = QStringLiteral("lblServerURL");
  w->setVisible(link, true);
  setCaption(w, "lblServerURL", url);
  setUnderline(w->control(link), true);
  w->setForeColor(link, kLinkBlue);
  w->setToolTip(link, QStringLiteral("Click to open in browser"));
  w->setEnabled(QStringLiteral("txtWebRoot"), false);
  w->setEnabled(QStringLiteral("Text18"), false);
}

void showStartFailed(SetupWindow* w, int port) {
  setCaption(w, "lblServerStatus", QStringLiteral("Web Server ERROR:"));
  w->setForeColor(QStringLiteral("lblServerStatus"), logColourError);
  const QString link = QStringLiteral("lblServerURL");
  w->setVisible(link, true);
  setCaption(w, "lblServerURL", QStringLiteral("Cannot open port: ") + QString::number(port));
  setUnderline(w->control(link), false);
  w->setForeColor(link, logColourError);
  w->setToolTip(link, QStringLiteral("The seleccted port may already be in use, please try another port number."));
  w->setValue(QStringLiteral("Check9"), 0);
}

class LinkClick : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonRelease) {
      const QString caption = static_cast<QLabel*>(watched)->text();
      if (caption.startsWith(u"http://")) openDocument(caption);
    }
    return false;
  }
};
}  // namespace

void connectWebServerToSetupWindow() {
  static bool connected = false;  // once, however many callers
  if (connected) return;
  connected = true;
  onWeb(&WebEvents::settingsNeeded, [](SetupWindow* w) {
    webPortText = w->text(QStringLiteral("Text18"));
    webRootText = w->text(QStringLiteral("txtWebRoot"));
    webLogFileText = w->text(QStringLiteral("txtWebLogFile"));
    webLogging = w->value(QStringLiteral("cheLogging"));
  });
  onWeb(&WebEvents::portRefused, [](SetupWindow* w, const QString&) {
    w->setForeColor(QStringLiteral("Text18"), logColourError);
    w->setToolTip(QStringLiteral("Text18"), QStringLiteral("Port number error"));
    w->setValue(QStringLiteral("Check9"), 2);
  });
  onWeb(&WebEvents::portAccepted, [](SetupWindow* w, bool defaultPort) {
    w->setForeColor(QStringLiteral("Text18"), logColourNormal);
    w->setToolTip(QStringLiteral("Text18"),
                  defaultPort ? QStringLiteral("Using default http port number: 80") : QString());
  });
  onWeb(&WebEvents::webRootRefused, [](SetupWindow* w, const QString&) {
    w->setValue(QStringLiteral("Check9"), 0);
    w->setForeColor(QStringLiteral("txtWebRoot"), logColourError);
  });
  onWeb(&WebEvents::webRootAccepted,
     [](SetupWindow* w, const QString&) { w->setForeColor(QStringLiteral("txtWebRoot"), logColourNormal); });
  onWeb(&WebEvents::serverStarted, showStarted);
  onWeb(&WebEvents::serverStartFailed, showStartFailed);
  onWeb(&WebEvents::serverStopped, [](SetupWindow* w) {
    setTrayCaption(w, kTrayStartCaption);
    w->showWebServerStopped();
    setUnderline(w->control(QStringLiteral("lblServerURL")), false);
    w->setForeColor(QStringLiteral("lblServerURL"), logColourNormal);
  });
  onWeb(&WebEvents::counterChanged, [](SetupWindow* w, int box, int value, bool marked) {
    const QString name = indexed("Text22", box);
    w->setText(name, formatNumber(value, QStringLiteral("#,0")));
    if (QWidget* c = w->control(name)) {
      QFont f = c->font();
      f.setBold(marked);
      c->setFont(f);
    }
  });
  onWeb(&WebEvents::socketRowChanged, [](SetupWindow* w, int index, int state, const QString& name, int slot) {
    const QString values[] = {QString::number(index), QString::number(state), QString::number(slot)};
    const char* arrays[] = {"Text19", "Text20", "Text23"};
    for (int c = 0; c < 3; ++c)
      if (QLineEdit* e = rowBox(w, arrays[c], index, c)) {
        e->setText(values[c]);
        if (c == 1) e->setToolTip(name);
      }
  });
  onWeb(&WebEvents::socketRowsRemoved, [](SetupWindow* w) {
    for (const char* array : {"Text19", "Text20", "Text23"})
      for (QLineEdit* e : w->findChildren<QLineEdit*>())
        if (e->objectName().startsWith(QLatin1String(array) + u'(') && e->objectName() != indexed(array, 0))
          e->deleteLater();
  });
  onWeb(&WebEvents::loggingFailed, [](SetupWindow* w, const QString& tip) {
    w->setValue(QStringLiteral("cheLogging"), 2);
    w->setForeColor(QStringLiteral("cheLogging"), logColourError);
    w->setToolTip(QStringLiteral("cheLogging"), tip);
  });
}

void connectWebTabControls() {
  SetupWindow* w = frmSetup();
  if (!w) return;
  if (auto* a = w->findChild<QAction*>(QStringLiteral("mnuStart")))
    QObject::connect(a, &QAction::triggered, a, [a] { trayStartClicked(a->text()); });
  if (auto* a = w->findChild<QAction*>(QStringLiteral("mnuOptions")))
    QObject::connect(a, &QAction::triggered, w, [w] {
      w->show();
      w->raise();
      w->activateWindow();
    });
  if (auto* a = w->findChild<QAction*>(QStringLiteral("mnuAbout")))
    QObject::connect(a, &QAction::triggered, a, [] { trayAboutClicked(); });
  if (auto* b = qobject_cast<QPushButton*>(w->control(QStringLiteral("Command8"))))
    QObject::connect(b, &QPushButton::clicked, b, [] { listSocketStates(-1); });
  if (QWidget* link = w->control(QStringLiteral("lblServerURL"))) link->installEventFilter(new LinkClick(link));
  if (auto* box = w->findChild<QCheckBox*>(QStringLiteral("cheLogging")))
    QObject::connect(box, &QCheckBox::stateChanged, box, [w](int state) {
      if (state == Qt::PartiallyChecked) return;  // the grey state carries the write error
      w->setForeColor(QStringLiteral("cheLogging"), logColourNormal);
      w->setToolTip(QStringLiteral("cheLogging"), QString());
    });
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    auto* tray = new QSystemTrayIcon(w->windowIcon(), w);
    tray->setContextMenu(w->findChild<QMenu*>(QStringLiteral("mnuTray")));
    tray->setToolTip(appName);
    tray->show();
  }
}
