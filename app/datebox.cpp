#include "datebox.h"

#include "datetext.h"

#include <QFocusEvent>
#include <QLineEdit>

DateBox::DateBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::editingFinished, this, &DateBox::check);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { setRefused(false); });
}

void DateBox::setHelpTip(const QString &tip)
{
    m_helpTip = tip;
    if (!m_refused)
        setToolTip(tip);
}

bool DateBox::isBeingEdited() const
{
    return hasFocus();
}

// The box, not its text field, receives the focus: the field forwards it to the box.
void DateBox::focusInEvent(QFocusEvent *event)
{
    m_kept = currentText();
    QComboBox::focusInEvent(event);
}

void DateBox::check()
{
    const QString typed = currentText();
    if (typed == m_kept)
        return;
    if (const auto date = datetext::boxTextToDateTime(typed)) {
        m_kept = typed;
        setRefused(false);
        emit dateTyped(date->date());
        m_kept = currentText();
        return;
    }
    setEditText(m_kept);
    setRefused(true);
}

void DateBox::setRefused(bool refused)
{
    if (refused == m_refused)
        return;
    m_refused = refused;
    QPalette p = palette();
    if (refused) {
        p.setColor(QPalette::Base, QColor(0xff, 0xd6, 0xd6));
        p.setColor(QPalette::Text, QColor(0x80, 0x00, 0x00));
        lineEdit()->setPalette(p);
        setToolTip(QStringLiteral("Not a date. Type it as %1, for example %2.")
                       .arg(datetext::shortDateFormat(), datetext::dateToBoxText(QDate::currentDate())));
    } else {
        lineEdit()->setPalette(QPalette());
        setToolTip(m_helpTip);
    }
}
