#pragma once
// A one-line download indicator on standard error, for a run without a window: file, percent,
// bytes and rate, redrawn in place at most every 100 ms. Nothing is drawn when standard error
// is not a terminal.
#include <QElapsedTimer>
#include <QString>
#include <cstdio>

class TerminalProgress {
public:
    // Draws on stream when it is a terminal.
    explicit TerminalProgress(std::FILE *stream);

    // The file's progress; a new file name starts the rate anew.
    void Show(const QString &fileName, qint64 received, qint64 size);
    // Erases the line, if one is drawn, so that other output starts on a clean line.
    void Clear();

private:
    std::FILE *stream_;
    bool enabled_;
    bool drawn_ = false;
    QString fileName_;
    QElapsedTimer sinceStart_;
    QElapsedTimer sinceDrawn_;
};
