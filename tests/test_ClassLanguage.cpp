// Localisation: key lookup, the marker walk, and loading of the language file and of the
// fallback list.
#include "base/RaisedError.h"
#include "support/ClassLanguage.h"
#include "fixtures/TestSystem.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QStringList SampleList = {
    QStringLiteral("Rus Сирота"),
    QStringLiteral("Eng Orphan"),
    QStringLiteral("~[-----"),
    QStringLiteral("Rus Протокол"),
    QStringLiteral(" \t Eng Log \t"),
    QStringLiteral("~[----- the rest of a marker line is free"),
    QStringLiteral("Rus Подождите немного"),
    QStringLiteral("x~[-----x"),
    QStringLiteral("Rus Обновление"),
    QStringLiteral("ENG  Update"),
    QStringLiteral(""),
    QStringLiteral("~[-----"),
    QStringLiteral("Rus Новых"),
    QStringLiteral("Рус Новых по-кириллице"),
    QStringLiteral("Eng New"),
    QStringLiteral("~[-----"),
    QStringLiteral("Rus Пусто"),
    QStringLiteral("Eng"),
    QStringLiteral("~[-----"),
    QStringLiteral("Rus Дубль"),
    QStringLiteral("Eng First"),
    QStringLiteral("~[-----"),
    QStringLiteral("Rus Дубль"),
    QStringLiteral("Eng Second"),
    QStringLiteral("~[-----"),
    QStringLiteral("Rus Без английского"),
    QStringLiteral("~[-----"),
    QStringLiteral("Rus Следующий"),
    QStringLiteral("Eng Next"),
    QStringLiteral("~[-----"),
    QStringLiteral("Rus Многоточие"),
    QStringLiteral("Eng Log …Новых…"),
};

struct LookupCase {
    const char *language;
    const char *input;
    const char *expected;
};

const LookupCase LookupCases[] = {
    {"Eng", "…Протокол…", "Log"},
    {"eng", "…Протокол…", "Log"},
    {"ENG", "…Протокол…", "Log"},
    {"Rus", "…Протокол…", "Протокол"},
    // An entry is found by the text of any of its lines; the code picks the line shown.
    {"Rus", "…Log…", "Протокол"},
    {"RUS", "…Log…", "Протокол"},
    {"rus", "…Log…", "Протокол"},
    {"Eng", "…Update…", "Update"},
    {"Eng", "…Подключение к серверу…. …Подождите немного….", "Подключение к серверу. Подождите немного."},
    {"Eng", "- …Новых…", "- New"},
    {"Eng", "- …Нет такого…", "- Нет такого"},
    {"Eng", "…Обновление… ORN", "Update ORN"},
    {"Eng", "…Протокол… middle …tail", "Log middle "},
    {"Eng", "…Протокол… and …Протокол", "Log and "},
    {"Eng", "… Протокол…", " Протокол"},
    {"Eng", "…Протокол …", "Протокол "},
    {"Рус", "…Новых…", "Новых по-кириллице"},
    {"рус", "…Новых…", "Новых"},
    {"РУС", "…Новых…", "Новых"},
    {"English", "…Протокол…", "Протокол"},
    {"", "…Протокол…", "Протокол"},
    {"Eng", "…Без английского…", "Без английского"},
    {"Eng", "…Пусто…", "Пусто"},
    {"Eng", "…Дубль…", "First"},
    {"Eng", "…Second…", "Second"},
    {"Eng", "……", ""},
    {"Eng", "a……b", "ab"},
    {"Eng", "…  …", "  "},
    {"Eng", "", ""},
    {"Eng", "plain... text without markers", "plain... text without markers"},
    {"Eng", "…Сирота…", "Сирота"},
    {"Rus", "…Orphan…", "Orphan"},
    {"Eng", "…", ""},
    {"Eng", "text …", "text "},
};

TClassLanguage *SampleLanguage(const QString &language, QObject *parent = nullptr)
{
    auto *tL = new TClassLanguage(parent);
    tL->sl = SampleList;
    tL->SetLngNameReturn(language);
    return tL;
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

}  // namespace

