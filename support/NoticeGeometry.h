#pragma once
// Placement rules of the waiting notices, kept free of windows so they can be checked alone.
#include <QRect>
#include <QSize>
#include <optional>

// Geometry of a centre-screen notice on a screen of the given size whose origin is (0, 0):
// width 250 when the text is less than 230 pixels wide, else text width + 20; height text
// height + 50; centred, raised by 5 pixels and moved down by its own height for each of the
// n notices already open.
QRect NoticeGeometry(QSize screen, int textW, int textH, int n);

// Top edge of the taskbar judged from the screen's full and available geometry: the first
// row below the available area when the panel is at the bottom, the screen's bottom edge when a
// panel takes another side; nothing when the whole screen is available.
std::optional<int> TaskbarTop(const QRect &screen, const QRect &available);
