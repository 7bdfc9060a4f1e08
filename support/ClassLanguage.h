#pragma once
// Localisation: every stretch of a text between two U+2026 characters is a key into the
// language list and is replaced by its translation in the chosen language.
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class TClassLanguage : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString LangFileName READ LangFileName WRITE SetLangFileName)
    Q_PROPERTY(QString LngNameReturn READ LngNameReturn WRITE SetLngNameReturn)
    Q_PROPERTY(int LngCodeReturn READ LngCodeReturn WRITE SetLngCodeReturn)

public:
    // An empty list, both names empty, LngCodeReturn 1; no owner unless one is given.
    explicit TClassLanguage(QObject *parent = nullptr);

    // Full path of the language file; setting it does not reload the list.
    QString LangFileName() const { return tLangFileName; }
    void SetLangFileName(const QString &value) { tLangFileName = value; }
    // Language code matched against the first three characters of the language lines.
    QString LngNameReturn() const { return tLngNameReturn; }
    void SetLngNameReturn(const QString &value) { tLngNameReturn = value; }
    // Numeric language choice, kept for the caller; no lookup reads it.
    int LngCodeReturn() const { return tLngCodeReturn; }
    void SetLngCodeReturn(int value) { tLngCodeReturn = value; }

    // The language list: one item per line, in file order, empty lines included.
    QStringList sl;

    // Folders searched for the fallback list OrnRes.dat when the language file does not exist;
    // DefaultLangResourceFolders() unless changed.
    QStringList ResourceFolders;

    // Replaces sl with the lines of the language file (UTF-8), or, when that file does not
    // exist, of the fallback (decoded by byte-order mark). Raises RaisedError with the file
    // system's text when a file cannot be read, and "Resource langfile not found" when neither
    // exists; sl is then left as it was.
    void LoadLangList();

    // The text with every marked key replaced by its translation (a key without one comes back
    // bare, an empty key gives nothing); an unclosed marker drops itself and the rest.
    QString lStr(const QString &searchStr) const;

    // Appends to outText, as one item each, the non-empty translation of every marked key.
    void lRet(const QString &searchStr, QStringList &outText) const;

    // Translates every object that Component owns (its descendants, each once, in child order);
    // Component itself is left alone.
    void SetComponentsNewLanguage(QObject *Component);

    // Translates the texts of one object and of the objects reachable from it through
    // object-valued properties (not through a property whose name contains "datasource"):
    // text, windowTitle, title, toolTip, statusTip, whatsThis and placeholderText with CR LF
    // made one blank; the plain text of text edits; the items of combo boxes, list and tree
    // widgets (column 0) and the header labels of tree and table widgets.
    virtual void SetObjectNewLanguage(QObject *obj);

private:
    // The translation of one bare key in the chosen language, or the key itself.
    QString FindTranslation(const QString &key) const;

    QString tLangFileName;
    QString tLngNameReturn;
    int tLngCodeReturn = 1;
    // Objects whose translation is in progress, so that a cycle of properties ends.
    QSet<const QObject *> tInProgress;
};
