// Build helper: writes the fallback language list OrnRes.dat from orn.txt, as UTF-16LE text
// with a byte-order mark. Usage: MakeLangResource <orn.txt> <OrnRes.dat>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <orn.txt> <OrnRes.dat>\n", argv[0]);
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(source.errorString()));
        return 1;
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(source.readAll());
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);

    QSaveFile target(QString::fromLocal8Bit(argv[2]));
    if (!target.open(QIODevice::WriteOnly) || target.write(utf16.encode(text)) < 0 || !target.commit()) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(target.errorString()));
        return 1;
    }
    return 0;
}
