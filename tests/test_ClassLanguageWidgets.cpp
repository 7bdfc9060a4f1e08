// Translation of a real widget tree, offscreen: which properties and item texts change, which
// objects are reached, and what is left alone.
#include "support/ClassLanguage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

// A plain object with string and object-valued properties, like a non-visual component.
class Holder : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text MEMBER text)
    Q_PROPERTY(QString comment MEMBER comment)
    Q_PROPERTY(QObject *target MEMBER target)
    Q_PROPERTY(QObject *dataSource MEMBER dataSource)
    Q_PROPERTY(QObject *MasterDATASOURCELink MEMBER masterLink)

public:
    using QObject::QObject;
    QString text;
    QString comment;
    QObject *target = nullptr;
    QObject *dataSource = nullptr;
    QObject *masterLink = nullptr;
};

namespace {

const QStringList WidgetList = {
    "~[-----", "Rus Протокол", "Eng Log",
    "~[-----", "Rus Обновление программы", "Eng Program update",
    "~[-----", "Rus Папка программы", "Eng Program folder",
    "~[-----", "Rus Новых", "Eng New",
    "~[-----", "Rus Подождите немного", "Eng Please wait",
    "~[-----", "Rus Сервер подключен", "Eng Server connected",
    "~[-----", "Rus Обновление", "Eng Update",
    "~[-----", "Rus Многоточие", "Eng Log …Новых…",
};

std::unique_ptr<TClassLanguage> Language(const char *code)
{
    auto tL = std::make_unique<TClassLanguage>();
    tL->sl = WidgetList;
    tL->SetLngNameReturn(QString::fromLatin1(code));
    return tL;
}

// The update window in small: the kinds of control it has, nested as it nests them.
struct Window {
    QWidget root;
    QLabel *label = new QLabel(QStringLiteral("…Протокол…"), &root);
    QLabel *twoLines = new QLabel(QStringLiteral("…Протокол…\r\n…Новых…"), &root);
    QLabel *plainTwoLines = new QLabel(QStringLiteral("first\r\nsecond"), &root);
    QPushButton *button = new QPushButton(QStringLiteral("…Обновление программы…"), &root);
    QCheckBox *checkBox = new QCheckBox(QStringLiteral("- …Новых…"), &root);
    QGroupBox *group = new QGroupBox(QStringLiteral("…Папка программы…"), &root);
    QRadioButton *radio = new QRadioButton(QStringLiteral("…Новых… 1"), group);
    QLabel *nested = new QLabel(QStringLiteral("…Многоточие…"), group);
    QLineEdit *edit = new QLineEdit(QStringLiteral("C:\\Data"), &root);
    QPlainTextEdit *memo = new QPlainTextEdit(QStringLiteral("…Сервер подключен…\n    a.dll - …Новых…"), &root);
    QComboBox *combo = new QComboBox(&root);
    QListWidget *list = new QListWidget(&root);
    QTreeWidget *tree = new QTreeWidget(&root);
    QTableWidget *table = new QTableWidget(0, 2, &root);
    Holder *holder = new Holder(&root);
    QLabel target{QStringLiteral("…Новых…")};
    QPlainTextEdit dataSource{QStringLiteral("…Новых…")};
    QLabel masterLink{QStringLiteral("…Новых…")};
    QTreeWidgetItem *top = nullptr;
    QTreeWidgetItem *child = nullptr;

    Window()
    {
        root.setWindowTitle(QStringLiteral("…Обновление… ORN"));
        label->setToolTip(QStringLiteral("…Подождите немного…"));
        edit->setPlaceholderText(QStringLiteral("…Папка программы…"));
        combo->addItems({QStringLiteral("…Новых…"), QStringLiteral("Тип 1")});
        list->addItems({QStringLiteral("…Протокол…"), QStringLiteral("plain")});
        tree->setHeaderLabels({QStringLiteral("…Протокол…"), QStringLiteral("…Новых…")});
        top = new QTreeWidgetItem(tree, {QStringLiteral("…Новых…"), QStringLiteral("…Новых…")});
        child = new QTreeWidgetItem(top, {QStringLiteral("…Протокол…")});
        new QTreeWidgetItem(child, {QStringLiteral("…Обновление…")});
        table->setHorizontalHeaderLabels({QStringLiteral("…Протокол…"), QStringLiteral("…Новых…")});
        holder->text = QStringLiteral("…Протокол…");
        holder->comment = QStringLiteral("…Протокол…");
        holder->target = &target;
        holder->dataSource = &dataSource;
        holder->masterLink = &masterLink;
        dataSource.setToolTip(QStringLiteral("…Протокол…"));
        masterLink.setToolTip(QStringLiteral("…Протокол…"));
    }
};

struct Expected {
    const char *code;
    QString log, update, programUpdate, folder, fresh, wait, connected, nested;
};

const Expected Languages[] = {
    {"Rus", "Протокол", "Обновление", "Обновление программы", "Папка программы", "Новых",
     "Подождите немного", "Сервер подключен", "Многоточие"},
    {"Eng", "Log", "Update", "Program update", "Program folder", "New", "Please wait",
     "Server connected", "Log …Новых…"},
};

}  // namespace

