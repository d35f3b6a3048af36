// SPDX-License-Identifier: MIT
// The export's progress on a QProgressBar.
#include "ProgressBarSink.h"

#include <QProgressBar>

ProgressBarSink::ProgressBarSink(QProgressBar& bar)
    : m_bar(bar), m_min(bar.minimum()), m_max(bar.maximum()), m_position(bar.value())
{
}

void ProgressBarSink::SetMin(int value)
{
    m_min = value;
    show();
}

void ProgressBarSink::SetMax(int value)
{
    m_max = value;
    show();
}

void ProgressBarSink::SetPosition(int value)
{
    m_position = value;
    show();
}

void ProgressBarSink::show()
{
    // The export runs without the event loop; QProgressBar::setValue repaints by itself
    // when the drawn bar would change, so the bar moves during a long export.
    if (m_max > m_min) {
        m_bar.setRange(m_min, m_max);
        m_bar.setValue(m_position);
    } else {
        m_bar.setRange(0, 1);
        m_bar.setValue(m_position >= m_max ? 1 : 0);
    }
}
