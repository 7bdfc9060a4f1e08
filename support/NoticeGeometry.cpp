#include "support/NoticeGeometry.h"

QRect NoticeGeometry(QSize screen, int textW, int textH, int n)
{
    const int width = textW < 230 ? 250 : textW + 20;
    const int height = textH + 50;
    const int left = screen.width() / 2 - width / 2;
    const int top = screen.height() / 2 - height / 2 + height * n - 5;
    return QRect(left, top, width, height);
}

std::optional<int> TaskbarTop(const QRect &screen, const QRect &available)
{
    if (available == screen)
        return std::nullopt;
    if (available.bottom() < screen.bottom())
        return available.bottom() + 1;
    return screen.bottom() + 1;
}
