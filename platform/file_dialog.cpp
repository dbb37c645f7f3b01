#include "platform/file_dialog.h"

#include <QFileDialog>

#include "platform/message_box.h"

namespace {
// "Desc|*.a;*.b|Desc2|*.*" becomes Qt's "Desc (*.a *.b);;Desc2 (*)"; patterns match either case.
QString qtFilter(const QString& filter) {
  if (!filter.contains(u'|')) return filter;
  const QStringList parts = filter.split(u'|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList pats;
    for (const QString& p : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
      const QString t = p.trimmed();
      if (t == u"*.*") {
        pats << QStringLiteral("*");
      } else {
        pats << t.toLower();
        if (t.toUpper() != t.toLower()) pats << t.toUpper();
      }
    }
    out << parts[i] + QStringLiteral(" (") + pats.join(u' ') + u')';
  }
  return out.join(QStringLiteral(";;"));
}
}  // namespace

bool fileDialog(const FileDialogRequest& req, QString& chosen) {
  if (isHeadless()) {
    const QString f = qEnvironmentVariable("ZAV_TEST_FILE");
    if (f.isEmpty()) return false;
    chosen = f;
    return true;
  }
  QFileDialog::Options opts;
  if (!req.overwritePrompt) opts |= QFileDialog::DontConfirmOverwrite;
  const QString path = req.save ? QFileDialog::getSaveFileName(nullptr, req.title, req.fileName,
                                                               qtFilter(req.filter), nullptr, opts)
                                : QFileDialog::getOpenFileName(nullptr, req.title, req.fileName,
                                                               qtFilter(req.filter), nullptr, opts);
  if (path.isEmpty()) return false;
  chosen = path;
  if (!req.defaultExt.isEmpty() && !chosen.section(u'/', -1).contains(u'.')) chosen += u'.' + req.defaultExt;
  return true;
}
