#include "support/LangWidgets.h"

#include <QComboBox>
#include <QListWidget>
#include <QMetaProperty>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

void TranslatePlainText(QObject *obj, const TextTranslator &translate)
{
    const QMetaObject *meta = obj->metaObject();
    const int index = meta->indexOfProperty("plainText");
    if (index < 0)
        return;
    const QMetaProperty property = meta->property(index);
    if (property.metaType().id() != QMetaType::QString || !property.isReadable() || !property.isWritable())
        return;
    const QString text = property.read(obj).toString();
    const QString translated = translate(text);
    if (translated != text)
        property.write(obj, translated);
}

void TranslateComboBox(QComboBox *comboBox, const TextTranslator &translate)
{
    const int count = comboBox->count();
    for (int i = 0; i < count; ++i)
        comboBox->setItemText(i, translate(comboBox->itemText(i)));
}

void TranslateListWidget(QListWidget *listWidget, const TextTranslator &translate)
{
    const int count = listWidget->count();
    for (int i = 0; i < count; ++i) {
        QListWidgetItem *item = listWidget->item(i);
        item->setText(translate(item->text()));
    }
}

void TranslateTreeWidget(QTreeWidget *treeWidget, const TextTranslator &translate)
{
    if (QTreeWidgetItem *header = treeWidget->headerItem()) {
        for (int column = 0; column < header->columnCount(); ++column)
            header->setText(column, translate(header->text(column)));
    }
    for (QTreeWidgetItemIterator it(treeWidget); *it; ++it)
        (*it)->setText(0, translate((*it)->text(0)));
}

void TranslateTableHeaders(QTableWidget *tableWidget, const TextTranslator &translate)
{
    const int count = tableWidget->columnCount();
    for (int column = 0; column < count; ++column) {
        if (QTableWidgetItem *header = tableWidget->horizontalHeaderItem(column))
            header->setText(translate(header->text()));
    }
}

}  // namespace

void TranslateWidgetContents(QObject *obj, const TextTranslator &translate)
{
    TranslatePlainText(obj, translate);
    if (auto *comboBox = qobject_cast<QComboBox *>(obj))
        TranslateComboBox(comboBox, translate);
    else if (auto *treeWidget = qobject_cast<QTreeWidget *>(obj))
        TranslateTreeWidget(treeWidget, translate);
    else if (auto *tableWidget = qobject_cast<QTableWidget *>(obj))
        TranslateTableHeaders(tableWidget, translate);
    else if (auto *listWidget = qobject_cast<QListWidget *>(obj))
        TranslateListWidget(listWidget, translate);
}
