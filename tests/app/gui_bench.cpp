// SPDX-License-Identifier: MIT
// Times the window on a large log: opening it and showing the first screen, Ctrl+End to
// the last record, a scroll-bar drag to the middle.  Run by bench/run-gui-bench.sh, not ctest.
//
//   gui_bench TABLE.DBF [ROUNDS]
#include "DBGrid.h"
#include "FakePrompts.h"
#include "Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    std::vector<double> open, last, middle, first;
};

double Milliseconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

void PressKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(widget, &release);
}

/// Paints the grid now and lets queued updates (the scroll bar) run, so a figure covers
/// everything up to the screen the user sees.
void ShowScreen(TForm1& form)
{
    QCoreApplication::processEvents();
    form.DBGrid1->repaint();
}

void Report(const char* what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("%-36s median %8.3f ms   min %8.3f ms   max %8.3f ms\n", what, times[times.size() / 2],
                times.front(), times.back());
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: gui_bench TABLE.DBF [ROUNDS]\n");
        return 2;
    }
    const QString table = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    FakePrompts prompts;
    FakeHelp help;
    TForm1 form(prompts, help);
    form.show();
    QCoreApplication::processEvents();

    Figures figures;
    QElapsedTimer timer;
    int records = 0;
    for (int round = 0; round < rounds; ++round) {
        timer.start();
        form.openFromCommandLine(table);
        ShowScreen(form);
        figures.open.push_back(Milliseconds(timer));
        if (!prompts.errors.isEmpty()) {
            std::fprintf(stderr, "gui_bench: %s\n", qPrintable(prompts.errors.constFirst()));
            return 1;
        }
        records = form.Dbf1.RecordCount();

        timer.start();
        PressKey(form.DBGrid1, Qt::Key_End, Qt::ControlModifier);
        ShowScreen(form);
        figures.last.push_back(Milliseconds(timer));
        // The generator deletes every fiftieth record, the file's last one among them.
        if (!form.Dbf1.Eof() || form.Dbf1.RecNo() < records - 50) {
            std::fprintf(stderr, "gui_bench: Ctrl+End did not reach the last record (RecNo %d of %d)\n",
                         form.Dbf1.RecNo(), records);
            return 1;
        }

        QScrollBar* bar = form.DBGrid1->verticalScrollBar();
        timer.start();
        bar->setSliderDown(true);
        bar->setSliderPosition(records / 2);
        bar->setSliderDown(false);
        ShowScreen(form);
        figures.middle.push_back(Milliseconds(timer));

        timer.start();
        PressKey(form.DBGrid1, Qt::Key_Home, Qt::ControlModifier);
        ShowScreen(form);
        figures.first.push_back(Milliseconds(timer));

        form.SpeedButton5Click();  // Close, for the next round's open
    }
    std::printf("table: %s, %d records, %d visible rows, %d rounds\n", qPrintable(table), records,
                form.DBGrid1->visibleRowCount(), rounds);
    Report("open + first screen", figures.open);
    Report("Ctrl+End (Last) + screen", figures.last);
    Report("scroll bar to the middle + screen", figures.middle);
    Report("Ctrl+Home (First) + screen", figures.first);
    return prompts.errors.isEmpty() ? 0 : 1;
}
