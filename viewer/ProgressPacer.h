// Pacing of the viewer's long tasks (loading, exporting): window events every few milliseconds and,
// after half a second, a progress bar whose Cancel stops the task.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QString>
#include <memory>

class ProgressPacer {
public:
    ProgressPacer(QWidget *parent, qsizetype total, QString caption, QString objectName)
        : m_parent(parent), m_total(total), m_caption(std::move(caption)), m_objectName(std::move(objectName))
    {
        m_clock.start();
    }

    // False once the operator has cancelled.
    bool keepGoing(qsizetype position)
    {
        if (m_clock.elapsed() - m_lastYield < 8)
            return true;
        m_lastYield = m_clock.elapsed();
        if (!m_bar && m_lastYield > 500 && qobject_cast<QApplication *>(QCoreApplication::instance())) {
            m_bar = std::make_unique<QProgressDialog>(m_caption, QStringLiteral("Cancel"), 0, 1000, m_parent);
            m_bar->setObjectName(m_objectName);
            m_bar->setMinimumDuration(0);
            m_bar->show();
        }
        if (m_bar)
            m_bar->setValue(static_cast<int>(m_total > 0 ? position * 1000 / m_total : 0));
        QCoreApplication::processEvents();
        return !(m_bar && m_bar->wasCanceled());
    }

private:
    QWidget *m_parent;
    qsizetype m_total;
    QString m_caption, m_objectName;
    QElapsedTimer m_clock;
    qint64 m_lastYield = 0;
    std::unique_ptr<QProgressDialog> m_bar;
};
