// SPDX-License-Identifier: MIT
// The export's progress, shown on the main window's progress bar.
#pragma once

#include "AdifExport.h"

class QProgressBar;

/// Keeps the export's range and position and shows them on bar.  Qt draws a bar whose
/// minimum equals its maximum as a busy indicator, so an empty range (an empty log)
/// shows as 0..1: empty before the end, full at it.
class ProgressBarSink : public IProgressSink {
public:
    explicit ProgressBarSink(QProgressBar& bar);
    void SetMin(int value) override;
    void SetMax(int value) override;
    void SetPosition(int value) override;
    int Max() const override { return m_max; }

private:
    void show();

    QProgressBar& m_bar;
    int m_min = 0;
    int m_max = 0;
    int m_position = 0;
};
