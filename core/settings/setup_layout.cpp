#include "core/settings/setup_layout.h"

#include <QHash>

namespace {
const QHash<QString, QStringList>& captionTable() {
  static const QHash<QString, QStringList> k = {
      {"Option1", {"None", "S0 or Detector direct", "Zav-Controller ", "Zav-Controller over Radio"}},
      {"Option2", {"Timer", "GetTickCount", "timeGetTime", "GSTAFT", "Perf. Counter"}},
      {"Option3", {"off, show all points", "scan all, keep max/min", "skip records (integrate)"}},
      {"Option5", {"use max Meter scale", "zoom to max-min values", "use specified Max/Min"}},
      {"Option6", {"use default (-30 to +50)", "zoom to max-min values", "use specified Max/Min"}},
      {"Option7", {"OFF", "1 min", "5 min", "15 min", "30 min", "1 h", "3 h", "6 h", "12 h", "24 h"}},
      {"Check1",
       {"Ring bell for each pulse", "Start On-Line", "Advanced functions", "Fixed Plot Size",
        "Start with Auto Plot", "Show markers", "overWriteLast record between permanent save",
        "Start with Web Server", "Draw orthogonal lines", "Draw power in background", "Start Minimized"}},
      {"Check4", {"Date && Time", "Absolute Power"}},
      {"Check5",
       {"Relative  Date && Time", "Relative Power", "Used Energy", "Average Power", "Relative Average Power",
        "Relative Used Energy"}},
      {"Check8", {"write to Zav data file:", "write to Zav text file:", "save plot to pic file:"}},
      {"Check11", {"", ""}},
  };
  return k;
}

const QHash<QString, QString>& singleCaptions() {
  static const QHash<QString, QString> k = {
      {"Check9", "Enable Web Server"},
      {"cheLogging", "Enable Logging to:"},
      {"Frame10", "Pulse details"},
      {"lblServerStatus", "Web Server is Not running"},
  };
  return k;
}
}  // namespace

QString arrayOf(const QString& name) { return name.section(u'(', 0, 0); }

int indexOf(const QString& name) {
  if (!name.endsWith(u')')) return -1;
  bool ok = false;
  const int i = name.section(u'(', 1).chopped(1).toInt(&ok);
  return ok ? i : -1;
}

int setupArrayCount(const QString& array) {
  const auto it = captionTable().constFind(array);
  if (it != captionTable().constEnd()) return int(it->size());
  static const QHash<QString, int> fields = {{"Text1", 49}, {"Text2", 8}, {"Text5", 15}, {"Text16", 13}};
  return fields.value(array);
}

QString setupCaption(const QString& name) {
  const auto it = captionTable().constFind(arrayOf(name));
  if (it != captionTable().constEnd()) return it->value(indexOf(name));
  return singleCaptions().value(name);
}

QString setupStartText(const QString& name) {
  static const QHash<QString, QString> k = {
      {"Text5(7)", "32"}, {"Text5(14)", "32"}, {"Text2(6)", "Text10"}, {"Text17", "No pulse detected"}};
  return k.value(name);
}

const QStringList& advancedControls() {
  static const QStringList k = {"Frame2",     "Frame10",       "Frame11",    "Frame15",    "Frame19",
                                "Command11",  "Combo2",        "Label1(44)", "Label1(45)", "Text1(31)",
                                "Text1(32)",  "Label1(15)",    "Text1(14)",  "Label27(1)", "txtWebRoot",
                                "cheLogging", "txtWebLogFile", "Command9(1)"};
  return k;
}

const QStringList& setupHiddenAtStart() {
  static const QStringList k = [] {
    QStringList v = advancedControls();
    v << "Label1(3)"
      << "Text1(3)"
      << "Frame9"
      << "Label1(4)"
      << "Text1(4)"
      << "Check7"
      << "lblServerURL";
    return v;
  }();
  return k;
}

const QList<int>& text1Indexes() {
  static const QList<int> k = [] {
    QList<int> v;
    for (int i = 0; i <= 48; ++i)
      if (i != 9 && i != 10 && i != 21 && i != 22 && i != 23) v << i;
    return v;
  }();
  return k;
}

bool isSetupValue(const QString& name) {
  static const QStringList kArrays = {"Text1",  "Text2",  "Text5",  "Text16", "Check1",
                                      "Check4", "Check5", "Check8", "Check11"};
  static const QStringList kSingles = {"Text17",        "Text18", "Text24",    "txtWebRoot",
                                       "txtWebLogFile", "Check9", "cheLogging"};
  return kArrays.contains(arrayOf(name)) ? indexOf(name) >= 0
                                         : kSingles.contains(name) || name.startsWith(u"Option");
}
