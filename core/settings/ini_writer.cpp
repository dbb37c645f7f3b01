#include "core/settings/ini_writer.h"

#include <QFile>
#include <QSaveFile>

#include "core/log/logmsg.h"
#include "core/settings/ini_keys.h"
#include "core/settings/settings.h"
#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"
#include "platform/user_notice.h"

namespace {
const QByteArray kEol = QByteArrayLiteral("\r\n");

void reportWriteFailure(const QString& proc, const QString& fileName, const QString& reason) {
  logMsg(-1, proc + QStringLiteral(": ERROR: cannot write '") + fileName + QStringLiteral("': ") + reason);
  userNotice(QStringLiteral("Cannot write the settings file:\r\n") + fileName + kCrLf + reason,
             MsgIcon::Critical);
}
}  // namespace

int16_t getOptionIndex(const SetupControls& c, const QString& group, int16_t defaultIndex) {
  int16_t result = defaultIndex;
  for (int i = 0; i < c.count(group); ++i)
    if (c.value(group + u'(' + QString::number(i) + u')') == 1) result = int16_t(i);
  return result;
}

QByteArray iniFileText(const SetupControls& c, const QString& created) {
  QString out;
  auto line = [&](const QString& s) { out += s + kCrLf; };
  auto quoted = [](const QString& s) { return u'"' + s + u'"'; };
  line(QStringLiteral(";Zav initialization file - Created by Zav: ") + created);
  line(QStringLiteral(";loaded automatically at startup unless -noini option is used"));
  IniSection section = IniSection::Header;
  for (const IniKey& k : iniKeys()) {
    if (k.section == IniSection::None) continue;
    if (k.section != section) {
      line(QString());
      line(k.section == IniSection::Files
               ? QStringLiteral("[Files] ;Files specifications -------------------")
               : QStringLiteral("[setUp] ;setUp options --------------"));
      section = k.section;
    }
    const QString name = QString::fromLatin1(k.control);
    const QString key = QString::fromLatin1(k.key);
    QString v;
    switch (k.form) {
      case IniForm::Header:
        v = key == u"title" ? c.typedSettings().appName
                            : QStringLiteral("%1.%2.%3")
                                  .arg(ZAV_VERSION_MAJOR)
                                  .arg(ZAV_VERSION_MINOR)
                                  .arg(ZAV_VERSION_REVISION);
        break;
      case IniForm::Text: v = c.text(name); break;
      case IniForm::Quoted: v = quoted(c.text(name)); break;
      case IniForm::Comment: v = quoted(c.text(name)) + QStringLiteral("  ;comment only"); break;
      case IniForm::Flag: v = c.value(name) == 1 ? QStringLiteral("1") : QStringLiteral("0"); break;
      case IniForm::Index: v = QString::number(getOptionIndex(c, name, -1)); break;
      case IniForm::Slider: v = QString::number(c.sliderValue()); break;
      case IniForm::Price: v = quoted(c.typedSettings().pricePerkWh.trimmed()); break;
    }
    line(key + u'=' + v);
  }
  line(QString());
  return out.toUtf8();
}

Result<> writeIniFile(const QString& fileName, const QByteArray& bytes) {
  QSaveFile f(fileName);
  if (!f.open(QIODevice::WriteOnly)) return Failure(f.errorString());
  if (f.write(bytes) != bytes.size() || !f.commit()) return Failure(f.errorString());
  return {};
}

Result<> appendIniLine(const QString& fileName, const QString& line) {
  QFile f(fileName);
  if (!f.open(QIODevice::ReadWrite)) return Failure(f.errorString());
  QByteArray bytes;
  // A file that does not end in a line break would glue the new line to its last one.
  if (f.size() > 0 && f.seek(f.size() - 1) && f.peek(1) != "\n") bytes += kEol;
  bytes += line.toUtf8() + kEol;
  f.seek(f.size());
  if (f.write(bytes) != bytes.size() || !f.flush()) return Failure(f.errorString());
  return {};
}

bool saveIniFile(const QString& fileName, const SetupControls& c) {
  const Result<> written = writeIniFile(fileName, iniFileText(c, generalDate(dateNow())));
  if (!written) reportWriteFailure(QStringLiteral("saveIniFile"), fileName, written.error());
  return written.ok();
}

bool addToIniFile(const QString& iniFileName, const QString& line) {
  const Result<> added = appendIniLine(iniFileName, line);
  if (!added) reportWriteFailure(QStringLiteral("addToIniFile"), iniFileName, added.error());
  return added.ok();
}
