#include "bench/BenchReport.h"

#include <QTextStream>
#include <algorithm>
#include <cstdio>

int PrintBenchLine(const TBenchLine &Line)
{
    QTextStream out(stdout);
    out << "RESULT " << Line.Target << " | " << Line.Figure << " | " << Line.Reference << " | ratio "
        << QString::number(Line.Ratio, 'g', 3) << " (" << Line.Limit << ") | "
        << (Line.Pass ? "PASS" : "FAIL") << "\n";
    out.flush();
    return Line.Pass ? 0 : 1;
}

double Median(QVector<double> Values)
{
    if (Values.isEmpty())
        return 0;
    std::sort(Values.begin(), Values.end());
    const qsizetype middle = Values.size() / 2;
    return Values.size() % 2 ? Values.at(middle) : (Values.at(middle - 1) + Values.at(middle)) / 2;
}

QString SecondsText(double Seconds)
{
    if (Seconds < 1)
        return QString::number(Seconds * 1000, 'f', Seconds < 0.01 ? 2 : 1) + QStringLiteral(" ms");
    if (Seconds < 120)
        return QString::number(Seconds, 'f', 2) + QStringLiteral(" s");
    const int whole = int(Seconds + 0.5);
    return QStringLiteral("%1 min %2 s").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString ThroughputText(double Bytes, double Seconds)
{
    return QString::number(Seconds > 0 ? Bytes / Seconds / 1e6 : 0, 'f', 1) + QStringLiteral(" MB/s");
}

void Note(const QString &Text)
{
    std::fprintf(stderr, "  %s\n", Text.toLocal8Bit().constData());
    std::fflush(stderr);
}

int RunsOf(const QStringList &Arguments, int Default)
{
    const qsizetype at = Arguments.indexOf(QStringLiteral("--runs"));
    return at >= 0 && at + 1 < Arguments.size() ? qMax(1, Arguments.at(at + 1).toInt()) : Default;
}
