// Soak test of recording under crashes: the program records from the controller simulator
// through a pseudo-terminal and is killed with SIGKILL at random moments, then started
// again, round after round. After every kill the data file is read here, independently of
// the program's code, and must hold every complete record it held before, in the same
// bytes, with nothing torn except at its very end; every round that ran long enough must
// have recorded again. Every few rounds the file's end is damaged before the restart as a
// lost write or a bad copy leaves it (zeros, stray bytes, a count too large before them or
// running past the end): the program must cut the damage, read nothing from it and lose no
// record. Each start's register (its on-line line in the text log) must be the counts of
// every record, and the plot of the whole file must show every record and nothing else.
//
//   zav_soak [--rounds N] [--build DIR] [--interval-ms MS] [--seed N] [--damage-every N] [--keep]
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
#include <bit>
#include <cstdio>
#include <random>

#include "tools/whole_file_plot.h"

namespace {
constexpr int kHeaderBytes = 38;
constexpr int kRecordBytes = 18;
constexpr int kMinVersion = 1002001;
constexpr int kMaxVersion = 1003999;

struct Section {
  qsizetype at = 0;   // 0-based offset of the header
  QByteArray header;  // as on disk, record count included
  int32_t records = 0;
};

// What the soak did to the file between two runs: stray bytes or zeros it
// appended at an offset, and headers whose count it set too large, with the
// records they hold. The program writes no count but an open section's.
struct Injected {
  QList<QPair<qsizetype, QByteArray>> junk;
  QHash<qsizetype, int32_t> trueCounts;
};

// What the file holds: sections, their complete records (raw bytes) and whether its end is torn
// or still holds damage the program has not cut yet (it was killed before it opened the file).
struct FileView {
  QList<Section> sections;
  QList<QByteArray> records;
  int tornBytes = 0;
  qsizetype junkLeft = 0;
  qsizetype size = 0;
  QString problem;
};

FileView readFile(const QString& path, const Injected& injected) {
  FileView v;
  QFile f(path);
  if (!f.exists()) return v;
  if (!f.open(QIODevice::ReadOnly)) {
    v.problem = QStringLiteral("cannot read the data file");
    return v;
  }
  const QByteArray b = f.readAll();
  v.size = b.size();
  // Where the damage put in lies: an open section's records end there.
  qsizetype damageAt = b.size();
  for (const auto& [at, bytes] : injected.junk)
    if (b.mid(at, bytes.size()) == bytes) damageAt = std::min(damageAt, at);
  qsizetype at = 0;
  while (at < b.size()) {
    if (at == damageAt) {  // damage the program has not seen yet: nothing follows it
      v.junkLeft = b.size() - at;
      break;
    }
    const qsizetype left = b.size() - at;
    if (left < kHeaderBytes) {  // a header cut by the kill: only at the very end
      v.tornBytes = int(left);
      break;
    }
    Section s;
    s.at = at;
    s.header = b.mid(at, kHeaderBytes);
    const int32_t version = qFromLittleEndian<qint32>(b.constData() + at + 8);
    s.records = qFromLittleEndian<qint32>(b.constData() + at + 34);
    if (version < kMinVersion || version > kMaxVersion || s.records < 0) {
      v.problem = QStringLiteral("no valid section header at byte %1").arg(at);
      return v;
    }
    at += kHeaderBytes;
    // A header of 0 records is the open section: it runs to the end of the file (or the damage).
    const bool open = s.records == 0;
    if (!open) s.records = injected.trueCounts.value(s.at, s.records);
    const qsizetype whole = open ? (damageAt - at) / kRecordBytes : s.records;
    if (!open && at + whole * kRecordBytes > b.size()) {
      v.problem = QStringLiteral("section at byte %1 claims %2 records beyond the end")
                      .arg(at - kHeaderBytes)
                      .arg(s.records);
      return v;
    }
    for (qsizetype r = 0; r < whole; ++r, at += kRecordBytes) v.records.append(b.mid(at, kRecordBytes));
    v.sections.append(s);
    if (open) {
      if (at < damageAt) v.tornBytes = int(damageAt - at);
      if (damageAt < b.size()) v.junkLeft = b.size() - damageAt;
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
  int damageEvery = 0;
  bool keep = false;
};

SoakOptions parseOptions(const QCoreApplication& app) {
  QCommandLineParser cli;
  cli.setApplicationDescription(QStringLiteral("Kills the recording program at random moments and checks its data file."));
  cli.addHelpOption();
  cli.addOptions(
      {{"rounds", "Kills and restarts (default 1000).", "n", "1000"},
       {"build", "Folder of zav and zav_sim (default: this program's).", "dir"},
       {"interval-ms", "Simulator frame interval (default 25).", "ms", "25"},
       {"seed", "Random seed (default: a fresh one).", "n"},
       {"damage-every", "Damage the file's end before every n-th restart (default 3, 0: never).", "n", "3"},
       {"keep", "Keep the folder also when all rounds pass."}});
  cli.process(app);
  return SoakOptions{
      .rounds = cli.value("rounds").toInt(),
      .intervalMs = std::max(5, cli.value("interval-ms").toInt()),
      .build = cli.isSet("build") ? QDir(cli.value("build")).absolutePath() : app.applicationDirPath(),
      .seed = cli.isSet("seed") ? cli.value("seed").toUInt() : std::random_device{}(),
      .damageEvery = std::max(0, cli.value("damage-every").toInt()),
      .keep = cli.isSet("keep"),
  };
}

bool writeIni(const QString& dir) {
  QFile ini(dir + QStringLiteral("/zav.INI"));
  if (!ini.open(QIODevice::WriteOnly)) return false;
  ini.write(
      "startOnLine=1\r\nrunWebServer=0\r\ncomPort=3\r\nifType=2\r\nticksPerSec=125000\r\n"
      "writeToZAVtextFile=1\r\noverWriteLast=0\r\n");
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
  Injected injected{};
  int killedRecording = 0;
  int killedStarting = 0;
  qint64 slowestResumeMs = 0;
  int damaged[4] = {};  // zero tails, stray tails, counts too large before either, copies cut short
  qint64 damageBytes = 0;
  int registersChecked = 0;
  qsizetype plotted = 0;  // points of the last plot
};

// The register the counts of every record give: 1 Wh a count (1000 counts a
// kWh), counted from each section's second record on, as the session counts.
qint64 registerOf(const FileView& v) {
  qint64 wh = 0;
  qsizetype r = 0;
  for (const Section& s : v.sections) {
    const qsizetype records = s.records > 0 ? s.records : v.records.size() - r;
    for (qsizetype i = r + 1; i < r + records && i < v.records.size(); ++i) {
      const auto count = [&](qsizetype k) {
        return qFromLittleEndian<quint32>(v.records[k].constData() + 8);
      };
      const quint32 d = count(i) - count(i - 1);
      if (d < 0x80000000u) wh += d;
    }
    r += records;
  }
  return wh;
}

// The registers of the text log's on-line lines, in order.
QList<qint64> onlineRegisters(const QString& dir) {
  QFile f(dir + QStringLiteral("/zavLog.TXT"));
  QList<qint64> out;
  if (!f.open(QIODevice::ReadOnly)) return out;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() == 4 && fields[3] == "-0000002") out.append(fields[2].toLongLong());
  }
  return out;
}

// Damages the end of a file that a kill left whole, as a lost write or a bad
// copy does: zeros or stray bytes behind it, the last section's count made
// too large before them, or running past the end. What went in is noted for
// the reading of the file. False when the file could not be written.
bool damageEnd(SoakRun& run) {
  QFile f(run.dat);
  if (run.known.sections.isEmpty() || run.known.tornBytes != 0 || run.known.junkLeft != 0 ||
      !f.open(QIODevice::ReadWrite))
    return true;
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(run.rng); };
  // A count made too large is the count of a section a kill left open (0 on
  // disk): a closed section's count that a later start wrote holds what tells
  // the register that start's period recorded nothing.
  const Section& last = run.known.sections.last();
  const int kind = pick(0, last.header.mid(34, 4) == QByteArray(4, '\0') ? 3 : 1);
  if (kind >= 2) {  // the last section's count: too large
    qsizetype records = run.known.records.size();
    for (qsizetype i = 0; i + 1 < run.known.sections.size(); ++i) records -= run.known.sections[i].records;
    const qint32 claimed = qint32(records + pick(1, 700));
    char bytes[4];
    qToLittleEndian(claimed, bytes);
    if (!f.seek(last.at + 34) || f.write(bytes, 4) != 4) return false;
    run.injected.trueCounts.insert(last.at, qint32(records));
  }
  QByteArray junk;
  if (kind == 0 || (kind == 2 && pick(0, 1))) {
    junk = QByteArray(pick(0, 1) ? 4096 : 65536, '\0');
  } else if (kind != 3) {
    for (int i = pick(1, 200); i > 0; --i) junk.append(char(pick(0, 255)));
    // No 8 stray bytes at any offset dated 1990-2200: such a record the program cannot tell from a reading.
    for (qsizetype i = 0; i + 8 <= junk.size(); ++i) {
      const double days = std::bit_cast<double>(qFromLittleEndian<quint64>(junk.constData() + i));
      if (days >= 32874 && days < 109940) junk[i + 7] = char(junk[i + 7] ^ 0x80);
    }
  }
  if (!junk.isEmpty()) {
    if (!f.seek(f.size()) || f.write(junk) != junk.size()) return false;
    run.injected.junk.append({run.known.size, junk});
  }
  f.close();
  run.damaged[kind] += 1;
  run.damageBytes += junk.size();
  run.known = readFile(run.dat, run.injected);
  return true;
}

