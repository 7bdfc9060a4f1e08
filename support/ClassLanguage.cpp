#include "support/ClassLanguage.h"

#include "base/RaisedError.h"
#include "platform/LibraryResource.h"
#include "support/LangResource.h"
#include "support/LangText.h"
#include "support/LangWidgets.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaProperty>
#include <QPointer>

namespace {

const QChar KeyMarker(0x2026);
const QString EntryMarker = QStringLiteral("~[-----");

// Walks a text once: plain stretches go to onText character by character, each closed key to
// onKey; an unclosed key at the end is dropped.
template <typename OnText, typename OnKey>
void WalkMarkedText(const QString &text, OnText onText, OnKey onKey)
{
    bool open = false;
    QString key;
    for (const QChar c : text) {
        if (c != KeyMarker) {
            if (open)
                key.append(c);
            else
                onText(c);
        } else if (!open) {
            open = true;
            key.clear();
        } else {
            onKey(key);
            open = false;
            key.clear();
        }
    }
}

bool IsEntryMarker(const QString &trimmedLine)
{
    return trimmedLine.contains(EntryMarker);
}

// Columns 5 to the end of a trimmed language line, trimmed again.
QString LineText(const QString &trimmedLine)
{
    return TrimControl(trimmedLine.mid(4));
}

// Columns 1 to 3 of a trimmed language line, trimmed and lower-cased.
QString LineCode(const QString &trimmedLine)
{
    return AsciiLower(TrimControl(trimmedLine.left(3)));
}

QStringList ReadFileLines(const QString &path, bool byByteOrderMark)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw RaisedError(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw RaisedError(file.errorString());
    return LangListLines(bytes, byByteOrderMark);
}

// Property names whose string values are translated. Captions and texts are "text" and
// "windowTitle", titles "title", hints "toolTip", "statusTip", "whatsThis" and
// "placeholderText". Column headers are item texts of the widgets (LangWidgets); no Qt widget
// has a separate unit text.
bool IsTranslatedStringProperty(const char *name)
{
    static const QSet<QByteArray> names = {"text",    "windowTitle", "title",          "toolTip",
                                           "statusTip", "whatsThis", "placeholderText"};
    return names.contains(QByteArray(name));
}

}  // namespace

TClassLanguage::TClassLanguage(QObject *parent) : QObject(parent), ResourceFolders(DefaultLangResourceFolders()) {}

void TClassLanguage::LoadLangList()
{
    if (!tLangFileName.isEmpty() && QFileInfo(tLangFileName).isFile()) {
        sl = ReadFileLines(tLangFileName, false);
        return;
    }
    if (const std::optional<QByteArray> bytes = ReadLibraryResource(LangResourceLibrary, QStringLiteral("langfile"))) {
        sl = LangListLines(*bytes, true);
        return;
    }
    const QString resource = FindLangResource(ResourceFolders);
    if (resource.isEmpty())
        throw RaisedError(QStringLiteral("Resource langfile not found"));
    sl = ReadFileLines(resource, true);
}

QString TClassLanguage::lStr(const QString &searchStr) const
{
    QString out;
    out.reserve(searchStr.size());
    WalkMarkedText(
        searchStr, [&out](QChar c) { out.append(c); },
        [this, &out](const QString &key) { out.append(FindTranslation(key)); });
    return out;
}

void TClassLanguage::lRet(const QString &searchStr, QStringList &outText) const
{
    WalkMarkedText(
        searchStr, [](QChar) {},
        [this, &outText](const QString &key) {
            const QString translation = FindTranslation(key);
            if (!translation.isEmpty())
                outText.append(translation);
        });
}

QString TClassLanguage::FindTranslation(const QString &key) const
{
    if (TrimControl(key).isEmpty())
        return key;

    const qsizetype count = sl.size();
    qsizetype found = -1;
    for (qsizetype i = 0; i < count; ++i) {
        const QString line = TrimControl(sl.at(i));
        if (!IsEntryMarker(line) && LineText(line) == key) {
            found = i;
            break;
        }
    }
    if (found < 0)
        return key;

    // The entry starts at the nearest marker above; a line above the first marker belongs to
    // no entry and has no translation.
    qsizetype marker = found - 1;
    while (marker >= 0 && !IsEntryMarker(TrimControl(sl.at(marker))))
        --marker;
    if (marker < 0)
        return key;

    const QString code = AsciiLower(tLngNameReturn);
    QString result;
    for (qsizetype i = marker + 1; i < count; ++i) {
        const QString line = TrimControl(sl.at(i));
        if (IsEntryMarker(line))
            break;
        if (LineCode(line) == code) {
            result = LineText(line);
            break;
        }
    }
    return TrimControl(result).isEmpty() ? key : result;
}

void TClassLanguage::SetComponentsNewLanguage(QObject *Component)
{
    if (!Component)
        return;
    const QList<QObject *> owned = Component->findChildren<QObject *>();
    QList<QPointer<QObject>> guarded;
    guarded.reserve(owned.size());
    for (QObject *object : owned)
        guarded.append(object);
    for (const QPointer<QObject> &object : guarded) {
        if (object)
            SetObjectNewLanguage(object);
    }
}

void TClassLanguage::SetObjectNewLanguage(QObject *obj)
{
    if (!obj || tInProgress.contains(obj))
        return;
    tInProgress.insert(obj);
    const auto translate = [this](const QString &text) { return lStr(text); };

    const QMetaObject *meta = obj->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isReadable())
            continue;
        if (property.metaType().id() == QMetaType::QString && IsTranslatedStringProperty(property.name())) {
            const QString value = property.read(obj).toString();
            if (!property.isWritable())
                continue;
            // Like a control's own text setter, an unchanged text is not set again: an edit
            // keeps its cursor and undo history at every activation.
            const QString translated = lStr(QString(value).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
            if (translated != value)
                property.write(obj, translated);
        } else if (property.metaType().flags() & QMetaType::PointerToQObject) {
            QObject *value = property.read(obj).value<QObject *>();
            if (!value)
                continue;
            if (!AsciiLower(QString::fromLatin1(property.name())).contains(QLatin1String("datasource")))
                SetObjectNewLanguage(value);
            else
                TranslateWidgetContents(value, translate);
        }
    }
    TranslateWidgetContents(obj, translate);
    tInProgress.remove(obj);
}
