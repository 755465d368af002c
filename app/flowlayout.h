#pragma once

#include <QLayout>
#include <QList>

// A row of the band that wraps onto more lines when the window is too narrow for it, as it is at
// a large font on a small or highly scaled screen. While it fits on one line, the items from its
// stretch on sit at the line's right end, as after a box layout's stretch. Each item gets its size
// hint's width, so nothing in it is ever squeezed and clipped.
class FlowLayout : public QLayout
{
public:
    explicit FlowLayout(int spacing);
    ~FlowLayout() override;

    // Widgets that stay together on one line, such as a label and the field it names.
    void addGroup(std::initializer_list<QWidget *> widgets);
    // The items added from now on go to the right end of a single line.
    void addStretch() { m_stretchAt = int(m_items.size()); }

    void addItem(QLayoutItem *item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem *itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem *takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return arrange(QRect(0, 0, width, 0), false); }
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect &rect) override;

private:
    // Places the items in `rect` (or only measures when `place` is false); gives the height used.
    int arrange(const QRect &rect, bool place) const;

    QList<QLayoutItem *> m_items;
    int m_stretchAt = -1;
};
