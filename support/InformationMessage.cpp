#include "support/InformationMessage.h"

#include "support/LangText.h"
#include "support/NoticeGeometry.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QPalette>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>

namespace {

const QColor NoticeColour(166, 202, 240);
constexpr double NoticeOpacity = 220.0 / 255.0;

QRect PrimaryScreenGeometry()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

// A frameless top-level window that takes no focus, in the notice colour and transparency. The
// tool-tip window type is the one that no platform activates when it is shown; it also keeps
// the notice above the windows of other programs.
QWidget *NewNoticeWindow()
{
    auto *window = new QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setAutoFillBackground(true);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, NoticeColour);
    window->setPalette(palette);
    window->setWindowOpacity(NoticeOpacity);
    return window;
}

// The label of a notice: the trimmed text with one blank each side, wrapped, centred.
QLabel *NewNoticeLabel(QWidget *window, const QString &text, bool bold)
{
    auto *label = new QLabel(window);
    label->setTextFormat(Qt::PlainText);
    label->setText(QLatin1Char(' ') + TrimControl(text) + QLatin1Char(' '));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        font.setPointSize(12);
        label->setFont(font);
    }
    return label;
}

// Paints the window before returning, also when the caller blocks right afterwards: first lets
// the window system expose it (serving no user input meanwhile, half a second at most). The
// events served may close the notice again (a report queued behind it): then nothing is left
// to paint.
void PaintNow(QWidget *window)
{
    const QPointer<QWidget> alive(window);
    const QDeadlineTimer deadline(500);
    while (alive && alive->windowHandle() && !alive->windowHandle()->isExposed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (alive && alive->windowHandle() && !alive->windowHandle()->isExposed())
            QThread::msleep(2);
    }
    if (alive)
        alive->repaint();
}

void ShowNotice(QWidget *window, QLabel *label, const QRect &geometry)
{
    window->setGeometry(geometry);
    label->setGeometry(window->rect());
    window->show();
    PaintNow(window);
}

}  // namespace

void TInformationMessage::ShowInfoWindow(const QString &aText)
{
    const int n = HintForm.size();
    QWidget *window = NewNoticeWindow();
    QLabel *label = NewNoticeLabel(window, aText, true);
    HintForm.append(window);
    HintLabel.append(label);

    const QFontMetrics metrics(label->font());
    const QRect screen = PrimaryScreenGeometry();
    const QRect geometry =
        NoticeGeometry(screen.size(), metrics.horizontalAdvance(label->text()), metrics.height(), n);
    ShowNotice(window, label, geometry.translated(screen.topLeft()));
}

void TInformationMessage::HideInfoWindow()
{
    if (HintForm.isEmpty()) {
        HintLabel.clear();
        return;
    }
    delete HintLabel.takeLast();
    delete HintForm.takeLast();
}

void TInformationMessage::ShowMovingWindowTray(const QString &aText)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const std::optional<int> taskbarTop = TaskbarTop(screen->geometry(), screen->availableGeometry());
    if (!taskbarTop)
        return;

    constexpr int width = 245;
    constexpr int height = 100;
    const QWidget *mainWindow = QApplication::activeWindow();
    const QPoint centre = mainWindow ? mainWindow->frameGeometry().center() : screen->geometry().center();
    QRect geometry(0, 0, width, height);
    geometry.moveCenter(centre);

    QWidget *window = NewNoticeWindow();
    QLabel *label = NewNoticeLabel(window, aText, false);
    ShowNotice(window, label, geometry);

    const auto step = [window](int top) {
        window->move(window->x(), top);
        window->repaint();
        QThread::msleep(10);
    };
    int top = geometry.top();
    while (top > *taskbarTop - height)
        step(top -= 2);
    QThread::msleep(2000);
    const int lowest = screen->geometry().top() + screen->geometry().height() - 20;
    while (top < lowest)
        step(top += 2);

    delete label;
    delete window;
}
