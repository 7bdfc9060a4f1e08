#include "bench/BenchWindow.h"

TBenchWindow::TBenchWindow() : connection_(*window_.engine)
{
    window_.show();
    SettleEvents();
}

bool TBenchWindow::Connect() { return connection_.Connect() > 0; }
