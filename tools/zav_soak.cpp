// Soak test of recording under crashes: the program records from the controller simulator
// through a pseudo-terminal and is killed with SIGKILL at random moments, then started
// again, round after round. After every kill the data file is read here, independently of
// the program's code, and must hold every complete record it held before, in the same
// bytes, with nothing torn except at its very end; every round that ran long enough must
// have recorded again.
//
//   zav_soak [--rounds N] [--build DIR] [--interval-ms MS] [--seed N] [--keep]
//
// Prints "SOAK ..." lines; exits 1 at the first fault, leaving the folder for a look.
#include <signal.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <cstdio>
#include <random>

namespace {
constexpr int kHeaderBytes = 38;
constexpr int kRecordBytes = 18;
constexpr int kMinVersion = 1002001;
constexpr int kMaxVersion = 1003999;

struct Section {
  QByteArray header;  // as on disk, record count included
  int32_t records = 0;
};

// What the file holds: sections, their complete records (raw bytes) and whether its end is torn.
struct FileView {
  QList<Section> sections;
  QList<QByteArray> records;
  int tornBytes = 0;
  QString problem;
};

FileView readFile(const QString& path) {
  FileView v;
  QFile f(path);
  if (!f.exists()) return v;
  if (!f.open(QIODevice::ReadOnly)) {
    v.problem = QStringLiteral("cannot read the data file");
    return v;
  }
  const QByteArray b = f.readAll();
  qsizetype at = 0;
  while (at < b.size()) {
    const qsizetype left = b.size() - at;
    if (left < kHeaderBytes) {  // a header cut by the kill: only at the very end
      v.tornBytes = int(left);
      break;
    }
    Section s;
    s.header = b.mid(at, kHeaderBytes);
    const int32_t version = qFromLittleEndian<qint32>(b.constData() + at + 8);
    s.records = qFromLittleEndian<qint32>(b.constData() + at + 34);
    if (version < kMinVersion || version > kMaxVersion || s.records < 0) {
      v.problem = QStringLiteral("no valid section header at byte %1").arg(at);
      return v;
    }
    at += kHeaderBytes;
    // A header of 0 records is the open section: it runs to the end of the file.
    const bool open = s.records == 0;
    const qsizetype whole = open ? (b.size() - at) / kRecordBytes : s.records;
    if (!open && at + whole * kRecordBytes > b.size()) {
      v.problem = QStringLiteral("section at byte %1 claims %2 records beyond the end")
                      .arg(at - kHeaderBytes)
                      .arg(s.records);
      return v;
    }
    for (qsizetype r = 0; r < whole; ++r, at += kRecordBytes) v.records.append(b.mid(at, kRecordBytes));
    v.sections.append(s);
    if (open) {
      v.tornBytes = int(b.size() - at);
      break;
    }
  }
  // Counts grow from record to record: nothing doubled, nothing out of place.
  for (qsizetype i = 1; i < v.records.size(); ++i) {
    const int32_t a = qFromLittleEndian<qint32>(v.records[i - 1].constData() + 8);
    const int32_t c = qFromLittleEndian<qint32>(v.records[i].constData() + 8);
    if (c <= a) {
      v.problem = QStringLiteral("record %1 has count %2 after %3").arg(i + 1).arg(c).arg(a);
      break;
    }
  }
  return v;
}

// Complete records and closed sections may only ever be added to.
QString compare(const FileView& before, const FileView& now) {
  if (now.records.size() < before.records.size())
    return QStringLiteral("%1 complete records before, %2 now").arg(before.records.size()).arg(now.records.size());
  for (qsizetype i = 0; i < before.records.size(); ++i)
    if (now.records[i] != before.records[i]) return QStringLiteral("record %1 changed").arg(i + 1);
  for (qsizetype i = 0; i < before.sections.size() && i < now.sections.size(); ++i) {
    const Section& a = before.sections[i];
    const Section& c = now.sections[i];
    // The open section's header gets its count when the program opens the file again.
    if (a.header.left(34) != c.header.left(34) || (a.records != 0 && a.records != c.records))
      return QStringLiteral("section %1 header changed").arg(i + 1);
  }
  if (now.sections.size() < before.sections.size()) return QStringLiteral("a section went missing");
  return {};
}

QProcessEnvironment zavEnvironment(const QString& dir, const QString& pty) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (int n = 1; n <= 16; ++n) env.insert(QStringLiteral("ZAV_COM%1").arg(n), QStringLiteral("/nonexistent/zav"));
  env.insert(QStringLiteral("ZAV_COM3"), pty);
  env.insert(QStringLiteral("ZAV_HEADLESS"), QStringLiteral("1"));
  env.insert(QStringLiteral("ZAV_LOG_FILE"), dir + QStringLiteral("/log.txt"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  QDir().mkpath(dir + QStringLiteral("/runtime"));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir + QStringLiteral("/runtime"));
  return env;
}

void fail(const QString& what, const QString& dir) {
  std::printf("SOAK FAILED %s\n", qPrintable(what));
  std::printf("SOAK folder kept: %s (data file pwrData.ZAV, last round's log.txt and stderr.txt)\n", qPrintable(dir));
  std::fflush(stdout);
}

struct SoakOptions {
  int rounds = 0;
  int intervalMs = 0;
  QString build;
  uint32_t seed = 0;
  bool keep = false;
};

SoakOptions parseOptions(const QCoreApplication& app) {
  QCommandLineParser cli;
  cli.setApplicationDescription(QStringLiteral("Kills the recording program at random moments and checks its data file."));
  cli.addHelpOption();
  cli.addOptions({{"rounds", "Kills and restarts (default 1000).", "n", "1000"},
                  {"build", "Folder of zav and zav_sim (default: this program's).", "dir"},
                  {"interval-ms", "Simulator frame interval (default 25).", "ms", "25"},
                  {"seed", "Random seed (default: a fresh one).", "n"},
                  {"keep", "Keep the folder also when all rounds pass."}});
  cli.process(app);
  return SoakOptions{
      .rounds = cli.value("rounds").toInt(),
      .intervalMs = std::max(5, cli.value("interval-ms").toInt()),
      .build = cli.isSet("build") ? QDir(cli.value("build")).absolutePath() : app.applicationDirPath(),
      .seed = cli.isSet("seed") ? cli.value("seed").toUInt() : std::random_device{}(),
      .keep = cli.isSet("keep"),
  };
}

bool writeIni(const QString& dir) {
  QFile ini(dir + QStringLiteral("/zav.INI"));
  if (!ini.open(QIODevice::WriteOnly)) return false;
  ini.write("startOnLine=1\r\nrunWebServer=0\r\ncomPort=3\r\nifType=2\r\nticksPerSec=125000\r\n");
  return true;
}

// Starts the simulator and returns the pseudo-terminal it names (empty when it names none in time).
QString startSimulator(QProcess& sim, const SoakOptions& o) {
  sim.start(o.build + QStringLiteral("/zav_sim"),
            {QStringLiteral("--interval-ms"), QString::number(o.intervalMs), QStringLiteral("--power"),
             QStringLiteral("1500"), QStringLiteral("--temp"), QStringLiteral("21")});
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 10000) {
    if (!sim.waitForReadyRead(200) && !sim.canReadLine()) continue;
    const QString line = QString::fromUtf8(sim.readLine()).trimmed();
    if (line.startsWith(QStringLiteral("PTY "))) return line.mid(4);
  }
  return {};
}