TEST(ClassLanguage, StartsEmptyWithCodeOne)
{
    TClassLanguage tL;
    EXPECT_TRUE(tL.sl.isEmpty());
    EXPECT_EQ(tL.LngCodeReturn(), 1);
    EXPECT_TRUE(tL.LangFileName().isEmpty());
    EXPECT_TRUE(tL.LngNameReturn().isEmpty());
    EXPECT_EQ(tL.lStr(QStringLiteral("- …Новых… x")), QStringLiteral("- Новых x"));
}

TEST(ClassLanguage, LookupTable)
{
    for (const LookupCase &c : LookupCases) {
        std::unique_ptr<TClassLanguage> tL(SampleLanguage(QString::fromUtf8(c.language)));
        EXPECT_EQ(tL->lStr(QString::fromUtf8(c.input)).toStdString(), std::string(c.expected))
            << "language " << c.language << ", input " << c.input;
    }
}

TEST(ClassLanguage, PropertiesAreOnlyStored)
{
    TClassLanguage tL;
    tL.sl = SampleList;
    tL.SetLangFileName(QStringLiteral("/nonexistent/orn.txt"));
    tL.SetLngNameReturn(QStringLiteral("Eng"));
    tL.SetLngCodeReturn(7);
    EXPECT_EQ(tL.sl, SampleList);
    EXPECT_EQ(tL.property("LangFileName").toString(), QStringLiteral("/nonexistent/orn.txt"));
    EXPECT_EQ(tL.property("LngNameReturn").toString(), QStringLiteral("Eng"));
    EXPECT_EQ(tL.property("LngCodeReturn").toInt(), 7);
}

TEST(ClassLanguage, LRetAppendsEveryNonEmptyTranslation)
{
    struct Case {
        const char *input;
        QStringList added;
    } cases[] = {
        {"…Протокол… plain text …Новых…", {"Log", "New"}},
        {"no markers at all", {}},
        {"……", {}},
        {"…Нет такого…", {"Нет такого"}},
        {"…Протокол… …unclosed", {"Log"}},
    };
    std::unique_ptr<TClassLanguage> tL(SampleLanguage(QStringLiteral("Eng")));
    for (const Case &c : cases) {
        QStringList out = {QStringLiteral("kept")};
        tL->lRet(QString::fromUtf8(c.input), out);
        EXPECT_EQ(out, QStringList{QStringLiteral("kept")} + c.added) << c.input;
    }
}

TEST(ClassLanguage, LoadsTheLanguageFileAsUtf8)
{
    const QByteArray body = "a\r\n\r\n~[-----\nRus Протокол\rEng Log\n";
    const QStringList lines = {"a", "", "~[-----", "Rus Протокол", "Eng Log"};
    for (const QByteArray &bytes : {body, QByteArray("\xEF\xBB\xBF") + body}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("orn.txt"));
        WriteFile(path, bytes);
        TClassLanguage tL;
        tL.ResourceFolders.clear();
        tL.SetLangFileName(path);
        tL.SetLngNameReturn(QStringLiteral("Eng"));
        tL.LoadLangList();
        EXPECT_EQ(tL.sl, lines);
        EXPECT_EQ(tL.lStr(QStringLiteral("…Протокол…")), QStringLiteral("Log"));
    }
}

TEST(ClassLanguage, ReloadReplacesTheList)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("orn.txt"));
    WriteFile(path, "~[-----\nRus Протокол\nEng Log\n");
    TClassLanguage tL;
    tL.sl = SampleList;
    tL.SetLangFileName(path);
    tL.LoadLangList();
    EXPECT_EQ(tL.sl, (QStringList{"~[-----", "Rus Протокол", "Eng Log"}));
}

