#pragma once
// The main program's language choice, read (never written) from the per-user settings of
// organisation "Pelmarotex", application "ORN".
#include <QString>

struct LanguageSettings {
    int LangI = 1;
    QString LangS = QStringLiteral("Rus");
};

// Reads "LangI" (a decimal integer as text; missing, empty or not a number gives 1) and
// "LangS" (missing gives "Rus"; present and empty stays empty). Makes sure the organisation's
// settings folder exists. Raises RaisedError "Invalid data type for '<name>'" when a value is
// stored with a type other than text.
LanguageSettings ReadLanguageSettings();

class TClassLanguage;

// The language set-up of a start in currentdir: reads the settings, creates tL (stored there as
// soon as it exists, owned by the caller), hands it the code, the name and currentdir's orn.txt,
// and loads its list. Raises what ReadLanguageSettings and LoadLangList raise.
void CreateLanguage(const QString &currentdir, TClassLanguage *&tL);
