#pragma once
// A pseudo-terminal opened in-process: the program side opens slavePath() like a serial
// device, the test writes and reads the master side.

#include <QByteArray>
#include <QString>

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  bool ok() const { return m_master >= 0; }
  QString slavePath() const { return m_slavePath; }
  int masterFd() const { return m_master; }
  void write(const QByteArray& bytes);
  // What the program side sent, collecting for up to `ms` milliseconds while Qt events run.
  QByteArray readFor(int ms);
  void closeMaster();

 private:
  int m_master = -1;
  int m_slave = -1;  // kept open so the slave side never sees a hang-up before the test wants one
  QString m_slavePath;
};

// Runs the Qt event loop until `done` returns true or `ms` pass; returns done().
template <class F>
bool runEventsUntil(F done, int ms);

bool runEventsFor(int ms);

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

template <class F>
bool runEventsUntil(F done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return done();
}
