#include "support/link_processes.h"

#include <QFile>
#include <QtEndian>
#include <csignal>

#include "support/sanitizer_report.h"
#include "support/zav_run.h"

SimProcess::SimProcess(const QStringList& args) : m_p(std::make_unique<QProcess>()) {
  m_p->setProcessChannelMode(QProcess::SeparateChannels);
  m_p->start(QStringLiteral(ZAV_TOOLS_DIR "/zav_sim"), args);
  if (!m_p->waitForStarted(5000)) return;
  QByteArray out;
  runEventsUntil(
      [&] {
        out += m_p->readAllStandardOutput();
        return out.contains('\n') || m_p->state() == QProcess::NotRunning;
      },
      5000);
  const QList<QByteArray> words = out.left(out.indexOf('\n')).split(' ');
  if (words.size() == 2 && (words[0] == "PTY" || words[0] == "TCP"))
    m_endpoint = QString::fromLocal8Bit(words[1]);
}

SimProcess::~SimProcess() {
  if (m_p->state() != QProcess::NotRunning) {
    m_p->terminate();
    if (!m_p->waitForFinished(3000)) {
      m_p->kill();
      m_p->waitForFinished(3000);
    }
  }
}

ZavProcess::ZavProcess(const QString& dir, const QStringList& args, const QProcessEnvironment& env,
                       const QStringList& wrapper)
    : m_dir(dir), m_p(std::make_unique<QProcess>()), m_wrapped(!wrapper.isEmpty()) {
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  e.insert("ZAV_LOG_FILE", dir + "/log.txt");
  e.insert("ZAV_HEADLESS", "1");
  if (!e.contains("QT_QPA_PLATFORM")) e.insert("QT_QPA_PLATFORM", "offscreen");
  for (const QString& k : env.keys()) e.insert(k, env.value(k));
  m_p->setProcessEnvironment(e);
  m_p->setWorkingDirectory(dir);
  const QString program = programInFolder(dir + QStringLiteral("/program"));
  if (m_wrapped) {
    m_p->start(wrapper.first(), wrapper.mid(1) + QStringList{program} + args);
  } else {
    m_p->start(program, args);
  }
  m_p->waitForStarted(5000);
}

qint64 ZavProcess::programId() const {
  if (!m_wrapped) return m_p->processId();
  const QString pid = QString::number(m_p->processId());
  return readTextFile("/proc/" + pid + "/task/" + pid + "/children").split(' ').first().toLongLong();
}

ZavProcess::~ZavProcess() {
  kill();
  expectNoSanitizerReport(stdErr());
}

bool ZavProcess::terminate(int ms) {
  if (m_p->state() == QProcess::NotRunning) return true;
  if (const qint64 pid = programId(); pid > 0) ::kill(pid_t(pid), SIGTERM);
  const bool ended = runEventsUntil([&] { return m_p->state() == QProcess::NotRunning; }, ms);
  if (!ended) kill();
  return ended;
}

void ZavProcess::kill() {
  if (m_p->state() == QProcess::NotRunning) return;
  // A wrapper killed would leave the program running on.
  if (const qint64 pid = programId(); m_wrapped && pid > 0) {
    ::kill(pid_t(pid), SIGKILL);
    m_p->waitForFinished(5000);
  }
  m_p->kill();
  m_p->waitForFinished(5000);
}

QStringList ZavProcess::log() const {
  QStringList lines = QString::fromUtf8(readTextFile(m_dir + "/log.txt")).split(u'\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

bool ZavProcess::logHasPart(const QString& part) const {
  for (const QString& l : log()) {
    if (l.contains(part)) return true;
  }
  return false;
}

QString ZavProcess::stdErr() { return QString::fromLocal8Bit(m_p->readAllStandardError()); }

QList<DataFileSection> readDataFile(const QString& path, QString* problem) {
  const QByteArray b = readTextFile(path);
  const char* p = b.constData();
  auto i32 = [&](qsizetype at) { return qFromLittleEndian<qint32>(p + at); };
  auto i16 = [&](qsizetype at) { return qFromLittleEndian<qint16>(p + at); };
  auto f64 = [&](qsizetype at) { return qFromLittleEndian<double>(p + at); };
  QList<DataFileSection> sections;
  qsizetype at = 0;
  while (at + 38 <= b.size()) {
    DataFileSection s{.startTime = f64(at),
                      .version = i32(at + 8),
                      .sensorVer = i32(at + 12),
                      .meterID = i32(at + 16),
                      .ticksPerSec = i32(at + 20),
                      .wsPerCount = i32(at + 24),
                      .resetCount = i32(at + 28),
                      .records = i32(at + 34),
                      .voltCount = i16(at + 32),
                      .recordList = {}};
    at += 38;
    // 0 records: left open (still recording, or killed): its records run to the end.
    const qsizetype records = s.records > 0 ? s.records : (b.size() - at) / 18;
    for (qsizetype r = 0; r < records && at + 18 <= b.size(); ++r, at += 18) {
      s.recordList.append(
          {.recTime = f64(at), .count = i32(at + 8), .ticks = i32(at + 12), .temp = i16(at + 16)});
    }
    sections.append(s);
    if (s.recordList.size() != records) break;
  }
  if (problem && at != b.size())
    *problem = QStringLiteral("%1 bytes after the last whole record").arg(b.size() - at);
  return sections;
}

void writeTextFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

QByteArray readTextFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
