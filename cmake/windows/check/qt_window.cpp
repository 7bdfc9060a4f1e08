// Shows a window and paints it in the platform plugin named by -platform.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QStyle>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QString wanted;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "-platform")
            wanted = QString::fromLocal8Bit(argv[i + 1]);
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("OrnUpdate: %1").arg(QStringLiteral("\u041e\u0431\u043d\u043e\u0432\u043b\u0435\u043d\u0438\u0435")));
    label.resize(320, 80);
    label.show();
    QTimer::singleShot(200, &app, &QApplication::quit);
    const int rc = app.exec();
    const QPixmap shot = label.grab();
    std::printf("platform %s, window %dx%d, shown %d, picture %dx%d, styles %s\n",
                qPrintable(app.platformName()), label.width(), label.height(), label.isVisible(),
                shot.width(), shot.height(), qPrintable(QApplication::style()->name()));
    const bool ok = rc == 0 && (wanted.isEmpty() || app.platformName() == wanted)
                    && !shot.isNull() && shot.width() == label.width();
    return ok ? 0 : 1;
}
