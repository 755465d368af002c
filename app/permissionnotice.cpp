#include "permissionnotice.h"

#include "linkmessages.h"
#include "ownroles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

PermissionNotice::PermissionNotice(QWidget *parent) : QFrame(parent), m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("permission_notice"));
    markRole(this, QAccessible::Notification);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette warm = palette();
    warm.setColor(QPalette::Window, QColor(0xff, 0xf4, 0xce));
    warm.setColor(QPalette::WindowText, QColor(0x3d, 0x2e, 0x00));
    setPalette(warm);

    m_text->setObjectName(QStringLiteral("permission_text"));
    m_text->setWordWrap(true);
    // Device paths come from the settings: a name holding markup must show as it is.
    m_text->setTextFormat(Qt::PlainText);
    // The command is there to be copied into a terminal.
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto *dismiss = new QPushButton(QStringLiteral("Dismiss"), this);
    dismiss->setObjectName(QStringLiteral("permission_dismiss"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->addWidget(m_text, 1);
    layout->addWidget(dismiss, 0, Qt::AlignTop);
    connect(dismiss, &QPushButton::clicked, this, [this] {
        m_dismissed = true;
        m_history.clear();
        hide();
    });
    hide();
}

void PermissionNotice::addDevice(const QString &device)
{
    if (m_dismissed || m_devices.contains(device))
        return;
    m_devices << device;
    showTexts();
}

void PermissionNotice::setHistoryText(const QString &text)
{
    if (m_history == text)
        return;
    m_history = text;
    showTexts();
}

void PermissionNotice::showTexts()
{
    QStringList texts;
    if (!m_dismissed && !m_devices.isEmpty())
        texts << linkmessages::permissionNotice(m_devices);
    if (!m_history.isEmpty())
        texts << m_history;
    m_text->setText(texts.join(QStringLiteral("\n\n")));
    // Read out by a screen reader as it shows; its text stays a label of its own, reached before
    // "Dismiss".
    setAccessibleName(m_text->text());
    setVisible(!texts.isEmpty());
}
