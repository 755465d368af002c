#include "fadingnote.h"

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
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *opacity = new QGraphicsOpacityEffect(this);
    setGraphicsEffect(opacity);
    m_fade = new QPropertyAnimation(opacity, "opacity", this);
    m_fade->setKeyValueAt(0, 1.0);
    m_fade->setKeyValueAt(double(Shown.count()) / double((Shown + Fading).count()), 1.0);
    m_fade->setKeyValueAt(1, 0.0);
    m_fade->setDuration(int(std::chrono::milliseconds(Shown + Fading).count()));
    connect(m_fade, &QPropertyAnimation::finished, this, &QLabel::clear);
}

void FadingNote::say(const QString &text)
{
    setText(text);
    setToolTip(text);
    m_fade->stop();
    m_fade->start();
}
