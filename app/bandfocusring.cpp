#include "bandfocusring.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace {
constexpr int RingWidth = 2;
constexpr int Gap = 1; // between the control's edge and the ring
} // namespace

BandFocusRing::BandFocusRing(QWidget *band) : QWidget(band), m_band(band)
{
    setObjectName(QStringLiteral("bandFocusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { follow(now); });
}

void BandFocusRing::follow(QWidget *focused)
{
    // The focus may be inside a control (an editable box's text field): the ring goes around the
    // band's own child that holds it.
    QWidget *control = focused;
    while (control && control->parentWidget() != m_band)
        control = control->parentWidget();
    if (control == this)
        control = nullptr;
    if (m_target)
        m_target->removeEventFilter(this);
    m_target = control;
    if (!control) {
        hide();
        return;
    }
    control->installEventFilter(this);
    place();
    show();
    raise();
}

void BandFocusRing::place()
{
    const int out = RingWidth + Gap;
    setGeometry(m_target->geometry().adjusted(-out, -out, out, out));
    update();
}

bool BandFocusRing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target) {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            place();
        else if (event->type() == QEvent::Hide)
            hide();
    }
    return QWidget::eventFilter(watched, event);
}

void BandFocusRing::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(m_band->palette().color(QPalette::WindowText), RingWidth);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal half = RingWidth / 2.0;
    p.drawRoundedRect(QRectF(rect()).adjusted(half, half, -half, -half), 3, 3);
}
