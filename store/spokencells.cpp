#include "spokencells.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QEvent>
#include <QTimer>

namespace {

void focusCell(QAbstractItemView *view, const QModelIndex &index)
{
    if (!QAccessible::isActive() || !view->hasFocus() || !index.isValid())
        return;
    QAccessibleTableInterface *table = QAccessible::queryAccessibleInterface(view)->tableInterface();
    if (QAccessibleInterface *cell = table ? table->cellAt(index.row(), index.column()) : nullptr) {
        QAccessibleEvent focused(cell, QAccessible::Focus);
        QAccessible::updateAccessibility(&focused);
    }
}

class CellSpeaker : public QObject
{
public:
    explicit CellSpeaker(QAbstractItemView *view) : QObject(view), m_view(view)
    {
        view->installEventFilter(this);
        connect(view->model(), &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex &first, const QModelIndex &last, const QList<int> &roles) {
                    if (first == last && first.row() == m_view->currentIndex().row() &&
                        (roles.isEmpty() || roles.contains(Qt::AccessibleTextRole)))
                        focusCell(m_view, first);
                });
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        // After the view's own focus has been told, and after it has chosen a current cell.
        if (event->type() == QEvent::FocusIn)
            QTimer::singleShot(0, this, [this] { focusCell(m_view, m_view->currentIndex()); });
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
