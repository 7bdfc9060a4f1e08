#pragma once
// Closing an open server file on every way out of a transfer.
#include "net/WinInet.h"

class ServerFileGuard {
public:
    // Closes hFile (and sets it to nullptr) when the guard goes.
    explicit ServerFileGuard(HINTERNET &hFile) : hFile_(hFile) {}
    ~ServerFileGuard()
    {
        InternetCloseHandle(hFile_);
        hFile_ = nullptr;
    }
    ServerFileGuard(const ServerFileGuard &) = delete;
    ServerFileGuard &operator=(const ServerFileGuard &) = delete;

private:
    HINTERNET &hFile_;
};
