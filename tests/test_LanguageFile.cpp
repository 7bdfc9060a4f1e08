// The shipped language file: its entries are well formed, and every key that the program's
// sources use has a Russian and an English line.
#include "support/ClassLanguage.h"

#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const QString LanguageFile = QStringLiteral(ORN_SOURCE_DIR "/resources/orn.txt");

struct Entry {
    int line = 0;                     // line number of the marker line
    QMap<QString, QStringList> texts;  // language code -> texts of its lines
};

// The entries of the language file as written: a marker line, then "<code> <text>" lines.
QVector<Entry> ReadEntries()
{
    TClassLanguage tL;
    tL.SetLangFileName(LanguageFile);
    tL.LoadLangList();
    QVector<Entry> entries;
    for (int i = 0; i < tL.sl.size(); ++i) {
        const QString line = tL.sl.at(i).trimmed();
        if (line.contains(QStringLiteral("~[-----"))) {
            entries.append(Entry{i + 1, {}});
        } else if (!line.isEmpty()) {
            EXPECT_FALSE(entries.isEmpty()) << "line " << i + 1 << " stands before the first entry";
            if (!entries.isEmpty())
                entries.last().texts[line.left(3)].append(line.mid(4).trimmed());
        }
    }
    return entries;
}

// Every key of the sources: the text between two markers, paired from the left on each line.
QMap<QString, QString> SourceKeys()
{
    const QRegularExpression marked(QStringLiteral("\u2026([^\u2026]*)\u2026"));
    QMap<QString, QString> keys;  // key -> first place it is used
    for (const char *folder : {"app", "net", "stages", "support"}) {
        QDirIterator it(QStringLiteral(ORN_SOURCE_DIR "/") + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
            const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
            for (int i = 0; i < lines.size(); ++i) {
                for (auto match = marked.globalMatch(lines.at(i)); match.hasNext();) {
                    const QString key = match.next().captured(1);
                    if (!keys.contains(key))
                        keys.insert(key, QStringLiteral("%1:%2").arg(path).arg(i + 1));
                }
            }
        }
    }
    return keys;
}

}  // namespace

TEST(LanguageFile, EveryEntryHasOneRussianAndOneEnglishLine)
{
    const QVector<Entry> entries = ReadEntries();
    ASSERT_FALSE(entries.isEmpty());
    QMap<QString, int> firstLine;
    for (const Entry &entry : entries) {
        EXPECT_EQ(entry.texts.keys(), (QStringList{"Eng", "Rus"})) << "entry at line " << entry.line;
        const QStringList rus = entry.texts.value(QStringLiteral("Rus"));
        const QStringList eng = entry.texts.value(QStringLiteral("Eng"));
        EXPECT_EQ(rus.size(), 1) << "entry at line " << entry.line;
        EXPECT_EQ(eng.size(), 1) << "entry at line " << entry.line;
        if (rus.size() != 1 || eng.size() != 1)
            continue;
        EXPECT_FALSE(rus.first().isEmpty() || eng.first().isEmpty()) << "entry at line " << entry.line;
        EXPECT_FALSE(rus.first().contains(QChar(0x2026)) || eng.first().contains(QChar(0x2026)))
            << "entry at line " << entry.line;
        EXPECT_FALSE(firstLine.contains(rus.first()))
            << rus.first().toStdString() << " again at line " << entry.line;
        firstLine.insert(rus.first(), entry.line);
    }
}

TEST(LanguageFile, EverySourceKeyIsTranslated)
{
    TClassLanguage english;
    english.SetLangFileName(LanguageFile);
    english.SetLngNameReturn(QStringLiteral("Eng"));
    english.LoadLangList();
    QMap<QString, QString> englishOf;
    for (const Entry &entry : ReadEntries()) {
        if (entry.texts.value(QStringLiteral("Rus")).size() == 1 && entry.texts.value(QStringLiteral("Eng")).size() == 1)
            englishOf.insert(entry.texts.value(QStringLiteral("Rus")).first(), entry.texts.value(QStringLiteral("Eng")).first());
    }

    const QMap<QString, QString> keys = SourceKeys();
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        const QString marked = QChar(0x2026) + it.key() + QChar(0x2026);
        EXPECT_TRUE(englishOf.contains(it.key()))
            << "no entry for \"" << it.key().toStdString() << "\", used at " << it.value().toStdString();
        if (englishOf.contains(it.key()))
            EXPECT_EQ(english.lStr(marked), englishOf.value(it.key())) << it.key().toStdString();
    }
}
