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

#include "core/settings/setup_values.h"
#include "core/setup/setup_window.h"
#include "core/setup/setup_window_calls.h"
#include "core/util/format_pattern.h"
#include "meter/engine/meter_session.h"
#include "meter/engine/reading_texts.h"
#include "meter/link/meter_link.h"
#include "platform/named_colours.h"
#include "platform/open_document.h"
#include "web/web_server.h"

namespace {
// Shows one announcement in the settings values (the setup window shows them when it exists).
template <typename Events, typename... Args, typename F>
void onWeb(SetupValues& values, Events& events, void (Events::*signal)(Args...), F show) {
  QObject::connect(&events, signal, &events, [&values, show](Args... args) { show(values, args...); });
}

// The pages' live values as the meter shows them now, fed by the session's
// announcements; the texts stay unformatted until a page reads them. The
// server gets a copy only while it listens, so a reading formats nothing for
// it otherwise (the record line included).
class LiveFeed : public QObject {
 public:
  explicit LiveFeed(WebServer& server) : QObject(&server), m_server(server) {}
  void takeReading(const ReadingResult& r) { m_texts.takeReading(r); }
  void takeRecord(const RegisterRecord& record) { m_texts.takeRecord(record); }
  void handOver() {
    if (m_server.port() == 0) return;
    LiveValues v{.strZavEnergy = m_texts.strZavEnergy,
                 .strZavPower = m_texts.strZavPower,
                 .strZavTemp = m_texts.strZavTemp,
                 .lngZavEnergy = m_texts.lngZavEnergy,
                 .lngZavPower = m_texts.lngZavPower,
                 .lngZavTemp = m_texts.lngZavTemp,
                 .zavRecord = m_texts.zavRecordText()};
    m_server.setLiveValues(v);
  }

