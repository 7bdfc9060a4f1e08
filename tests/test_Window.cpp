// The update window offscreen: controls, translation, settings and the run frame.
#include "app/FormControls.h"
#include "app/uUpdate.h"
#include "fixtures/InstallationFixture.h"
#include "stages/WorkerThread.h"
#include "support/InformationMessage.h"
#include "support/ClassLanguage.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <gtest/gtest.h>

namespace {

struct ControlCase {
    const char *name;
    QRect geometry;  // left, top, width, height; a width of 0 is not checked
};

TEST(Window, ControlsStandWhereTheLayoutPutsThem)
{
    InstallationFixture install;
    TfUpdate window;
    EXPECT_EQ(window.size(), QSize(800, 419));
    const ControlCase cases[] = {
        {"ePathDir", {120, 5, 670, 21}},     {"Button1", {11, 7, 150, 101}},
        {"cbCheck", {176, 6, 273, 17}},      {"cbInstallNew", {176, 39, 273, 17}},
        {"cbCheckDB", {176, 72, 289, 17}},   {"RadioGroup1", {11, 110, 150, 31}},
        {"Shape1", {760, 6, 30, 30}},        {"ProgressBar1", {120, 22, 670, 17}},
        {"lFindNew", {199, 23, 0, 0}},       {"lFindChange", {334, 23, 0, 0}},
        {"lDownload", {199, 56, 0, 0}},      {"lInstall", {334, 56, 0, 0}},
        {"Label3", {199, 89, 0, 0}},         {"Label4", {176, 120, 0, 0}},
        {"Label1", {9, 9, 0, 0}},            {"Label7", {11, 3, 0, 0}},
        {"lFileCopy", {120, 5, 0, 0}},
    };
    for (const ControlCase &c : cases) {
        auto *widget = window.findChild<QWidget *>(QLatin1String(c.name));
        ASSERT_NE(widget, nullptr) << c.name;
        EXPECT_EQ(widget->pos(), c.geometry.topLeft()) << c.name;
        if (c.geometry.width() > 0)
            EXPECT_EQ(widget->size(), c.geometry.size()) << c.name;
    }
    for (const char *name : {"Panel1", "Panel2", "Panel3", "Panel4", "Memo1", "Label2", "Label8", "Label9",
                             "Label10", "Label11", "ScanDir1", "ScanDir2"})
        EXPECT_NE(window.findChild<QObject *>(QLatin1String(name)), nullptr) << name;
    // The start folder as every local path is shown: with the system's separators.
    EXPECT_EQ(window.ePathDir->text(), QDir::toNativeSeparators(QDir::currentPath()));
    EXPECT_EQ(window.currentdir, window.ePathDir->text());
    EXPECT_TRUE(window.cbCheck->isChecked() && window.cbInstallNew->isChecked() && window.cbCheckDB->isChecked());
    EXPECT_EQ(window.RadioGroup1->ItemIndex(), 0);
    EXPECT_EQ(window.Shape1->brushColor(), QColor(255, 255, 0));
    EXPECT_EQ(window.ProgressBar1->value(), 0);
}

struct TranslationCase {
    const char *language;
    const char *log;
    const char *button;
    const char *titleStart;
};

TEST(Window, ActivationTranslatesEveryCaption)
{
    const TranslationCase cases[] = {
        {"Rus", "Протокол", "Обновление программы", "Обновление ORN  User <"},
        {"Eng", "Log", "Program update", "Update ORN  User <"},
    };
    for (const TranslationCase &c : cases) {
        InstallationFixture install;
        install.setSetting(QStringLiteral("LangS"), QString::fromUtf8(c.language));
        TfUpdate window;
        EXPECT_TRUE(window.windowTitle().startsWith(QStringLiteral("…Обновление… ORN  User <"))) << c.language;
        window.FormActivate();
        EXPECT_EQ(window.Label7->text(), QString::fromUtf8(c.log)) << c.language;
        EXPECT_EQ(window.Button1->text(), QString::fromUtf8(c.button)) << c.language;
        EXPECT_TRUE(window.windowTitle().startsWith(QString::fromUtf8(c.titleStart))) << c.language;
        EXPECT_TRUE(window.windowTitle().endsWith(QLatin1Char('>')));
        EXPECT_FALSE(window.Label8->text().contains(QChar(0x2026))) << c.language;
        window.ePathDir->setCursorPosition(2);
        window.FormActivate();  // a second activation changes nothing, the path field's cursor included
        EXPECT_EQ(window.Label7->text(), QString::fromUtf8(c.log)) << c.language;
        EXPECT_EQ(window.ePathDir->cursorPosition(), 2) << c.language;
        EXPECT_TRUE(install.takeMessages().isEmpty()) << c.language;
    }
}

TEST(Window, AllStagesClearedRunsTheFrameOnly)
{
    InstallationFixture install;
    install.writeFtpIni(QStringLiteral("  /prog/\t"), QStringLiteral("/db/"));
    TfUpdate window;
    window.FormActivate();
    for (QCheckBox *box : {window.cbCheck, window.cbInstallNew, window.cbCheckDB})
        box->setChecked(false);
    window.lFindNew->setText(QStringLiteral("7"));
    window.Button1Click();
    EXPECT_EQ(LogLines(window), QStringList({"---", "---", "---"}));
    EXPECT_EQ(install.takeMessages(), QStringList({"[message] Обновление завершено"}));
    EXPECT_EQ(window.netdir, QStringLiteral("/prog/"));
    EXPECT_EQ(window.netDbdir, QStringLiteral("/db/"));
    EXPECT_EQ(window.lFindNew->text(), QStringLiteral("7"));  // counters of a skipped stage stay
    EXPECT_EQ(window.LastRunOutcome(), TfUpdate::RunOutcome::Completed);
}

TEST(Window, FtpIniThatCannotBeUsedChangesNothing)
{
    struct Case {
        const char *name;
        bool asFolder;
        const char *content;  // nullptr: no file
        const char *error;
    } cases[] = {
        {"missing", false, nullptr, "[error] The specified file was not found."},
        {"not a file", true, nullptr, "[error] File access denied."},
        {"one line", false, "/prog/\r\n", "[error] В файле ftp.ini не указана папка скриптов базы данных на сервере (строка 2)"},
        {"first line empty", false, "\r\n/db/\r\n",
         "[error] В файле ftp.ini не указана папка программы на сервере (строка 1)"},
    };
    for (const Case &c : cases) {
        InstallationFixture install;
        if (c.asFolder)
            QDir(install.path()).mkdir(QStringLiteral("ftp.ini"));
        if (c.content)
            install.write(QStringLiteral("ftp.ini"), c.content);
        TfUpdate window;
        window.Memo1->setPlainText(QStringLiteral("earlier line"));
        window.netdir = QStringLiteral("/kept/");
        window.softdir = QStringLiteral("/kept/soft/");
        window.Button1Click();
        EXPECT_EQ(install.takeMessages(), QStringList({QString::fromUtf8(c.error)})) << c.name;
        EXPECT_EQ(LogLines(window), QStringList({"earlier line"})) << c.name;
        EXPECT_EQ(window.netdir, QStringLiteral("/kept/")) << c.name;
        EXPECT_EQ(window.softdir, QStringLiteral("/kept/soft/")) << c.name;
        EXPECT_EQ(window.LastRunOutcome(), TfUpdate::RunOutcome::Error) << c.name;
        window.Button1Click();  // the window stays usable
        EXPECT_EQ(install.takeMessages().size(), 1) << c.name;
    }
}

TEST(Window, SoftdirIsThePathFieldTrimmedWithATrailingSeparator)
{
    const std::pair<const char *, const char *> cases[] = {
        {"/data", "/data/"}, {"/data/", "/data/"}, {"  /data \t", "/data/"},
        {"", "/"},           {"   ", "/"},         {"C:\\Data", "C:\\Data/"},
    };
    InstallationFixture install;
    install.writeFtpIni(QStringLiteral("/prog/"), QStringLiteral("/db/"));
    TfUpdate window;
    for (QCheckBox *box : {window.cbCheck, window.cbInstallNew, window.cbCheckDB})
        box->setChecked(false);
    for (const auto &[field, expected] : cases) {
        window.ePathDir->setText(QString::fromUtf8(field));
        window.Button1Click();
        EXPECT_EQ(window.softdir, QDir::toNativeSeparators(QString::fromUtf8(expected))) << '"' << field << '"';
    }
    EXPECT_EQ(window.netDbdir, QStringLiteral("/db/"));
}

TEST(Window, FtpIniIsReadFromTheStartFolderNotThePathField)
{
    InstallationFixture install;
    install.writeFtpIni(QStringLiteral("/from-start/"), QStringLiteral("/db/"));
    InstallationFixture other;  // another folder, with no ftp.ini, becomes current
    other.takeMessages();
    QDir::setCurrent(install.path());
    TfUpdate window;
    for (QCheckBox *box : {window.cbCheck, window.cbInstallNew, window.cbCheckDB})
        box->setChecked(false);
    window.ePathDir->setText(other.path());
    window.Button1Click();
    EXPECT_EQ(window.netdir, QStringLiteral("/from-start/"));
    EXPECT_EQ(window.softdir, QDir::toNativeSeparators(other.path() + QLatin1Char('/')));
}

TEST(Window, LanguageSettings)
{
    struct Case {
        const char *name;
        QVariant langI;  // invalid = not stored
        QVariant langS;
        int code;
        const char *language;
        const char *error;
    } cases[] = {
        {"nothing stored", {}, {}, 1, "Rus", nullptr},
        {"code as text", QStringLiteral("2"), QStringLiteral("Eng"), 2, "Eng", nullptr},
        {"code not a number", QStringLiteral("abc"), {}, 1, "Rus", nullptr},
        {"code empty", QStringLiteral(""), {}, 1, "Rus", nullptr},
        {"name empty", {}, QStringLiteral(""), 1, "", nullptr},
        {"name not text", {}, QByteArray("\x01\x02", 2), 1, nullptr, "[error] Invalid data type for 'LangS'"},  // a closing quote takes no full stop
    };
    for (const Case &c : cases) {
        InstallationFixture install;
        if (c.langI.isValid())
            install.setSetting(QStringLiteral("LangI"), c.langI);
        if (c.langS.isValid())
            install.setSetting(QStringLiteral("LangS"), c.langS);
        TfUpdate window;
        const QStringList messages = install.takeMessages();
        if (c.error) {
            EXPECT_EQ(messages, QStringList({QString::fromUtf8(c.error)})) << c.name;
            EXPECT_TRUE(window.CreationFailed()) << c.name;
            window.FormActivate();  // the window still works without its language list
            EXPECT_EQ(window.Label7->text(), QStringLiteral("Протокол")) << c.name;
            continue;
        }
        EXPECT_TRUE(messages.isEmpty()) << c.name;
        EXPECT_EQ(window.tL->property("LngCodeReturn").toInt(), c.code) << c.name;
        EXPECT_EQ(window.tL->property("LngNameReturn").toString(), QString::fromUtf8(c.language)) << c.name;
        EXPECT_EQ(window.tL->property("LangFileName").toString(),
                  QDir::toNativeSeparators(install.file(QStringLiteral("orn.txt"))))
            << c.name;
    }
}

TEST(Window, CtrlShiftClickOnTheLampFillsTheDeveloperFolder)
{
    struct Case {
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
        bool fills;
    } cases[] = {
        {Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, true},
        {Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, false},
        {Qt::LeftButton | Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, false},
        {Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, false},
        {Qt::LeftButton, Qt::NoModifier, false},
    };
    InstallationFixture install;
    TfUpdate window;
    for (const Case &c : cases) {
        window.ePathDir->setText(QStringLiteral("unchanged"));
        window.Shape1MouseDown(Qt::LeftButton, c.buttons, c.modifiers);
        EXPECT_EQ(window.ePathDir->text(), c.fills ? QStringLiteral("e:\\DevProgramming\\ORN-Install-Image\\ORN\\")
                                                   : QStringLiteral("unchanged"));
    }
}

TEST(Window, ShowsWhatTheEngineReports)
{
    InstallationFixture install;
    TfUpdate window;
    window.FormActivate();
    TUpdateEngine &engine = *window.engine;
    const QList<QLabel *> counters{window.lFindNew, window.lFindChange, window.lDownload, window.lInstall, window.Label3};
    QList<int> rightEdges;
    for (const QLabel *counter : counters)
        rightEdges << counter->geometry().right();
    // Reports from the engine's worker thread arrive in order; a box holds the run until shown.
    RunOnWorkerThread([&] {
        emit engine.logLine(QStringLiteral("first"));
        emit engine.counterChanged(TUpdateEngine::Counter::FindNew, 1);
        emit engine.counterChanged(TUpdateEngine::Counter::FindChange, 22);
        emit engine.counterChanged(TUpdateEngine::Counter::Download, 333);
        emit engine.counterChanged(TUpdateEngine::Counter::Install, 4444);
        emit engine.counterChanged(TUpdateEngine::Counter::Scripts, 55555);
        emit engine.lampChanged(TUpdateEngine::Lamp::Done);
        emit engine.fileProgress(QStringLiteral("Report.dll.7z"), 5000, 10000);
        emit engine.noticeShown(QStringLiteral("Подождите немного"));
        emit engine.boxShown(TUpdateEngine::BoxKind::Message, QStringLiteral("shown"));
        emit engine.logLine(QStringLiteral("second"));
        emit engine.boxShown(TUpdateEngine::BoxKind::Error, QStringLiteral("Broken"));
    });
    EXPECT_EQ(LogLines(window), QStringList({"first", "second"}));
    const QStringList shown{"1", "22", "333", "4444", "55555"};
    for (int i = 0; i < counters.size(); ++i) {
        EXPECT_EQ(counters[i]->text(), shown[i]) << i;
        EXPECT_GE(counters[i]->width(), counters[i]->sizeHint().width()) << "every digit shows: " << i;
        EXPECT_EQ(counters[i]->geometry().right(), rightEdges[i]) << "the caption on the right stays clear: " << i;
    }
    EXPECT_EQ(window.Shape1->brushColor(), QColor(0, 255, 0));
    EXPECT_EQ(window.ProgressBar1->value(), 50);
    // The sizes with the decimal separator of the user's locale (a comma on a Russian Windows).
    EXPECT_EQ(window.lFileCopy->text(), QStringLiteral("Копируется файл: Report.dll.7z   ")
                                            + QStringLiteral("5.00 Kb of 10.00 Kb / 50 %")
                                                  .replace(QLatin1Char('.'), QLocale().decimalPoint()));
    ASSERT_EQ(window.im->HintLabel.size(), 1);
    EXPECT_EQ(window.im->HintLabel[0]->text().trimmed(), QStringLiteral("Подождите немного"));
    EXPECT_EQ(install.takeMessages(), QStringList({"[message] shown", "[error] Broken."}));

    emit engine.noticeHidden();
    emit engine.lampChanged(TUpdateEngine::Lamp::Busy);
    emit engine.logCleared();
    EXPECT_TRUE(window.im->HintLabel.isEmpty());
    EXPECT_EQ(window.Shape1->brushColor(), QColor(255, 255, 0));
    EXPECT_TRUE(LogLines(window).isEmpty());
}

TEST(Window, StageCheckBoxesReachTheEngine)
{
    InstallationFixture install;
    TfUpdate window;
    const QList<QCheckBox *> boxes{window.cbCheck, window.cbInstallNew, window.cbCheckDB};
    for (int stage = 1; stage <= 3; ++stage) {
        EXPECT_TRUE(window.engine->StageChosen(stage));
        boxes[stage - 1]->setChecked(false);
        EXPECT_FALSE(window.engine->StageChosen(stage));
    }
}

}  // namespace
