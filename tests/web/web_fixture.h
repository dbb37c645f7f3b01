#pragma once
// A running server on a free loopback port over a private web root.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/globals.h"
#include "web/web_server.h"
#include "web/web_services.h"
#include "web/web_state.h"

class WebServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    QDir(m_dir.path()).mkpath(QStringLiteral("root/sub"));
    QDir(m_dir.path()).mkpath(QStringLiteral("outside"));
    write(QStringLiteral("root/index.asp"), "index <%=graphRangeIndex%>");
    write(QStringLiteral("outside/secret.txt"), "secret");
    webRootText = root();
    appName = QStringLiteral("Zav");
    webLogging = 0;
    webServer().setTimeouts({});
    webGraphRenderer = nullptr;
  }
  void TearDown() override {
    stopWebServer();
    webGraphRenderer = nullptr;
    webServer().setTimeouts({});
    webLogging = 0;
  }
  void start() {
    m_port = 0;
    for (int attempt = 0; attempt < 5 && webServerPort == 0; ++attempt) {
      webPortText = QString::number(freePortNumber());
      checkWebRootFolder();
    }
    ASSERT_NE(webServerPort, 0);
    m_port = webServerPort;
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
  int m_port = 0;
};
