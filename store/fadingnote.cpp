#include "fadingnote.h"

#include "ownroles.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <chrono>

namespace {
using namespace std::chrono_literals;
constexpr auto Shown = 6s; // fully there, long enough to read a path
constexpr auto Fading = 2s;
} // namespace

FadingNote::FadingNote(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("savedNote"));
    markRole(this, QAccessible::Notification);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *opacity = new QGraphicsOpacityEffect(this);
    setGraphicsEffect(opacity);
    m_fade = new QPropertyAnimation(opacity, "opacity", this);
    m_fade->setKeyValueAt(0, 1.0);
    m_fade->setKeyValueAt(double(Shown.count()) / double((Shown + Fading).count()), 1.0);
    m_fade->setKeyValueAt(1, 0.0);
    m_fade->setDuration(int(std::chrono::milliseconds(Shown + Fading).count()));
    connect(m_fade, &QPropertyAnimation::finished, this, [this] {
        clear();
        hide();
    });
    // Hidden while it has nothing to say, so that a screen reader meets no empty notification,
    // yet keeping its room: the buttons beside it stay where they are.
    QSizePolicy keep = sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    setSizePolicy(keep);
    hide();
}

void FadingNote::say(const QString &text)
{
    setText(text);
    setToolTip(text);
    // A screen reader reads a notification out as it shows: each note shows it anew.
    setAccessibleName(text);
    hide();
    show();
    m_fade->stop();
    m_fade->start();
}
