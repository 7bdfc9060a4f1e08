#pragma once
// The progress of the file being copied, in the window's bar and file label.
#include <QString>
#include <functional>

class QLabel;
class QProgressBar;

class FileProgressView {
public:
    using Translator = std::function<QString(const QString &)>;
    FileProgressView(QLabel *label, Translator translate) : label_(label), translate_(std::move(translate)) {}

    // Shows bytes received of size on bar (percent) and in the label:
    // "<Копируется файл>: <name>   <received> of <size> / <percent> %".
    void Show(QProgressBar *bar, const QString &fileName, qint64 received, qint64 size);

private:
    QLabel *label_;
    Translator translate_;
    QString fileName_;  // the file whose caption prefix is made
    QString prefix_;
};
