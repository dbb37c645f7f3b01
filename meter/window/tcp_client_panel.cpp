#include "meter/window/tcp_client_panel.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"
#include "platform/colour.h"
#include "platform/named_colours.h"

namespace {
QString shown(const QString& text) {
  QString s = text;
  s.replace(kCrLf, QStringLiteral("\n"));
  return s;
}
}  // namespace

TcpClientPanel::TcpClientPanel(TcpClient& client, QWidget* parent) : QWidget(parent), m_client(client) {
  setObjectName(QStringLiteral("tcpClientPanel"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  const char* captions[] = {"Open", "Close", "Send"};
  for (int i = 0; i < 3; ++i) {
    m_buttons[i] = new QPushButton(QString::fromLatin1(captions[i]), this);
    m_buttons[i]->setObjectName(QStringLiteral("Command8(%1)").arg(i));
    grid->addWidget(m_buttons[i], 0, i);
    connect(m_buttons[i], &QPushButton::clicked, this, [this, i] { Command8_Click(i); });
  }
  m_host = new QLineEdit(QString::fromLatin1(kDefaultHost), this);
  m_port = new QLineEdit(QString::number(TcpClient::kRemotePort), this);
  m_log = new QPlainTextEdit(this);
  m_send = new QLineEdit(this);
  m_notice = new QPlainTextEdit(this);
  m_log->setReadOnly(true);
  m_notice->setReadOnly(true);
  QWidget* boxes[] = {m_host, m_port, m_log, m_send, m_notice};
  for (int i = 0; i < 5; ++i) boxes[i]->setObjectName(QStringLiteral("Text14(%1)").arg(i));
  m_host->setToolTip(QStringLiteral("remote host"));
  m_port->setToolTip(QStringLiteral("remote port"));
  grid->addWidget(m_host, 1, 0, 1, 2);
  grid->addWidget(m_port, 1, 2);
  grid->addWidget(m_log, 2, 0, 1, 3);
  grid->addWidget(m_send, 3, 0, 1, 3);
  grid->addWidget(m_notice, 4, 0, 1, 3);
  connect(m_port, &QLineEdit::textChanged, this, [this] {
    QPalette p = m_port->palette();
    p.setColor(QPalette::Text, colourToQColor(kLogColourNormal));
    m_port->setPalette(p);
  });

  connect(&m_client, &TcpClient::dataArrival, this, &TcpClientPanel::showArrival);
  connect(&m_client, &TcpClient::closedByPeer, this, &TcpClientPanel::showClosed);
  connect(&m_client, &TcpClient::error, this, &TcpClientPanel::socketError);
  showClosed();
}

void TcpClientPanel::Command8_Click(int index) {
  switch (index) {
    case 0: {
      const Result<quint16> port = parseRemotePort(m_port->text());
      if (!port) {
        // A port beyond 16 bits (or no number): the field's error, nothing connects.
        QPalette p = m_port->palette();
        p.setColor(QPalette::Text, colourToQColor(kLogColourError));
        m_port->setPalette(p);
        logMsg(-1, QStringLiteral("Command8_Click: ERROR ") + port.error());
        return;
      }
      m_client.connectTo(m_host->text().trimmed(), *port);
      m_buttons[0]->setEnabled(false);
      m_buttons[1]->setEnabled(true);
      m_buttons[2]->setEnabled(true);
      appendLog(QStringLiteral("open"));
      break;
    }
    case 1:
      m_client.close();
      showClosed();
      appendLog(QStringLiteral("close"));
      break;
    case 2: m_client.send(m_send->text().toUtf8()); break;
    default: break;
  }
}

void TcpClientPanel::showClosed() {
  m_buttons[0]->setEnabled(true);
  m_buttons[1]->setEnabled(false);
  m_buttons[2]->setEnabled(false);
}

void TcpClientPanel::appendLog(const QString& line) {
  m_logText += line + kCrLf;
  m_log->setPlainText(shown(m_logText));
}

void TcpClientPanel::showArrival(const QByteArray& bytes) {
  m_noticeText = formatDate(dateNow(), kDateTimeFormat) + kCrLf + QStringLiteral("receive: ") +
                 QString::number(bytes.size()) + kCrLf;
  m_notice->setPlainText(shown(m_noticeText));
}

void TcpClientPanel::socketError(int number, const QString& description) {
  logMsg(-1,
         QStringLiteral("Winsock1_Error: ") + QString::number(number) + QStringLiteral(" ") + description);
  appendLog(QStringLiteral("error: ") + description);
  showClosed();
}
