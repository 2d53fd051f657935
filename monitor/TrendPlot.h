// The live weight trend's plot: the curve of a WeightTrend over 1, 10 or 60 minutes with its value
// and time axes, the armed set point as a dashed line, and a context menu for the span and the CSV.
#pragma once

#include "WeightTrend.h"

#include <QRect>
#include <QTimer>
#include <QWidget>
#include <optional>

class QAction;

class TrendPlot : public QWidget {
    Q_OBJECT
public:
    static constexpr int RepaintMs = 100; // at most one repaint per this many milliseconds
    static inline const QColor CurveColor = QColor(0, 0, 192);
    static inline const QColor SetPointColor = QColor(208, 0, 0);

    // Draws `trend`, which the owner keeps alive and fills.
    explicit TrendPlot(const WeightTrend &trend, QWidget *parent = nullptr,
                       const QString &objectName = QStringLiteral("picWeightTrend"));

    // Cheap enough for every reply: schedules one repaint within RepaintMs, however many calls come.
    void samplesChanged();
    void setSetPoint(std::optional<double> value);
    void setSpanMinutes(int minutes); // 1, 10 or 60 from the menu; any other is kept within 1..60
    int spanMinutes() const { return m_spanMinutes; }
    // Where the curve is drawn, in widget coordinates (one pixel column per trend column).
    QRect plotArea() const;

    QSize minimumSizeHint() const override { return {120, 80}; }
    QSize sizeHint() const override { return {320, 200}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QAction *addSpanAction(int minutes);
    void saveCsv();
    const WeightTrend &m_trend;
    std::optional<double> m_setPoint;
    int m_spanMinutes = 10;
    QTimer m_repaint;
};
