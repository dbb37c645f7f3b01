// The value box Picture3 beside the pointer and the series list Combo1. The
// text itself comes from point_text; here it is shown and placed.
#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>

#include "chart/form4a.h"
#include "chart/point_text.h"
#include "core/util/text_helpers.h"
#include "meter/window/twips.h"
#include "platform/colour.h"

namespace {
// Twips around the text: 30 on the left, 75 more on the right, 30 above and below.
constexpr int kTextLeft = 30, kExtraWidth = 75 + 30, kExtraHeight = 30 + 30;
}  // namespace

QString Form4a::getPntTxt() {
  const graphRecord& g = m_core->graphDef;
  if (g.selSerie < 0 || g.selSerie >= g.series.size()) return {};
  const QString text =
      makeGraphText(g, static_cast<int>(m_core->seriesList.size()) - 1, m_core->plotSeriesData, m_core->settings());
  if (!m_valueBoxFlag || !menuItem("mnuTxtBox_Visible")->isChecked()) {
    m_picture3->hide();
    return text;
  }
  QStringList lines = text.split(kCrLf);
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(9);
  m_picture3->setFont(font);
  const QFontMetrics fm(font);
  int textWidth = 0;
  for (const QString& line : lines) textWidth = std::max(textWidth, fm.horizontalAdvance(line));
  const QSize boxTw(pxToTwips(textWidth) + kExtraWidth,
                    pxToTwips(fm.height() * static_cast<int>(lines.size())) + kExtraHeight);
  QPalette pal = m_picture3->palette();
  pal.setColor(QPalette::Window, colourToQColor(m_core->settings().pointTextBackColor));
  pal.setColor(QPalette::WindowText, Qt::black);
  m_picture3->setPalette(pal);
  m_picture3->setAutoFillBackground(true);
  m_picture3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_picture3->setContentsMargins(twipsToPx(kTextLeft), 0, 0, 0);
  m_picture3->setText(lines.join(u'\n'));
  const QPoint pointerTw(pxToTwips(qRound(g.lastXMouse)), pxToTwips(qRound(g.lastYMouse)));
  const QPoint at = placeValueBox(geometryTw(Picture1()), pointerTw, boxTw, m_boxAbove);
  placeTw(m_picture3, at.x(), at.y(), boxTw.width(), boxTw.height());
  m_picture3->show();
  m_picture3->raise();
  // No repaint at once: it would put the box on the screen beside a picture whose marks
  // are still to be drawn. The box and the marks are painted together.
  return text;
}

void Form4a::fillCombo1(const SeriesListEntries& entries) {
  auto* combo1 = findChild<QComboBox*>(QStringLiteral("Combo1"));
  {
    const QSignalBlocker block(combo1);
    combo1->clear();
    for (int i = 0; i < entries.texts.size(); ++i) combo1->addItem(entries.texts[i], entries.itemData[i]);
  }
  // Choosing the entry runs the list's own handler, as a click does.
  combo1->setCurrentIndex(entries.listIndex);
  selectSeries();
  combo1->setVisible(true);
  m_selSeriesMask = -1;
  m_selSeriesIndex = 0;
}

void Form4a::fillChannelList() {
  fillCombo1(::fillChannelList(static_cast<int>(m_core->seriesList.size()) - 1, m_core->graphDef));
}

void Form4a::fillSeriesList() {
  fillCombo1(::fillSeriesList(m_core->graphDef));
  selectSeries();
}
