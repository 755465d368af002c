#pragma once

#include <QPointer>
#include <QWidget>

// A ring around the header band's control that has the keyboard focus. The style draws its own
// focus ring in the highlight colour, which is the band's own colour, so there it vanishes; this
// one is drawn in the band's text colour, outside the control, and lets the pointer through.
class BandFocusRing : public QWidget
{
    Q_OBJECT
public:
    explicit BandFocusRing(QWidget *band);

    // The band's control the ring is around; nullptr while the focus is elsewhere.
    QWidget *target() const { return m_target; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow(QWidget *focused);
    void place();

    QWidget *m_band;
    QPointer<QWidget> m_target;
};
