#pragma once

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

// An editable combo box that reports only picks from its list. Typed text, and Enter in the
// text, are not picks: Qt would otherwise report Enter on a matching text as one.
class PickComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit PickComboBox(QWidget *parent = nullptr) : QComboBox(parent)
    {
        setEditable(true);
        setInsertPolicy(QComboBox::NoInsert);
        lineEdit()->installEventFilter(this);
        connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
            if (index >= 0)
                emit picked(itemText(index));
        });
    }

signals:
    void picked(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                return true;
        }
        return QComboBox::eventFilter(watched, event);
    }
};
