// The chart to the clipboard, to the printer and back from a picture file,
// and the marks to their file: the File menu and the Graph Menu's buttons.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

#include "chart/chart_output.h"
#include "chart/form4a.h"
#include "chart/marks_array.h"
#include "core/log/logmsg.h"
#include "platform/message_box.h"

void Form4a::connectOutput() {
  connect(menuItem("mnuFileCopy"), &QAction::triggered, this, &Form4a::copyChartToClipboard);
  connect(menuItem("mnuFilePrint"), &QAction::triggered, this, &Form4a::printChart);
  connect(menuItem("mnuFileLoad"), &QAction::triggered, this, [this] { loadChartPicture(*m_core); });
  // "Save" of the File menu has nothing to do.
  connect(findChild<QPushButton*>(QStringLiteral("Command22")), &QPushButton::clicked, this,
          &Form4a::copyChartToClipboard);
  connect(findChild<QPushButton*>(QStringLiteral("Command6")), &QPushButton::clicked, this, &Form4a::printChart);
  connect(findChild<QPushButton*>(QStringLiteral("Command4")), &QPushButton::clicked, this, &Form4a::saveMarks);
}

void Form4a::copyChartToClipboard() {
  if (m_core->chartMode < 1) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setImage(m_core->picture1());
}

void Form4a::printChart() {
  if (m_core->chartMode < 1) return;
  // At the screen's resolution the chart prints as large as it shows.
  QPrinter printer(QPrinter::ScreenResolution);
  const QString pdf = qEnvironmentVariable("ZAV_PRINT_PDF");
  if (!pdf.isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
  } else if (QPrinterInfo::availablePrinters().isEmpty() || !printer.isValid()) {
    logMsg(-1, QStringLiteral("printChart: ERROR no printer is installed"));
    msgBox(QStringLiteral("No printer is installed."), MsgButtons::Ok, MsgIcon::Warning);
    return;
  }
  if (!drawChartOnPage(*m_core, printer)) {
    logMsg(-1, QStringLiteral("printChart: ERROR the printer cannot print"));
    msgBox(QStringLiteral("The printer cannot print."), MsgButtons::Ok, MsgIcon::Warning);
  }
}

void Form4a::saveMarks() {
  auto* save = findChild<QPushButton*>(QStringLiteral("Command4"));
  save->setText(QStringLiteral("WAIT"));
  save->repaint();
  appendMarksToFile(marksFileTarget(m_core->fileTable), m_core->marks);
  save->setText(QStringLiteral("save"));
}

void Form4a::savePic(const QString& fileName) { ::savePic(*m_core, fileName); }
