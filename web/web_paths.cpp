#include "web/web_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "web/web_services.h"
#include "web/web_state.h"

QString addBackslash(const QString& path) {
  if (path.isEmpty() || path.endsWith(u'/')) return path;
  return path + u'/';
}

QString webRootPath(const QString& typed) {
  const QString path = typed.isEmpty() ? defaultWebRoot : typed;
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

QByteArray readFileBytes(const QString& path, bool* ok, QString* error) {
  if (ok) *ok = true;
  if (!webFileExists(path)) return QByteArray();
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    if (ok) *ok = false;
    if (error) *error = f.errorString();
    return QByteArray();
  }
  return f.readAll();
}

QString decodeWebPage(const QString& page, bool& ok) {
  const QByteArray bytes = QByteArray::fromPercentEncoding(page.toLatin1());
  ok = false;
  if (bytes.contains("..") || bytes.contains('\\')) return QString();
  for (const char c : bytes)
    if (static_cast<unsigned char>(c) < 32 || c == 127) return QString();
  ok = true;
  return QString::fromUtf8(bytes);
}

bool insideWebRoot(const QString& root, const QString& filePath) {
  const QString rootReal = QFileInfo(root).canonicalFilePath();
  if (rootReal.isEmpty()) return false;
  QFileInfo fi(filePath);
  // For a file that does not exist, the nearest existing folder decides.
  while (!fi.exists()) {
    const QString parent = fi.absolutePath();
    if (parent == fi.absoluteFilePath()) return false;
    fi = QFileInfo(parent);
  }
  const QString real = fi.canonicalFilePath();
  return real == rootReal || real.startsWith(rootReal + u'/');
}
