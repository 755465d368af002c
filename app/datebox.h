#pragma once

#include <QComboBox>
#include <QDate>

// A date box: editable text with a drop-down arrow but no list of its own. Opening the
// drop-down (the arrow, Alt+Down, F4) asks for a calendar instead.
//
// A typed date is checked when the box is left or Enter is pressed: one that reads as a date is
// told as dateTyped; one that does not is refused, the box turning red with a tooltip giving the
// form, and the date it held before is put back.
class DateBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DateBox(QWidget *parent = nullptr);
    void showPopup() override { emit dropDown(); }

    // The tooltip while the box holds a good date.
    void setHelpTip(const QString &tip);
    bool refused() const { return m_refused; }
    // The user is in the box: the period rule leaves its text alone meanwhile.
    bool isBeingEdited() const;

signals:
    void dropDown();
    void dateTyped(const QDate &date);

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    void check();
    void setRefused(bool refused);

    QString m_kept; // the text when the user came into the box
    QString m_helpTip;
    bool m_refused = false;
};
