#pragma once
// The texts that widgets keep as lists rather than in single string properties: the plain
// text of text edits, the items of combo boxes and item widgets, the column headers.
#include <QString>
#include <functional>

class QObject;

using TextTranslator = std::function<QString(const QString &)>;

// Passes these texts of obj through translate: the whole "plainText" (set again only when it
// changed, so a long log keeps its scroll position); the items of a QComboBox or QListWidget;
// column 0 of every QTreeWidget item, all levels; the header labels of a QTreeWidget and the
// horizontal header labels of a QTableWidget. Other objects are left alone.
void TranslateWidgetContents(QObject *obj, const TextTranslator &translate);
