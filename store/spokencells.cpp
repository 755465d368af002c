#include "spokencells.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QEvent>
#include <QTimer>

namespace {

// The cell as a screen reader knows it, while a reader listens and the table has the keyboard.
QAccessibleInterface *heardCell(QAbstractItemView *view, const QModelIndex &index)
{
    if (!QAccessible::isActive() || !view->hasFocus() || !index.isValid())
        return nullptr;
    QAccessibleTableInterface *table = QAccessible::queryAccessibleInterface(view)->tableInterface();
    return table ? table->cellAt(index.row(), index.column()) : nullptr;
}

void tellFocus(QAbstractItemView *view, const QModelIndex &index)
{
    if (QAccessibleInterface *cell = heardCell(view, index)) {
        QAccessibleEvent event(cell, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

class CellSpeaker : public QObject
{
public:
    explicit CellSpeaker(QAbstractItemView *view) : QObject(view), m_view(view)
    {
        view->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        // After the view's own focus has been told, and after it has chosen a current cell.
        if (event->type() == QEvent::FocusIn)
            QTimer::singleShot(0, this, [this] { tellFocus(m_view, m_view->currentIndex()); });
        return false;
    }

private:
    QAbstractItemView *m_view;
};

} // namespace

void speakCells(QAbstractItemView *view)
{
    new CellSpeaker(view);
}
