#pragma once
// Clean-up that a stage needs on every exit path, an error included: its connection closed
// and its waiting notice hidden.
#include "stages/UpdateEngine.h"

// The stage's own handle triple. The connection is closed once: by Disconnect, or when the
// stage is left by an error.
class StageConnection {
public:
    explicit StageConnection(TUpdateEngine &engine) : engine_(engine) {}
    ~StageConnection() { Disconnect(); }
    StageConnection(const StageConnection &) = delete;
    StageConnection &operator=(const StageConnection &) = delete;

    // ConnectFTP's result: 2, or 0 or less with nothing open.
    int Connect();
    void Disconnect();

    HINTERNET hNet = nullptr;
    HINTERNET hFTP = nullptr;
    HINTERNET hFile = nullptr;

private:
    TUpdateEngine &engine_;
    bool connected_ = false;
};

// A waiting notice shown for the life of the scope.
class NoticeScope {
public:
    NoticeScope(TUpdateEngine &engine, const QString &text);
    ~NoticeScope();
    NoticeScope(const NoticeScope &) = delete;
    NoticeScope &operator=(const NoticeScope &) = delete;

private:
    TUpdateEngine &engine_;
};
