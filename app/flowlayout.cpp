#include "flowlayout.h"

#include <QHBoxLayout>
#include <QWidget>
#include <algorithm>

FlowLayout::FlowLayout(int spacing)
{
    setSpacing(spacing);
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void FlowLayout::addGroup(std::initializer_list<QWidget *> widgets)
{
    auto *group = new QHBoxLayout;
    group->setSpacing(spacing());
    for (QWidget *w : widgets)
        group->addWidget(w);
    addChildLayout(group);
    addItem(group);
}

void FlowLayout::addItem(QLayoutItem *item)
{
    m_items.append(item);
    invalidate();
}

QLayoutItem *FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    if (index < m_stretchAt)
        --m_stretchAt;
    invalidate();
    return m_items.takeAt(index);
}

// As narrow as its widest item, every item on a line of its own.
QSize FlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem *item : m_items)
        size = size.expandedTo(item->sizeHint());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

// Everything on one line.
QSize FlowLayout::sizeHint() const
{
    int width = 0, height = 0;
    for (const QLayoutItem *item : m_items) {
        if (item->isEmpty())
            continue;
        width += (width ? spacing() : 0) + item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins m = contentsMargins();
    return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect &rect, bool place) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    // The lines first, each a run of items, then their places: an item is centred on its line's
    // height, as in a box layout.
    QList<QList<QLayoutItem *>> lines(1);
    int x = 0;
    for (QLayoutItem *item : m_items) {
        if (item->isEmpty())
            continue;
        const int w = item->sizeHint().width();
        if (x > 0 && x + spacing() + w > area.width()) {
            lines.append(QList<QLayoutItem *>());
            x = 0;
        }
        x += (x ? spacing() : 0) + w;
        lines.last().append(item);
    }
    // On a single line, the items after the stretch are pushed to its right end.
    const int right = lines.size() == 1 ? std::max(0, area.width() - x) : 0;
    int pushed = right;
    int y = area.top();
    for (const QList<QLayoutItem *> &line : lines) {
        int height = 0;
        for (const QLayoutItem *item : line)
            height = std::max(height, item->sizeHint().height());
        int left = area.left();
        for (QLayoutItem *item : line) {
            if (m_stretchAt >= 0 && m_items.indexOf(item) >= m_stretchAt) {
                left += pushed;
                pushed = 0;
            }
            const QSize size = item->sizeHint();
            if (place)
                item->setGeometry(QRect(QPoint(left, y + (height - size.height()) / 2), size));
            left += size.width() + spacing();
        }
        y += height + spacing();
    }
    return y - spacing() - area.top() + contentsMargins().top() + contentsMargins().bottom();
}
