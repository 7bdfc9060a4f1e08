#include "app/FormControls.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>

TShape::TShape(QWidget *parent) : QWidget(parent) {}

void TShape::setBrushColor(const QColor &color)
{
    if (color == brushColor_)
        return;
    brushColor_ = color;
    update();
}

void TShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    painter.setBrush(brushColor_);
    painter.drawEllipse(rect().adjusted(0, 0, -1, -1));
}

void TShape::mousePressEvent(QMouseEvent *event)
{
    emit mouseDown(event->button(), event->buttons(), event->modifiers());
}

TRadioGroup::TRadioGroup(const QString &title, const QStringList &items, int columns, QWidget *parent)
    : QGroupBox(title, parent), group_(new QButtonGroup(this))
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(6, 0, 6, 0);
    layout->setSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items.at(i), this);
        group_->addButton(button, i);
        layout->addWidget(button, i / columns, i % columns);
    }
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::setItemIndex(int index)
{
    if (QAbstractButton *button = group_->button(index)) {
        button->setChecked(true);
        return;
    }
    // Nothing selected: an exclusive group does not let its last checked button go.
    group_->setExclusive(false);
    for (QAbstractButton *button : group_->buttons())
        button->setChecked(false);
    group_->setExclusive(true);
}

QRadioButton *TRadioGroup::item(int index) const
{
    return qobject_cast<QRadioButton *>(group_->button(index));
}

void TWrapButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.drawText(rect().adjusted(6, 4, -6, -4), Qt::AlignCenter | Qt::TextWordWrap, text());
}
