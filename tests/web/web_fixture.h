#pragma once
// A running server on a free loopback port over a private web root: the test
// makes the server with its own graph renderer and hands it its settings.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFuture>
#include <QTemporaryDir>
#include <memory>

#include "core/settings/settings.h"
#include "web/web_server.h"

// A picture that is ready at once.
inline QFuture<Result<QByteArray>> readyPicture(Result<QByteArray> picture) {
  return QtFuture::makeReadyFuture(std::move(picture));
}

class WebServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    QDir(m_dir.path()).mkpath(QStringLiteral("root/sub"));
    QDir(m_dir.path()).mkpath(QStringLiteral("outside"));
    write(QStringLiteral("root/index.asp"), "index <%=graphRangeIndex%>");
    write(QStringLiteral("outside/secret.txt"), "secret");
    m_settings.webRootText = root();
    m_settings.appName = QStringLiteral("Zav");
    m_settings.webLogging = 0;
    // No picture unless the test draws one: the logo stands in.
    m_server = std::make_unique<WebServer>([this](const QString& query, const QString& type) {
      return m_render ? m_render(query, type) : readyPicture(Failure(QStringLiteral("no picture")));
    });
    apply();
  }
  void TearDown() override {
    m_server->stopWebServer();
    m_server.reset();
  }
  WebServer& server() { return *m_server; }
  const WebCounters& counters() const { return m_server->counters(); }
  // The settings as core hands them on after a change.
  void apply() { m_server->setSettings(m_settings); }
  // The web tab's port field, read by core's rule.
  void setPortText(const QString& text) {
    const WebPortSetting p = webPortFromText(text);
    m_settings.webPortText = text;
    m_settings.webPort = p.port;
    m_settings.webPortAccepted = p.accepted;
    apply();
  }
  void setLogging(int logging, const QString& file) {
    m_settings.webLogging = logging;
    m_settings.webLogFileText = file;
    apply();
  }
  void start() {
    m_port = 0;
    for (int attempt = 0; attempt < 5 && server().port() == 0; ++attempt) {
      setPortText(QString::number(freePortNumber()));
      server().checkWebRootFolder();
    }
    ASSERT_NE(server().port(), 0);
    m_port = server().port();
  }
  QString root() const { return m_dir.filePath(QStringLiteral("root")); }
  QString path(const QString& rel) const { return m_dir.filePath(rel); }
  void write(const QString& rel, const QByteArray& bytes) const {
    QFile f(m_dir.filePath(rel));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  int port() const { return m_port; }
  static int freePortNumber();

  QTemporaryDir m_dir;
  Settings m_settings;
  GraphRenderer m_render;  // the live graph; none: no picture
  std::unique_ptr<WebServer> m_server;
  int m_port = 0;
};
