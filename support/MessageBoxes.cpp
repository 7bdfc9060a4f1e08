#include "support/MessageBoxes.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace MessageBoxes {
namespace {

Recorder &recorder()
{
    static Recorder instance;
    return instance;
}

void showBox(QMessageBox::Icon icon, const QString &text)
{
    QMessageBox box(icon, ApplicationTitle(), text, QMessageBox::Ok);
    box.adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen())
        box.move(screen->geometry().center() - box.rect().center());
    box.exec();
}

}  // namespace

void SetRecorder(Recorder r) { recorder() = std::move(r); }

QString ApplicationTitle()
{
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    return name.left(1) + name.mid(1).toLower();
}

QString WithFullStop(const QString &text)
{
    if (!text.isEmpty() && text.back().unicode() <= u'.')
        return text;
    return text + QLatin1Char('.');
}

void ShowMessage(const QString &text)
{
    if (recorder())
        recorder()(Kind::Message, text);
    else
        showBox(QMessageBox::NoIcon, text);
}

void ShowError(const QString &text)
{
    const QString shown = WithFullStop(text);
    if (recorder())
        recorder()(Kind::Error, shown);
    else
        showBox(QMessageBox::Critical, shown);
}

}  // namespace MessageBoxes
