#include "core/startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "platform/named_colours.h"

namespace {
QStringList g_args;

QString yesNo(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

QString quoted(const QString& s) { return u'\'' + s + u'\''; }

// "-dir": a relative path is taken from the present directory; a path that
// cannot be entered is reported and ignored.
bool changeDirectory(const QString& path, QString& defDirName) {
  const QString target =
      QDir::isRelativePath(path) ? QDir::cleanPath(QDir::current().absoluteFilePath(path)) : path;
  if (!QFileInfo(target).isDir() || !QDir::setCurrent(target)) {
    logMsg(-1, QStringLiteral("getCmdArgs: ERROR cannot change directory to: ") + quoted(path));
    return false;
  }
  logMsg(3, QStringLiteral("current Directory set to: ") + quoted(target));
  defDirName = target;
  if (defDirName.size() > 1 && !defDirName.endsWith(u'/')) defDirName += u'/';
  return true;
}

bool isInterfaceOption(const QString& lower) {
  static const QStringList kOptions = {QStringLiteral("if=0"),  QStringLiteral("if=1"),
                                       QStringLiteral("if=2"),  QStringLiteral("-if=0"),
                                       QStringLiteral("-if=1"), QStringLiteral("-if=2")};
  return kOptions.contains(lower);
}

// COM options sort between "-com0" and "-com9:9600" in character-code order.
bool isComOption(const QString& lower) {
  return QString::compare(lower, QStringLiteral("-com0")) >= 0 &&
         QString::compare(lower, QStringLiteral("-com9:9600")) <= 0;
}
}  // namespace

void setCommandLineArgs(const QStringList& args) { g_args = args; }
const QStringList& commandLineArgs() { return g_args; }
QString commandLineText() { return g_args.join(u' '); }

QString applicationTitle(const QString& executablePath) {
  const QString base = QFileInfo(executablePath).completeBaseName();
  return base.compare(QStringLiteral("Falvor"), Qt::CaseInsensitive) == 0 ? QStringLiteral("Falvor")
                                                                          : QStringLiteral("Zav");
}

QVector<QString> splitCommandLine(const QString& commandLine, int limit) {
  QVector<QString> tokens(1);
  QString text = commandLine.trimmed();
  while (!text.isEmpty() && tokens.size() - 1 != limit) tokens.append(nextToken(text));
  return tokens;
}

QVector<QString> splitCommandLine(const QStringList& args, int limit) {
  QVector<QString> tokens(1);
  for (qsizetype i = 0; i < args.size() && tokens.size() - 1 != limit; ++i) tokens.append(args[i]);
  return tokens;
}

void getCmdArgs(StartValues& start) {
  logMsg(2, QStringLiteral("getCmdArgs: begin ---------------------------------"));
  logMsg(3, QStringLiteral("Current directory= ") + quoted(QDir::currentPath()));
  const QVector<QString> tokens = splitCommandLine(g_args);
  const int upper = static_cast<int>(tokens.size()) - 1;
  logMsg(4, QStringLiteral("from:") + strSigned(0) + QStringLiteral("  to:") + strSigned(upper));

  const QString debugKey = QStringLiteral("-debug=") + QString::number(debugAccessCode);
  int errors = 0;
  // "-if=N" and "-comN:<setting>" are only logged: the settings' own replace them.
  int16_t ifType = 0;
  QString comSetting;
  for (int i = 1; i <= upper; ++i) {
    const QString& token = tokens[i];
    logMsg(4, strSigned(i) + QStringLiteral("= ") + quoted(token));
    const QString lower = token.toLower();
    if (lower == debugKey) {
      if (i < upper) {
        const QString& level = tokens[++i];
        int16_t mode = 0;
        if (roundToInt16(val(level), mode)) {
          start.debugMode = mode;
          logMsg(3, QStringLiteral("debugMode set to: ") + QString::number(start.debugMode));
        } else {
          ++errors;
          logMsg(-1, QStringLiteral("getCmdArgs: ERROR debug level out of range: ") + quoted(level));
        }
      }
    } else if (lower == u"-dir") {
      if (i < upper && !changeDirectory(tokens[++i], start.defDirName)) ++errors;
    } else if (isInterfaceOption(lower)) {
      ifType = static_cast<int16_t>(lower.back().digitValue());
    } else if (isComOption(lower)) {
      int16_t port = 0;
      if (roundToInt16(val(token.mid(4)), port)) {
        start.comPort = port;
        const qsizetype colon = token.indexOf(u':');
        if (colon >= 0) comSetting = token.mid(colon + 1);
        logMsg(3, QStringLiteral("comport set to:") + strSigned(start.comPort));
      } else {
        ++errors;
        logMsg(-1, QStringLiteral("getCmdArgs: ERROR COM port out of range: ") + quoted(token));
      }
    } else if (lower == u"-noini") {
      readINI = false;
    } else if (lower == u"-nologo") {
      showLogo = false;
    } else if (lower == u"-start") {
      // accepted; nothing to do
    } else if (token.endsWith(u'\\') || token.endsWith(u'/')) {
      start.defDirName = token;
      if (start.defDirName.endsWith(u'\\')) start.defDirName.back() = u'/';
      logMsg(3, QStringLiteral("defDirName set to: ") + quoted(start.defDirName));
    } else if (token.endsWith(u'.')) {
      defBaseName = token;
      logMsg(3, QStringLiteral("defBaseName set to: ") + quoted(defBaseName));
    } else {
      ++errors;
      logMsg(-1, QStringLiteral("getCmdArgs: unknown command line option: (") + QString::number(i) +
                     QStringLiteral(") ") + quoted(token));
    }
  }

  logMsg(2, QStringLiteral("Current directory= ") + quoted(QDir::currentPath()));
  logMsg(2, QStringLiteral("       defDirName= ") + quoted(start.defDirName));
  logMsg(2, QStringLiteral("      defBaseName= ") + quoted(defBaseName));
  logMsg(2, QStringLiteral("               if= ") + strSigned(ifType));
  logMsg(2, QStringLiteral("          comPort= ") + strSigned(start.comPort));
  logMsg(2, QStringLiteral("          comBaud= ") + quoted(comBaud));
  logMsg(2, QStringLiteral("       comSetting= ") + quoted(comSetting));
  logMsg(2, QStringLiteral("          readINI= ") + yesNo(readINI));
  logMsg(2, QStringLiteral("         showLogo= ") + yesNo(showLogo));
  logMsg(2, QStringLiteral(" number of errors: ") + QString::number(errors));
  logMsg(2, QStringLiteral("getCmdArgs: end -----------------------------------\r\n"));
}

StartValues Main() {
  StartValues start;
  start.appName = applicationTitle(QCoreApplication::applicationFilePath());
  debugAccessCode = 58214;
  msgLevel = 4;
  logMaxChars = 100000;
  logColourNormal = kLogColourNormal;
  logColourError = kLogColourError;
  lapMax = 10;
  lapTimes = {0};
  lapIds = {0};
  getCmdArgs(start);
  if (start.defDirName.isEmpty()) start.defDirName = QCoreApplication::applicationDirPath() + u'/';
  return start;
}
