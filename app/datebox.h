#pragma once

#include <QComboBox>

// A date box: editable text with a drop-down arrow but no list of its own. Opening the
// drop-down asks for a calendar instead.
class DateBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DateBox(QWidget *parent = nullptr) : QComboBox(parent)
    {
        setEditable(true);
        setInsertPolicy(QComboBox::NoInsert);
    }
    void showPopup() override { emit dropDown(); }

signals:
    void dropDown();
};
