#include "windowslot.h"

#include <QEvent>
#include <QScreen>
#include <algorithm>

WindowSlot::WindowSlot(QWidget *main, QPointF offset) : QObject(main), m_main(main), m_offset(offset) {}

void WindowSlot::hold(QWidget *window, bool kept)
{
    m_window = window;
    window->setAttribute(Qt::WA_DeleteOnClose, !kept);
    if (!kept)
        window->installEventFilter(this);
}

void WindowSlot::show()
{
    if (!m_window)
        return;
    if (!m_window->isVisible())
        place();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void WindowSlot::close()
{
    if (QWidget *window = m_window)
        window->close();
}

void WindowSlot::place()
{
    if (!m_window->testAttribute(Qt::WA_Resized))
        m_window->adjustSize();
    const QRect main = m_main->frameGeometry();
    // The size the window will take once its layout has had its say, as at a large font.
    QRect r(QPoint(0, 0), m_window->size().expandedTo(m_window->minimumSizeHint()));
    r.moveCenter(main.center() + QPoint(int(main.width() * m_offset.x()), int(main.height() * m_offset.y())));
    // Wholly on the main window's screen, frame and all: buttons below the screen's edge cannot
    // be reached. A window's position is its frame's; its own frame is taken as the main one's.
    const QRect inner = m_main->geometry();
    const QMargins frame(inner.left() - main.left(), inner.top() - main.top(), main.right() - inner.right(),
                         main.bottom() - inner.bottom());
    r.setSize(r.size().grownBy(frame));
    if (const QScreen *screen = m_main->screen()) {
        const QRect room = screen->availableGeometry();
        // At a large font or a high scale a window may be bigger than the screen: it is made to fit.
        if (const QSize fits = r.size().boundedTo(room.size()); fits != r.size()) {
            r.setSize(fits);
            m_window->resize(fits.shrunkBy(frame));
        }
        r.moveLeft(std::max(room.left(), std::min(r.left(), room.right() + 1 - r.width())));
        r.moveTop(std::max(room.top(), std::min(r.top(), room.bottom() + 1 - r.height())));
    }
    m_window->move(r.topLeft());
}

bool WindowSlot::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        m_window.clear();
    return QObject::eventFilter(watched, event);
}
