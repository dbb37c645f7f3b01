#include "web/web_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QCoreApplication>

QString addBackslash(const QString& path) {
  if (path.isEmpty() || path.endsWith(u'/')) return path;
  return path + u'/';
}

QString webProgramFolder() { return QCoreApplication::applicationDirPath(); }

QString webRootPath(const QString& typed, const QString& defaultRoot) {
  const QString path = typed.isEmpty() ? defaultRoot : typed;
  const qsizetype slash = path.indexOf(u'/');
  if (!typed.isEmpty() && (slash < 0 || (slash >= 1 && slash == path.size() - 1)))
    return webProgramFolder() + u'/' + path;
  return path;
}

QString webLogPath(const QString& typed) {
  if (typed.isEmpty()) return webProgramFolder() + QStringLiteral("/webserver.log");
  if (!typed.contains(u'/')) return webProgramFolder() + u'/' + typed;
  return typed;
}

bool webFileExists(const QString& path) {
  if (path.isEmpty()) return false;
  if (path.endsWith(u'/')) return !QDir(path).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty();
  const QFileInfo fi(path);
  return fi.exists() && fi.isFile() && !fi.isHidden();
}

qint64 webFileSize(const QString& path) { return webFileExists(path) ? QFileInfo(path).size() : 0; }

Result<QByteArray> readFileBytes(const QString& path) {
  if (!webFileExists(path)) return QByteArray();
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return Failure(f.errorString());
  return f.readAll();
}

Result<QString> decodeWebPage(const QString& page) {
  const QByteArray bytes = QByteArray::fromPercentEncoding(page.toLatin1());
  const Failure refused(QStringLiteral("the page could leave the web root"));
  if (bytes.contains("..") || bytes.contains('\\')) return refused;
  for (const char c : bytes)
    if (static_cast<unsigned char>(c) < 32 || c == 127) return refused;
  return QString::fromUtf8(bytes);
}

QString realWebRoot(const QString& root) { return QFileInfo(root).canonicalFilePath(); }

bool insideWebRoot(const QString& root, const QString& filePath) { return insideRealRoot(realWebRoot(root), filePath); }

bool insideRealRoot(const QString& rootReal, const QString& filePath) {
  if (rootReal.isEmpty()) return false;
  QFileInfo fi(filePath);
  // For a file that does not exist, the nearest existing folder decides.
  while (!fi.exists()) {
    const QString parent = fi.absolutePath();
    if (parent == fi.absoluteFilePath()) return false;
    fi = QFileInfo(parent);
  }
  const QString real = fi.canonicalFilePath();
  return real.startsWith(rootReal) && (real.size() == rootReal.size() || real[rootReal.size()] == u'/');
}