TEST(ClassLanguage, FallbackIsDecodedByByteOrderMark)
{
    const QString text = QStringLiteral("~[-----\r\nRus Протокол\r\nEng Log\r\n");
    struct Case {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"UTF-8 with mark", QByteArray("\xEF\xBB\xBF") + text.toUtf8()},
        {"UTF-16LE with mark",
         QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom).encode(text)},
        {"UTF-16BE with mark",
         QStringEncoder(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom).encode(text)},
        {"no mark, local code page", text.toLocal8Bit()},
    };
    for (const Case &c : cases) {
        QTemporaryDir empty, first, second;
        WriteFile(second.filePath(QStringLiteral("OrnRes.dat")), c.bytes);
        TClassLanguage tL;
        tL.ResourceFolders = {empty.path(), second.path()};
        tL.SetLangFileName(first.filePath(QStringLiteral("orn.txt")));
        tL.SetLngNameReturn(QStringLiteral("Eng"));
        tL.LoadLangList();
        EXPECT_EQ(tL.sl, (QStringList{"~[-----", "Rus Протокол", "Eng Log"})) << c.name;
    }
}

TEST(ClassLanguage, FirstFallbackFolderWins)
{
    QTemporaryDir first, second;
    WriteFile(first.filePath(QStringLiteral("OrnRes.dat")), "first");
    WriteFile(second.filePath(QStringLiteral("OrnRes.dat")), "second");
    TClassLanguage tL;
    tL.ResourceFolders = {first.path(), second.path()};
    tL.LoadLangList();
    EXPECT_EQ(tL.sl, QStringList{QStringLiteral("first")});
}

TEST(ClassLanguage, MissingFileAndFallbackRaiseAndKeepTheList)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("orn.txt"));  // a folder is not a language file
    for (const QString &name : {QString(), dir.filePath(QStringLiteral("missing.txt")),
                                dir.filePath(QStringLiteral("orn.txt"))}) {
        TClassLanguage tL;
        tL.ResourceFolders = {dir.path()};
        tL.sl = SampleList;
        tL.SetLangFileName(name);
        try {
            tL.LoadLangList();
            ADD_FAILURE() << "no error for " << name.toStdString();
        } catch (const RaisedError &error) {
            EXPECT_EQ(error.text(), QStringLiteral("Resource langfile not found"));
        }
        EXPECT_EQ(tL.sl, SampleList);
    }
}

TEST(ClassLanguage, UnreadableFileRaisesTheFileSystemText)
{
    // Reading a process's own memory file at offset 0 fails with an input-output error, for
    // every user; the file exists and is a regular file.
    const QString path = QStringLiteral("/proc/self/mem");
    if (kWindowsSystem)
        GTEST_SKIP() << "/proc/self/mem is a file of Linux, and the fallback is reached through a link: "
                     << kNoSymbolicLinks;
    for (bool asFallback : {false, true}) {
        QTemporaryDir dir;
        TClassLanguage tL;
        tL.sl = SampleList;
        if (asFallback) {
            ASSERT_TRUE(QFile::link(path, dir.filePath(QStringLiteral("OrnRes.dat"))));
            tL.ResourceFolders = {dir.path()};
        } else {
            tL.SetLangFileName(path);
        }
        try {
            tL.LoadLangList();
            ADD_FAILURE() << "no error, fallback " << asFallback;
        } catch (const RaisedError &error) {
            EXPECT_FALSE(error.text().isEmpty());
            EXPECT_NE(error.text(), QStringLiteral("Resource langfile not found"));
        }
        EXPECT_EQ(tL.sl, SampleList);
    }
}

TEST(ClassLanguage, BuiltFallbackHoldsTheShippedList)
{
    TClassLanguage fromFile;
    fromFile.SetLangFileName(QStringLiteral(ORN_SOURCE_DIR "/resources/orn.txt"));
    fromFile.LoadLangList();
    ASSERT_FALSE(fromFile.sl.isEmpty());

    QFile built(QStringLiteral(ORN_BUILD_DIR "/OrnRes.dat"));
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    EXPECT_TRUE(built.read(2) == QByteArray("\xFF\xFE"));  // UTF-16LE with its mark

    TClassLanguage fromFallback;
    fromFallback.ResourceFolders = {QStringLiteral(ORN_BUILD_DIR)};
    fromFallback.LoadLangList();
    EXPECT_EQ(fromFallback.sl, fromFile.sl);
}
