#pragma once
// What a benchmark of the real window needs beside the installation folder of the tests
// (made inside TMPDIR, which bench/run points at its work folder): the update server's login
// URL for the command-line yardsticks, and a wait for due window events.
#include "fixtures/InstallationFixture.h"

#include <QString>

// "ftp://orn_ftp:<password>@host:port/" ("ftps://" with implicit TLS) of the update server, for
// curl and lftp.
QString UpdateServerLoginUrl();

// Waits up to Milliseconds for the window events that are due (painting included) to run.
void SettleEvents(int Milliseconds = 200);
