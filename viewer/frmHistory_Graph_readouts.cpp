// frmHistory_Graph: statistics of the visible range in counts and values, the readings count, the
// input labels shown or hidden, and "Add" with the summary files and their texts on the window.
#include "Controls.h"
#include "GraphE.h"
#include "MdlFunctions.h"
#include "MinMaxFile.h"
#include "Readouts.h"
#include "Seams.h"
#include "frmHistory_Graph.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

bool frmHistory_Graph::GetStatistics2OneString(qint32 lo, qint32 hi, QString &strDataA2D, QString &strDataVAL)
{
    GraphE::Viewer &v = m_viewer;
    const MdlFunctions::Status status =
        Readouts::statisticsTexts(v.slotData[slot()], lo, hi, A2DGain, A2DOffset, strDataA2D, strDataVAL);
    if (!status.ok())
        Zelk::MsgBox(status.message);
    v.SamplesText = QString::number(qint64(hi) - lo + 1);
    return status.ok();
}

// Both texts are refreshed, so a later switch of the value type shows this range too.
void frmHistory_Graph::refreshStatistics(quint8 s)
{
    QString a2d, values;
    if (!GetStatistics2OneString(LoIndex[s], HiIndex[s], a2d, values))
        return;
    const QString &caption = m_viewer.slotData[s].header[GraphE::AverageCaptionText];
    MdlFunctions::AlignLineToTemplate(caption, QStringLiteral(" "), a2d, AvgA2DText);
    MdlFunctions::AlignLineToTemplate(caption, QStringLiteral(" "), values, AvgValueText);
    showAverageText();
}

void frmHistory_Graph::showAverageText()
{
    txtAverage->setText(ValueType == 2 ? AvgA2DText : AvgValueText);
    txtAverage->setCursorPosition(0);
}

void frmHistory_Graph::ReadingsNumber()
{
    const GraphE::Viewer &v = m_viewer;
    txtIntegrationBufferSize->setText(
        Readouts::readingsNumberText(txtXmin->text(), txtXmax->text(), v.XAxisMode, v.ReadingIntervalMs));
    txtIntegrationBufferSize->setCursorPosition(0);
}

void frmHistory_Graph::cmdHideInputs_Click()
{
    if (InputLabelCount < 1)
        return;
    const bool hide = cmdHideInputs->text() == QLatin1String("Hide Inputs");
    cmdHideInputs->setText(hide ? QStringLiteral("Show Inputs") : QStringLiteral("Hide Inputs"));
    for (int i = 1; i <= InputLabelCount; ++i)
        if (QLabel *l = lblInputDn[static_cast<size_t>(i)])
            l->setVisible(!hide);
}

void frmHistory_Graph::cmdAdd2Graf_Click()
{
    qint32 next = 0;
    if (!LoadMinMaxFile(0, 1, next))
        return;
    setFollowSource({}, 0); // the slot holds the summary now, not the followed file
    ++AddCount;
    cmdAdd2Graf->setText(QString::number(AddCount));
    MyInitForm_Load();
}

bool frmHistory_Graph::LoadMinMaxFile(int part, qint32 firstIndex, qint32 &nextIndex)
{
    const QString path = QDir::current().filePath(MinMaxFile::fileName(part));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Zelk::MsgBox(QStringLiteral("The summary file ") + path + QStringLiteral(" cannot be read."));
        return false;
    }
    const MinMaxFile::Content c = MinMaxFile::parse(file.readAll());
    for (const QString &message : c.messages)
        Zelk::MsgBox(message);
    GraphE::Viewer &v = m_viewer;
    v.FileDateText = c.date;
    v.FileTimeText = c.time;
    if (c.plotStep)
        v.PlotStep = *c.plotStep;
    qint32 i = firstIndex;
    if (!c.readings.empty()) {
        GraphE::GraphSlot &sd = v.slotData[0];
        sd.resize(firstIndex); // the readings from firstIndex on are replaced
        for (const MinMaxFile::Reading &r : c.readings) {
            sd.append(QByteArray::number(r.value), r.value, r.time, true);
            ++i;
        }
        sd.summarise();
    }
    PrintedLines += c.printed;
    update();
    nextIndex = i;
    return true;
}

// Texts printed on the window surface stand under the controls, line by line from the top left.
void frmHistory_Graph::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (PrintedLines.isEmpty())
        return;
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm(font());
    int y = fm.ascent();
    for (const QString &line : PrintedLines) {
        p.drawText(0, y, line);
        y += fm.height();
    }
}
