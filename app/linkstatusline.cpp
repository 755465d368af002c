#include "linkstatusline.h"

#include "ownroles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

LinkStatusLine::LinkStatusLine(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("linkStatus"));
    markRole(this, QAccessible::Notification);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("linkStatusText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true); // at a large font it is wider than the screen
    QPalette quiet = m_text->palette();
    quiet.setColor(QPalette::WindowText, quiet.color(QPalette::PlaceholderText));
    m_text->setPalette(quiet);
    m_log = new QPushButton(QStringLiteral("Show the log"), this);
    m_log->setObjectName(QStringLiteral("linkStatusLog"));
    m_log->setFlat(true);
    m_log->setToolTip(QStringLiteral("Open the upload log, which names every port tried (Ctrl+L)"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 0, 10, 0);
    // The words take the line's width, so that they wrap only when a large font needs it.
    layout->addWidget(m_text, 1);
    layout->addWidget(m_log);
    connect(m_log, &QPushButton::clicked, this, &LinkStatusLine::logRequested);
    // A flat button shows no focus: it stands up while the keyboard is on it.
    m_log->installEventFilter(this);
    hide();
}

void LinkStatusLine::say(const QString &text)
{
    // A screen reader reads a notification out as it shows, not as its words change: news shows
    // the line anew, and the same words again are no news.
    const bool news = text != m_text->text();
    const bool keyboardHere = m_log->hasFocus();
    if (news) {
        m_text->setText(text);
        setAccessibleName(text);
        hide();
    }
    setVisible(!text.isEmpty());
    // Hiding took the keyboard away from the button; it goes back where the person left it.
    if (news && keyboardHere && isVisible())
        m_log->setFocus(Qt::OtherFocusReason);
}

void LinkStatusLine::clear()
{
    say(QString());
}

QString LinkStatusLine::text() const
{
    return m_text->text();
}

bool LinkStatusLine::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        m_log->setFlat(event->type() == QEvent::FocusOut);
    return QWidget::eventFilter(watched, event);
}
