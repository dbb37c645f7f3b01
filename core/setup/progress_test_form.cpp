#include "core/setup/progress_test_form.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "core/setup/progress_window.h"
#include "core/util/date_value.h"
#include "core/util/format_pattern.h"
#include "platform/message_box.h"

namespace {
constexpr int kBarMax = 127;
constexpr int kPollMs = 10;
}  // namespace

Form2::Form2() {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Form2"));
  setWindowFlag(Qt::Window);
  m_text1 = new QLineEdit(this);
  m_text1->setObjectName(QStringLiteral("Text1"));
  m_text1->setGeometry(8, 8, 240, 22);
  m_command1 = new QPushButton(QStringLiteral("Command1"), this);
  m_command1->setObjectName(QStringLiteral("Command1"));
  m_command1->setGeometry(8, 40, 110, 26);
  m_command2 = new QPushButton(QStringLiteral("Command2"), this);
  m_command2->setObjectName(QStringLiteral("Command2"));
  m_command2->setGeometry(138, 40, 110, 26);
  setFixedSize(256, 76);
  // The test runs from the event loop, so the window never blocks while it waits.
  m_poll = new QTimer(this);
  m_poll->setInterval(kPollMs);
  connect(m_poll, &QTimer::timeout, this, &Form2::testStep);

  m_timer1.onTimeout([this] { m_text1->setText(generalDate(dateNow())); });
  connect(m_command1, &QPushButton::clicked, this, [this] {
    m_timer1.setInterval(100);
    m_timer1.setEnabled(true);
    m_text1->setStyleSheet(QStringLiteral("color: black"));
    m_text1->clear();
    runProgBarTest();
  });
  connect(m_command2, &QPushButton::clicked, this, [this] {
    m_timer1.setEnabled(true);
    m_text1->setStyleSheet(QStringLiteral("color: red"));
  });
}

Form2::~Form2() = default;

void Form2::runProgBarTest() {
  if (m_progress) return;  // one test at a time
  m_progress = std::make_unique<frmProgBar>();
  m_progress->Reset(QStringLiteral("progress title"));
  int32_t index = 0;
  m_progress->initBar(0, 0, kBarMax, QStringLiteral("$searching files"), index);
  for (int i = 0; i < kTestBars; ++i)
    m_progress->initBar(-1, 0, kBarMax, QStringLiteral("hej%1").arg(i), index);
  msgBox(QStringLiteral("pBar.ANewMethod done"));
  m_updates = 0;
  m_lastTenth = 0;
  m_clock.start();
  m_poll->start();
}

void Form2::testStep() {
  if (!m_progress) return;
  const qint64 tenth = m_clock.elapsed() / 100;
  if (tenth != m_lastTenth) {
    m_lastTenth = tenth;
    if (m_updates == 0) msgBox(QStringLiteral("start"));
    ++m_updates;
    const double v = double(tenth % (kBarMax + 1));
    m_progress->updateAll({v, v, double(kBarMax) - v, v / 2, double(m_updates)});
  }
  if (m_progress->cancelRequested() || m_updates >= kTestSteps) endTest();
}

void Form2::endTest() {
  m_poll->stop();
  msgBox(QStringLiteral("end"));
  m_progress.reset();
  m_text1->setText(QString::number(m_clock.elapsed() / 100));
  emit testDone();
}
