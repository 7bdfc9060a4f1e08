#pragma once
// The script list file logdbupdate.txt: the names of fetched database scripts, one per line,
// in the order fetched, duplicates allowed, lines ended by CR LF, kept in its own encoding.
#include <QString>
#include <QStringList>

// Text encodings the list is read and written in. A byte-order mark names the first three;
// a file without one is in the local 8-bit code page.
enum class TTextEncoding { Local8Bit, Utf8Bom, Utf16LE, Utf16BE };

struct TScriptList {
    QStringList Lines;
    TTextEncoding Encoding = TTextEncoding::Local8Bit;
};

enum class TScriptListLoad {
    Loaded,      // the file was read into the list
    Missing,     // there is no such file: the list is empty, in the local 8-bit code page
    Unreadable,  // the file exists but cannot be read or decoded: it must not be overwritten
};

// Reads the list at Path (links followed). Lines end at CR LF, LF or CR; a final line end adds
// no empty line. On Missing or Unreadable, List is left empty in the local 8-bit code page.
TScriptListLoad LoadScriptList(const QString &Path, TScriptList &List);

// Reads a list from the bytes of such a file: Loaded, or Unreadable (List left empty in the
// local 8-bit code page) when they cannot be decoded in the encoding their mark names.
TScriptListLoad ParseScriptList(QByteArray bytes, TScriptList &List);

// Writes the whole list to Path (replacing it), every line followed by CR LF, in the list's
// encoding with its byte-order mark. The file is replaced at once or not at all (a link at Path
// is replaced, never written through). Returns false
// and sets ErrorText (when given) on failure.
bool SaveScriptList(const QString &Path, const TScriptList &List, QString *ErrorText = nullptr);