// The plot of the whole file, as a chart draws it from the index the program
// reads: every record but the first and nothing else.
QString plotHoldsEveryRecord(SoakRun& run) {
  QList<RecordKey> keys;
  for (const QByteArray& r : run.known.records)
    keys.append({.recTime = std::bit_cast<double>(qFromLittleEndian<quint64>(r.constData())),
                 .count = qFromLittleEndian<qint32>(r.constData() + 8)});
  const WholeFilePlot plot = plotWholeFile(run.dat, keys);
  if (plot.indexed > 0) run.plotted = plot.points;
  return plot.problem;
}

// Waits until the program records beyond what the last round left; false when it does not in time.
bool waitForResume(SoakRun& run, const QProcess& zav, const QElapsedTimer& started) {
  while (started.elapsed() < 30000) {
    const FileView v = readFile(run.dat, run.injected);
    if (v.problem.isEmpty() && v.records.size() > run.known.records.size()) return true;
    if (zav.state() != QProcess::Running) return false;
    QThread::msleep(5);
  }
  return false;
}

// One start, one kill at a random moment and the check of the file and the
// start's register; then, every few rounds, damage at the file's end and the
// check of the plot. False at a fault (already reported).
bool runRound(SoakRun& run, int round) {
  const QString& dir = run.dir;
  QFile::remove(dir + QStringLiteral("/log.txt"));
  const qsizetype registersBefore = onlineRegisters(dir).size();
  const qint64 expectedRegister = registerOf(run.known);
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
    // The register it went on-line with: every count recorded before it started.
    const QList<qint64> registers = onlineRegisters(dir);
    if (registers.size() <= registersBefore || registers[registersBefore] != expectedRegister) {
      fail(QStringLiteral("round %1: went on-line with the register %2 Wh, the records give %3 Wh")
               .arg(round)
               .arg(registers.size() > registersBefore ? registers[registersBefore] : -1)
               .arg(expectedRegister),
           dir);
      zav.kill();
      zav.waitForFinished(5000);
      return false;
    }
    ++run.registersChecked;
    QThread::msleep(std::uniform_int_distribution<int>(0, 3 * run.options.intervalMs)(run.rng));
    ++run.killedRecording;
  }
  ::kill(pid_t(zav.processId()), SIGKILL);
  zav.waitForFinished(10000);

  const FileView now = readFile(run.dat, run.injected);
  QString problem = now.problem.isEmpty() ? compare(run.known, now) : now.problem;
  run.known = now;
  if (now.junkLeft == 0) run.injected.junk.clear();  // cut by the program
  if (problem.isEmpty() && run.options.damageEvery > 0 && round % run.options.damageEvery == 0 &&
      !damageEnd(run))
    problem = QStringLiteral("cannot damage the data file");
  if (problem.isEmpty()) problem = plotHoldsEveryRecord(run);
  if (!problem.isEmpty()) {
    fail(QStringLiteral("round %1: ").arg(round) + problem, dir);
    return false;
  }
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
      "sections=%lld slowest_resume_ms=%lld damaged=%d zero_tails=%d stray_tails=%d counts_too_large=%d "
      "cut_copies=%d damage_bytes=%lld registers_checked=%d plot_points=%lld\n",
      options.rounds, run.killedRecording, run.killedStarting, qlonglong(run.known.records.size()),
      qlonglong(run.known.sections.size()), run.slowestResumeMs,
      run.damaged[0] + run.damaged[1] + run.damaged[2] + run.damaged[3], run.damaged[0], run.damaged[1],
      run.damaged[2], run.damaged[3], qlonglong(run.damageBytes), run.registersChecked,
      qlonglong(run.plotted));
  if (!options.keep) QDir(dir).removeRecursively();
  return 0;
}