TEST(ClassLanguageWidgets, TranslatesEveryOwnedControlOnce)
{
    for (const Expected &e : Languages) {
        SCOPED_TRACE(e.code);
        Window w;
        Language(e.code)->SetComponentsNewLanguage(&w.root);

        EXPECT_EQ(w.root.windowTitle(), QStringLiteral("…Обновление… ORN"));  // the owner itself
        EXPECT_EQ(w.label->text(), e.log);
        EXPECT_EQ(w.label->toolTip(), e.wait);
        EXPECT_EQ(w.twoLines->text(), e.log + " " + e.fresh);
        EXPECT_EQ(w.plainTwoLines->text(), QStringLiteral("first second"));
        EXPECT_EQ(w.button->text(), e.programUpdate);
        EXPECT_EQ(w.checkBox->text(), "- " + e.fresh);
        EXPECT_EQ(w.group->title(), e.folder);
        EXPECT_EQ(w.radio->text(), e.fresh + " 1");
        EXPECT_EQ(w.nested->text(), e.nested);  // a translation holding markers stays as it is
        EXPECT_EQ(w.edit->text(), QStringLiteral("C:\\Data"));
        EXPECT_EQ(w.edit->placeholderText(), e.folder);
        // The log keeps its line breaks.
        EXPECT_EQ(w.memo->toPlainText(), e.connected + "\n    a.dll - " + e.fresh);
        EXPECT_EQ(w.combo->itemText(0), e.fresh);
        EXPECT_EQ(w.combo->itemText(1), QStringLiteral("Тип 1"));
        EXPECT_EQ(w.list->item(0)->text(), e.log);
        EXPECT_EQ(w.list->item(1)->text(), QStringLiteral("plain"));
        EXPECT_EQ(w.tree->headerItem()->text(0), e.log);
        EXPECT_EQ(w.tree->headerItem()->text(1), e.fresh);
        EXPECT_EQ(w.top->text(0), e.fresh);
        EXPECT_EQ(w.top->text(1), QStringLiteral("…Новых…"));  // column 0 only
        EXPECT_EQ(w.child->text(0), e.log);
        EXPECT_EQ(w.child->child(0)->text(0), e.update);
        EXPECT_EQ(w.table->horizontalHeaderItem(0)->text(), e.log);
        EXPECT_EQ(w.table->horizontalHeaderItem(1)->text(), e.fresh);
        EXPECT_EQ(w.holder->text, e.log);
        EXPECT_EQ(w.holder->comment, QStringLiteral("…Протокол…"));  // not a translated name
        // Reached through an object-valued property.
        EXPECT_EQ(w.target.text(), e.fresh);
        // Not descended into through a data-source property, but its contents are translated.
        EXPECT_EQ(w.dataSource.toolTip(), QStringLiteral("…Протокол…"));
        EXPECT_EQ(w.dataSource.toPlainText(), e.fresh);
        EXPECT_EQ(w.masterLink.toolTip(), QStringLiteral("…Протокол…"));
        EXPECT_EQ(w.masterLink.text(), QStringLiteral("…Новых…"));
    }
}

TEST(ClassLanguageWidgets, RepeatedTranslationChangesNothing)
{
    Window w;
    auto tL = Language("Eng");
    tL->SetComponentsNewLanguage(&w.root);
    const QString memo = w.memo->toPlainText();
    int memoChanges = 0;
    QObject::connect(w.memo, &QPlainTextEdit::textChanged, [&memoChanges] { ++memoChanges; });
    tL->SetComponentsNewLanguage(&w.root);
    EXPECT_EQ(w.label->text(), QStringLiteral("Log"));
    EXPECT_EQ(w.memo->toPlainText(), memo);
    EXPECT_EQ(memoChanges, 0);  // an unchanged log is not set again
}

TEST(ClassLanguageWidgets, LongLogKeepsItsTextWhenNothingIsMarked)
{
    QWidget root;
    auto *memo = new QPlainTextEdit(&root);
    for (int i = 0; i < 500; ++i)
        memo->appendPlainText(QStringLiteral("    file%1.dll - new").arg(i));
    int memoChanges = 0;
    QObject::connect(memo, &QPlainTextEdit::textChanged, [&memoChanges] { ++memoChanges; });
    Language("Eng")->SetComponentsNewLanguage(&root);
    EXPECT_EQ(memoChanges, 0);
}

TEST(ClassLanguageWidgets, CycleOfObjectPropertiesEnds)
{
    Holder first, second;
    first.text = QStringLiteral("…Протокол…");
    second.text = QStringLiteral("…Новых…");
    first.target = &second;
    second.target = &first;
    Language("Eng")->SetObjectNewLanguage(&first);
    EXPECT_EQ(first.text, QStringLiteral("Log"));
    EXPECT_EQ(second.text, QStringLiteral("New"));
}

TEST(ClassLanguageWidgets, NullAndEmptyAreHarmless)
{
    auto tL = Language("Eng");
    tL->SetComponentsNewLanguage(nullptr);
    tL->SetObjectNewLanguage(nullptr);
    Holder empty;
    tL->SetObjectNewLanguage(&empty);
    EXPECT_TRUE(empty.text.isEmpty());
}

#include "test_ClassLanguageWidgets.moc"
