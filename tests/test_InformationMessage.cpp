// Waiting notices, offscreen: placement rules, the stack of open notices, their look, and that
// they take no focus.
#include "support/InformationMessage.h"
#include "support/NoticeGeometry.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Closes whatever a test left open.
struct NoticeGuard {
    TInformationMessage &im;
    ~NoticeGuard()
    {
        while (!im.HintForm.isEmpty())
            im.HideInfoWindow();
    }
};

}  // namespace

TEST(NoticeGeometry, PlacementTable)
{
    struct Case {
        QSize screen;
        int textW, textH, n;
        QRect expected;
    } cases[] = {
        {{1920, 1080}, 120, 16, 0, {835, 502, 250, 66}},
        {{1920, 1080}, 120, 16, 1, {835, 568, 250, 66}},
        {{1920, 1080}, 120, 16, 2, {835, 634, 250, 66}},
        {{1920, 1080}, 229, 16, 0, {835, 502, 250, 66}},
        {{1920, 1080}, 230, 16, 0, {835, 502, 250, 66}},
        {{1920, 1080}, 231, 16, 0, {835, 502, 251, 66}},
        {{1366, 768}, 231, 16, 0, {558, 346, 251, 66}},
        {{1366, 768}, 400, 21, 1, {473, 415, 420, 71}},
        {{1024, 768}, 0, 0, 0, {387, 354, 250, 50}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(NoticeGeometry(c.screen, c.textW, c.textH, c.n), c.expected)
            << c.screen.width() << "x" << c.screen.height() << " text " << c.textW << "x" << c.textH
            << " n " << c.n;
    }
}

TEST(NoticeGeometry, TaskbarTopTable)
{
    const QRect screen(0, 0, 1920, 1080);
    struct Case {
        const char *panel;
        QRect available;
        std::optional<int> expected;
    } cases[] = {
        {"none", screen, std::nullopt},
        {"bottom", QRect(0, 0, 1920, 1040), 1040},
        {"top", QRect(0, 40, 1920, 1040), 1080},
        {"left", QRect(60, 0, 1860, 1080), 1080},
        {"right", QRect(0, 0, 1860, 1080), 1080},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TaskbarTop(screen, c.available), c.expected) << c.panel;
}

TEST(InformationMessage, NoticeLooksAndStandsAsDescribed)
{
    TInformationMessage im;
    NoticeGuard guard{im};
    im.ShowInfoWindow(QStringLiteral(" \t Подключение к серверу. Подождите немного.\r\n"));
    ASSERT_EQ(im.HintForm.size(), 1);
    ASSERT_EQ(im.HintLabel.size(), 1);
    QWidget *window = im.HintForm.at(0);
    QLabel *label = im.HintLabel.at(0);

    EXPECT_EQ(label->text(), QStringLiteral(" Подключение к серверу. Подождите немного. "));
    EXPECT_EQ(label->parentWidget(), window);
    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(166, 202, 240));
    EXPECT_NEAR(window->windowOpacity(), 220.0 / 255.0, 0.01);
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->font().pointSize(), 12);
    EXPECT_TRUE(label->wordWrap());
    EXPECT_EQ(label->alignment(), Qt::AlignCenter);
    EXPECT_EQ(label->geometry(), window->rect());

    const QFontMetrics metrics(label->font());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect expected = NoticeGeometry(screen.size(), metrics.horizontalAdvance(label->text()),
                                          metrics.height(), 0)
                               .translated(screen.topLeft());
    EXPECT_EQ(window->geometry(), expected);
}

TEST(InformationMessage, NoticesStackAndCloseNewestFirst)
{
    TInformationMessage im;
    NoticeGuard guard{im};
    im.ShowInfoWindow(QStringLiteral("Сканируется удаленный сервер"));
    im.ShowInfoWindow(QStringLiteral("Сканируется локальная папка"));
    ASSERT_EQ(im.HintForm.size(), 2);
    ASSERT_EQ(im.HintLabel.size(), 2);
    const QPointer<QWidget> older = im.HintForm.at(0);
    const QPointer<QWidget> newer = im.HintForm.at(1);
    const QPointer<QLabel> newerLabel = im.HintLabel.at(1);
    EXPECT_EQ(newer->y() - older->y(), newer->height());  // both one line high
    EXPECT_EQ(im.HintLabel.at(0)->text(), QStringLiteral(" Сканируется удаленный сервер "));

    im.HideInfoWindow();
    EXPECT_TRUE(newer.isNull());
    EXPECT_TRUE(newerLabel.isNull());
    ASSERT_FALSE(older.isNull());
    EXPECT_TRUE(older->isVisible());
    EXPECT_EQ(im.HintForm.size(), 1);
    EXPECT_EQ(im.HintLabel.size(), 1);

    im.HideInfoWindow();
    EXPECT_TRUE(older.isNull());
    EXPECT_TRUE(im.HintForm.isEmpty());
    EXPECT_TRUE(im.HintLabel.isEmpty());

    im.HideInfoWindow();  // nothing open: harmless
    EXPECT_TRUE(im.HintForm.isEmpty());
    EXPECT_TRUE(im.HintLabel.isEmpty());
}

TEST(InformationMessage, NoticeTakesNoFocus)
{
    QWidget main;
    auto *edit = new QLineEdit(&main);
    new QVBoxLayout(&main);
    main.layout()->addWidget(edit);
    main.show();
    main.activateWindow();
    edit->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &main);
    ASSERT_EQ(QApplication::focusWidget(), edit);

    TInformationMessage im;
    NoticeGuard guard{im};
    im.ShowInfoWindow(QStringLiteral("Подождите немного"));
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &main);
    EXPECT_EQ(QApplication::focusWidget(), edit);
}

TEST(InformationMessage, DestroyingTheComponentLeavesNoticesOpen)
{
    auto im = std::make_unique<TInformationMessage>();
    im->ShowInfoWindow(QStringLiteral("Подождите немного"));
    const QPointer<QWidget> window = im->HintForm.at(0);
    im.reset();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
    delete window.data();
}

TEST(InformationMessage, MovingNoticeWithoutPanelReturnsAtOnce)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_EQ(screen->availableGeometry(), screen->geometry());  // the offscreen screen has no panel
    const auto before = QApplication::topLevelWidgets().size();
    TInformationMessage im;
    im.ShowMovingWindowTray(QStringLiteral("Обновления загружены"));
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before);
    EXPECT_TRUE(im.HintForm.isEmpty());
}
