#pragma once
// The TCP client panel of the main window: "Open", "Close", "Send" (Command8(0..2)),
// the remote host and port (Text14(0), Text14(1), editable; the port defaults to 1681),
// the action log Text14(2), the text to send Text14(3) and the last receive notice
// Text14(4). It drives the meter link's TCP client, which hands what arrives to the
// session.

#include <QString>
#include <QWidget>

#include "meter/link/tcp_client.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TcpClientPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* kDefaultHost = "192.168.1.100";

  explicit TcpClientPanel(TcpClient& client, QWidget* parent = nullptr);

  QPushButton* Command8(int i) const { return m_buttons[i]; }
  QLineEdit* hostField() const { return m_host; }      // Text14(0)
  QLineEdit* portField() const { return m_port; }      // Text14(1)
  QPlainTextEdit* actionLog() const { return m_log; }  // Text14(2)
  QLineEdit* sendField() const { return m_send; }      // Text14(3)
  QPlainTextEdit* notice() const { return m_notice; }  // Text14(4)
  // The texts as the program keeps them, lines ending in CR LF.
  QString actionLogText() const { return m_logText; }
  QString noticeText() const { return m_noticeText; }
  TcpClient& Winsock1() { return m_client; }

  void Command8_Click(int index);

 private:
  void showClosed();
  void appendLog(const QString& line);
  void showArrival(const QByteArray& bytes);
  void socketError(int number, const QString& description);

  TcpClient& m_client;
  QPushButton* m_buttons[3] = {};
  QLineEdit* m_host = nullptr;
  QLineEdit* m_port = nullptr;
  QPlainTextEdit* m_log = nullptr;
  QLineEdit* m_send = nullptr;
  QPlainTextEdit* m_notice = nullptr;
  QString m_logText;
  QString m_noticeText;
};