struct SoakRun {
  const SoakOptions& options;
  QString dir;
  QString dat;
  QString pty;
  std::mt19937 rng;
  FileView known{};
  int killedRecording = 0;
  int killedStarting = 0;
  qint64 slowestResumeMs = 0;
};

// Waits until the program records beyond what the last round left; false when it does not in time.
bool waitForResume(SoakRun& run, const QProcess& zav, const QElapsedTimer& started) {
  while (started.elapsed() < 30000) {
    const FileView v = readFile(run.dat);
    if (v.problem.isEmpty() && v.records.size() > run.known.records.size()) return true;
    if (zav.state() != QProcess::Running) return false;
    QThread::msleep(5);
  }
  return false;
}

// One start, one kill at a random moment and the check of the file; false at a fault (already reported).
bool runRound(SoakRun& run, int round) {
  const QString& dir = run.dir;
  QFile::remove(dir + QStringLiteral("/log.txt"));
  QProcess zav;
  zav.setWorkingDirectory(dir);
  zav.setProcessEnvironment(zavEnvironment(dir, run.pty));
  zav.setStandardOutputFile(QProcess::nullDevice());
  zav.setStandardErrorFile(dir + QStringLiteral("/stderr.txt"));
  zav.start(run.options.build + QStringLiteral("/zav"), {dir + u'/'});
  if (!zav.waitForStarted(10000)) {
    fail(QStringLiteral("zav did not start in round %1").arg(round), dir);
    return false;
  }
  QElapsedTimer started;
  started.start();
  // Now and then the kill comes while the program starts and opens the file.
  std::uniform_int_distribution<int> oneIn10(0, 9);
  const bool duringStart = oneIn10(run.rng) == 0;
  if (duringStart) {
    QThread::msleep(std::uniform_int_distribution<int>(0, 600)(run.rng));
    ++run.killedStarting;
  } else {
    if (!waitForResume(run, zav, started)) {
      fail(QStringLiteral("round %1: recording did not resume (%2 records)")
               .arg(round)
               .arg(run.known.records.size()),
           dir);
      zav.kill();
      zav.waitForFinished(5000);
      return false;
    }
    run.slowestResumeMs = std::max(run.slowestResumeMs, started.elapsed());
    QThread::msleep(std::uniform_int_distribution<int>(0, 3 * run.options.intervalMs)(run.rng));
    ++run.killedRecording;
  }
  ::kill(pid_t(zav.processId()), SIGKILL);
  zav.waitForFinished(10000);

  const FileView now = readFile(run.dat);
  const QString problem = now.problem.isEmpty() ? compare(run.known, now) : now.problem;
  if (!problem.isEmpty()) {
    fail(QStringLiteral("round %1: ").arg(round) + problem, dir);
    return false;
  }
  run.known = now;
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const SoakOptions options = parseOptions(app);

  QTemporaryDir tmp;
  tmp.setAutoRemove(false);
  const QString dir = tmp.path();
  if (!writeIni(dir)) return 2;

  QProcess sim;
  const QString pty = startSimulator(sim, options);
  if (pty.isEmpty()) {
    fail(QStringLiteral("zav_sim gave no pseudo-terminal (") + options.build + QStringLiteral("/zav_sim)"),
         dir);
    return 1;
  }
  std::printf("SOAK seed=%u rounds=%d interval-ms=%d folder=%s\n", options.seed, options.rounds,
              options.intervalMs, qPrintable(dir));
  std::fflush(stdout);

  SoakRun run{.options = options,
              .dir = dir,
              .dat = dir + QStringLiteral("/pwrData.ZAV"),
              .pty = pty,
              .rng = std::mt19937(options.seed)};
  for (int round = 1; round <= options.rounds; ++round) {
    if (!runRound(run, round)) return 1;
    if (round % 50 == 0 || round == options.rounds)
      std::printf("SOAK round %d: %lld records in %lld sections, torn tail %d bytes\n", round,
                  qlonglong(run.known.records.size()), qlonglong(run.known.sections.size()),
                  run.known.tornBytes);
    std::fflush(stdout);
  }
  sim.kill();
  sim.waitForFinished(5000);
  std::printf(
      "SOAK PASSED rounds=%d killed_while_recording=%d killed_while_starting=%d records=%lld "
      "sections=%lld slowest_resume_ms=%lld\n",
      options.rounds, run.killedRecording, run.killedStarting, qlonglong(run.known.records.size()),
      qlonglong(run.known.sections.size()), run.slowestResumeMs);
  if (!options.keep) QDir(dir).removeRecursively();
  return 0;
}
