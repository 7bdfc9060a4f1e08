#include "bench/BenchWindow.h"

TBenchWindow::TBenchWindow() : connection_(window_)
{
    window_.show();
    SettleEvents();
}

bool TBenchWindow::Connect() { return connection_.Connect() > 0; }
