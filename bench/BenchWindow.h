#pragma once
// The real update window, shown offscreen in a bench installation, with a stage connection of
// its own to the update server that ORN_FTP_SERVER names.
#include "stages/StageScope.h"
#include "app/uUpdate.h"
#include "bench/BenchInstallation.h"

class TBenchWindow {
public:
    // Makes the installation folder current, builds and shows the window and lets it paint.
    TBenchWindow();
    TBenchWindow(const TBenchWindow &) = delete;
    TBenchWindow &operator=(const TBenchWindow &) = delete;

    // ConnectFTP over the connection. Returns true when connected.
    bool Connect();

    InstallationFixture &installation() { return install_; }
    TfUpdate &window() { return window_; }
    StageConnection &connection() { return connection_; }

private:
    InstallationFixture install_;  // first: the window takes the current folder when built
    TfUpdate window_;
    StageConnection connection_;
};
