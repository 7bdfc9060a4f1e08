#include "platform/FolderRights.h"

QString UserNameOrUnknown(const QString &name)
{
    if (name.isEmpty() || name.size() > MaxUserNameLength)
        return QStringLiteral("Unknown");
    return name;
}

QString TrimErrorText(QString text)
{
    while (!text.isEmpty()) {
        const QChar last = text.back();
        if (!last.isSpace() && last.category() != QChar::Other_Control && last != QLatin1Char('.'))
            break;
        text.chop(1);
    }
    return text;
}
