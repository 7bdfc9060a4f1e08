#pragma once
// The result line of one benchmark target, as bench/run collects it, and the few statistics
// the benchmarks take of repeated runs.
#include <QString>
#include <QStringList>
#include <QVector>

struct TBenchLine {
    QString Target;     // short name of the target, e.g. "pairing"
    QString Figure;     // what was measured, with its unit
    QString Reference;  // what it is held against, with its unit and how it was taken
    double Ratio = 0;   // figure against reference, in the target's own terms
    QString Limit;      // the bound the ratio must keep, e.g. "<= 0.01"
    bool Pass = false;
};

// Prints the line on standard output as
// "RESULT <target> | <figure> | <reference> | ratio <r> (<limit>) | PASS" (or FAIL), and
// returns the exit status that the benchmark program ends with: 0 for PASS, 1 for FAIL.
int PrintBenchLine(const TBenchLine &Line);

// The median of the values (the mean of the two middle ones for an even count); 0 when empty.
double Median(QVector<double> Values);

// Seconds in human units: "12.3 ms", "4.56 s", "2 min 03 s".
QString SecondsText(double Seconds);

// Megabytes per second (10^6 bytes) of Bytes moved in Seconds, as "612.3 MB/s".
QString ThroughputText(double Bytes, double Seconds);

// One progress note on standard error, so that the result lines stay alone on standard output.
void Note(const QString &Text);

// The count after "--runs" on the command line (at least 1), or Default when there is none.
int RunsOf(const QStringList &Arguments, int Default);
