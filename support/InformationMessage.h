#pragma once
// Small borderless, half-transparent waiting notices that take no focus; the code that opens
// one closes it. The centre-screen notices form a stack, newest below the older ones.
#include <QString>
#include <QVector>

class QLabel;
class QWidget;

class TInformationMessage {
public:
    // The open centre-screen notices, oldest first, and the label of each (same length).
    QVector<QWidget *> HintForm;
    QVector<QLabel *> HintLabel;

    // Destroying the component leaves open notices alone.
    TInformationMessage() = default;

    // Opens one more notice showing the trimmed text with one blank on each side, centred on
    // the primary screen below the notices already open; painted before it returns.
    void ShowInfoWindow(const QString &aText);

    // Closes the newest notice; does nothing when none is open.
    void HideInfoWindow();

    // Shows a notice that rises until it stands above the taskbar, stays two seconds, slides
    // down and is destroyed; returns when it is gone. Returns at once when the primary screen
    // has no panel (its available area is the whole screen).
    void ShowMovingWindowTray(const QString &aText);
};
