#pragma once

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

// An editable combo box whose text is what the user typed and that reports only picks from its
// list: an entry chosen in the list, or with the arrow keys or the wheel over the closed box.
// Qt's defaults would complete what is typed to an entry, and on leaving the box (or on Enter)
// replace the text by an entry that matches it, ignoring case, and report that as a pick.
class PickComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit PickComboBox(QWidget *parent = nullptr) : QComboBox(parent)
    {
        setEditable(true);
        setInsertPolicy(QComboBox::NoInsert);
        setCompleter(nullptr);
        lineEdit()->installEventFilter(this);
        // The box's own matching of the edited text to an entry when editing finishes.
        disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
        connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
            if (index >= 0)
                emit picked(itemText(index));
        });
    }

    // Shows `text`, with its entry selected when the list has one, so that leaving the box
    // finds nothing to change. A text that is no entry selects none.
    void showText(const QString &text)
    {
        const int index = findText(text);
        setCurrentIndex(index);
        if (index < 0)
            setEditText(text);
    }

signals:
    void picked(const QString &text);
    // Enter in the box: no pick, but the owner may act on it.
    void entered();

protected:
    // The box has the focus and hands keys to its text field itself; the filter below sees only
    // what is sent to the field directly.
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->accept();
            emit entered();
            return;
        }
        QComboBox::keyPressEvent(event);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                emit entered();
                return true;
            }
        }
        return QComboBox::eventFilter(watched, event);
    }
};
