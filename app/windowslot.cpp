#include "windowslot.h"

#include "screenroom.h"

#include <QEvent>
#include <QScreen>

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
    // A window's position is its frame's; its own frame is taken as the main one's. At a large font
    // or a high scale a window may be bigger than the screen: it is made to fit.
    const QMargins frame = screenroom::frameOf(m_main);
    r.setSize(r.size().grownBy(frame));
    if (const QScreen *screen = m_main->screen()) {
        const QRect fits = screenroom::keptWithin(r, screen->availableGeometry());
        if (fits.size() != r.size())
            m_window->resize(fits.size().shrunkBy(frame));
        r = fits;
    }
    m_window->move(r.topLeft());
}

bool WindowSlot::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        m_window.clear();
    return QObject::eventFilter(watched, event);
}