 private:
  WebServer& m_server;
  ReadingTexts m_texts;
};

QString indexed(const char* array, int i) {
  return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(i);
}

// lblServerURL looks like a link while it holds the server's address.
void setUnderline(SetupWindow* window, bool on) {
  QWidget* w = window ? window->control(QStringLiteral("lblServerURL")) : nullptr;
  if (!w) return;
  QFont f = w->font();
  f.setUnderline(on);
  w->setFont(f);
}

void setTrayCaption(SetupWindow* w, const char* caption) {
  if (auto* a = w ? w->findChild<QAction*>(QStringLiteral("mnuStart")) : nullptr)
    a->setText(QString::fromLatin1(caption));
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

void showStarted(SetupValues& w, SetupWindow* window, const QString& url) {
  setTrayCaption(window, kTrayStopCaption);
  w.setCaption(QStringLiteral("lblServerStatus"), QStringLiteral("Web Server is available at URL:"));
  w.setForeColor(QStringLiteral("lblServerStatus"), kLogColourNormal);
  const QString link = QStringLiteral("lblServerURL");
  w.setVisible(link, true);
  w.setCaption(link, url);
  setUnderline(window, true);
  w.setForeColor(link, kBlue);
  w.setToolTip(link, QStringLiteral("Click to open in browser"));
  w.setEnabled(QStringLiteral("txtWebRoot"), false);
  w.setEnabled(QStringLiteral("Text18"), false);
}

void showStartFailed(SetupValues& w, SetupWindow* window, int port) {
  w.setCaption(QStringLiteral("lblServerStatus"), QStringLiteral("Web Server ERROR:"));
  w.setForeColor(QStringLiteral("lblServerStatus"), kLogColourError);
  const QString link = QStringLiteral("lblServerURL");
  w.setVisible(link, true);
  w.setCaption(link, QStringLiteral("Cannot open port: ") + QString::number(port));
  setUnderline(window, false);
  w.setForeColor(link, kLogColourError);
  w.setToolTip(link,
               QStringLiteral("The seleccted port may already be in use, please try another port number."));
  w.setValue(QStringLiteral("Check9"), 0);
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

void connectLiveValues(WebServer& server, MeterSession& session, MeterLink& link) {
  auto* feed = new LiveFeed(server);
  QObject::connect(&session, &MeterSession::readingRecorded, feed, &LiveFeed::takeReading);
  QObject::connect(&session, &MeterSession::registerLogged, feed, &LiveFeed::takeRecord);
  const auto handOver = [feed] { feed->handOver(); };
  QObject::connect(&session, &MeterSession::readingRecorded, feed, handOver);
  // Going on- or off-line writes a record line of its own.
  QObject::connect(&link, &MeterLink::onlineChanged, feed, handOver);
  QObject::connect(&link, &MeterLink::statusChanged, feed, handOver);
  QObject::connect(&server.events().start, &WebStartEvents::serverStarted, feed, handOver);
}

void connectWebServerToSetupWindow(WebServer& server, SetupValues& values,
                                   std::function<SetupWindow*()> setupWindow) {
  server.setSettings(values.settings());
  QObject::connect(&settingsEvents(), &SettingsEvents::settingsChanged, &server,
                   [&server](const Settings& s) { server.setSettings(s); });
  // A start may come while settings are still being written: it takes the current ones.
  QObject::connect(&webServerRequests(), &WebServerRequests::webServerStartRequested, &server,
                   [&server, &values] {
                     server.setSettings(values.settings());
                     server.checkWebRootFolder();
                   });
  QObject::connect(&webServerRequests(), &WebServerRequests::webServerStopRequested, &server,
                   [&server] { server.stopWebServer(); });
  WebStartEvents& start = server.events().start;
  onWeb(values, start, &WebStartEvents::portRefused, [](SetupValues& w, const QString&) {
    w.setForeColor(QStringLiteral("Text18"), kLogColourError);
    w.setToolTip(QStringLiteral("Text18"), QStringLiteral("Port number error"));
    w.setValue(QStringLiteral("Check9"), 2);
  });
  onWeb(values, start, &WebStartEvents::portAccepted, [](SetupValues& w, bool defaultPort) {
    w.setForeColor(QStringLiteral("Text18"), kLogColourNormal);
    w.setToolTip(QStringLiteral("Text18"),
                 defaultPort ? QStringLiteral("Using default http port number: 80") : QString());
  });
  onWeb(values, start, &WebStartEvents::webRootRefused, [](SetupValues& w, const QString&) {
    w.setValue(QStringLiteral("Check9"), 0);
    w.setForeColor(QStringLiteral("txtWebRoot"), kLogColourError);
  });
  onWeb(values, start, &WebStartEvents::webRootAccepted, [](SetupValues& w, const QString&) {
    w.setForeColor(QStringLiteral("txtWebRoot"), kLogColourNormal);
  });
  onWeb(values, start, &WebStartEvents::serverStarted,
        [setupWindow](SetupValues& w, const QString& url) { showStarted(w, setupWindow(), url); });
  onWeb(values, start, &WebStartEvents::serverStartFailed,
        [setupWindow](SetupValues& w, int port) { showStartFailed(w, setupWindow(), port); });
  onWeb(values, start, &WebStartEvents::serverStopped, [setupWindow](SetupValues& w) {
    setTrayCaption(setupWindow(), kTrayStartCaption);
    w.showWebServerStopped();
    setUnderline(setupWindow(), false);
    w.setForeColor(QStringLiteral("lblServerURL"), kLogColourNormal);
  });
  // The connection counters and the socket grid are the window's own display.
  WebConnectionEvents* connections = &server.events().connections;
  QObject::connect(connections, &WebConnectionEvents::counterChanged, connections,
                   [setupWindow](int box, int value, bool marked) {
                     SetupWindow* w = setupWindow();
                     auto* c = w ? qobject_cast<QLineEdit*>(w->control(indexed("Text22", box))) : nullptr;
                     if (!c) return;
                     // A box is touched only when what it shows changes.
                     const QString text = formatNumber(value, QStringLiteral("#,0"));
                     if (c->text() != text) c->setText(text);
                     if (c->font().bold() == marked) return;
                     QFont f = c->font();
                     f.setBold(marked);
                     c->setFont(f);
                   });
  QObject::connect(
      connections, &WebConnectionEvents::socketRowChanged, connections,
      [setupWindow](int index, int state, const QString& name, int slot) {
        SetupWindow* w = setupWindow();
        if (!w) return;
        const QString values[] = {QString::number(index), QString::number(state), QString::number(slot)};
        const char* arrays[] = {"Text19", "Text20", "Text23"};
        for (int c = 0; c < 3; ++c)
          if (QLineEdit* e = rowBox(w, arrays[c], index, c)) {
            e->setText(values[c]);
            if (c == 1) e->setToolTip(name);
          }
      });
  QObject::connect(connections, &WebConnectionEvents::socketRowsRemoved, connections, [setupWindow] {
    SetupWindow* w = setupWindow();
    if (!w) return;
    for (const char* array : {"Text19", "Text20", "Text23"})
      for (QLineEdit* e : w->findChildren<QLineEdit*>())
        if (e->objectName().startsWith(QLatin1String(array) + u'(') && e->objectName() != indexed(array, 0))
          e->deleteLater();
  });
  onWeb(values, server.events().log, &WebLogEvents::loggingFailed, [](SetupValues& w, const QString& tip) {
    w.setValue(QStringLiteral("cheLogging"), 2);
    w.setForeColor(QStringLiteral("cheLogging"), kLogColourError);
    w.setToolTip(QStringLiteral("cheLogging"), tip);
  });
}

void connectWebTabControls(WebServer& server, SetupValues& v, SetupWindow& w) {
  if (auto* a = w.findChild<QAction*>(QStringLiteral("mnuStart")))
    QObject::connect(a, &QAction::triggered, &server, [a, &server] { server.trayStartClicked(a->text()); });
  if (auto* a = w.findChild<QAction*>(QStringLiteral("mnuOptions")))
    QObject::connect(a, &QAction::triggered, &w, [&w] { showSetupWindow(w); });
  if (auto* a = w.findChild<QAction*>(QStringLiteral("mnuAbout")))
    QObject::connect(a, &QAction::triggered, a, [] { trayAboutClicked(); });
  if (auto* b = qobject_cast<QPushButton*>(w.control(QStringLiteral("Command8"))))
    QObject::connect(b, &QPushButton::clicked, &server, [&server] { server.listSocketStates(-1); });
  if (QWidget* link = w.control(QStringLiteral("lblServerURL")))
    link->installEventFilter(new LinkClick(link));
  QObject::connect(&v, &SetupValues::valueChanged, &w, [&v](const QString& name) {
    // The grey state of "Enable Logging to:" carries the write error; a tick or a clear drops it.
    if (name != u"cheLogging" || v.value(name) == 2) return;
    v.setForeColor(name, kLogColourNormal);
    v.setToolTip(name, QString());
  });
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    auto* tray = new QSystemTrayIcon(w.windowIcon(), &w);
    tray->setContextMenu(w.findChild<QMenu*>(QStringLiteral("mnuTray")));
    tray->setToolTip(v.settings().appName);
    tray->show();
  }
}
