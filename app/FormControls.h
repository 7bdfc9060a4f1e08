#pragma once
// Controls of the update window that Qt has no direct counterpart for: the status circle,
// the two-column radio group and the push button whose caption wraps.
#include <QColor>
#include <QGroupBox>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QRadioButton;

// A filled circle; reports presses with the buttons and modifiers held.
class TShape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor brushColor READ brushColor WRITE setBrushColor)
public:
    explicit TShape(QWidget *parent = nullptr);
    QColor brushColor() const { return brushColor_; }
    void setBrushColor(const QColor &color);

signals:
    // A single press (the second press of a double click is not reported).
    void mouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QColor brushColor_ = Qt::yellow;
};

// A titled group of radio buttons laid out in columns; ItemIndex is -1 when none is selected.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString &title, const QStringList &items, int columns, QWidget *parent = nullptr);
    int ItemIndex() const;
    void setItemIndex(int index);
    QRadioButton *item(int index) const;

private:
    QButtonGroup *group_;
};

// A push button that wraps its caption over several lines.
class TWrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};
