#pragma once

#include <QStringList>
#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

// The settings window: edits the ranges, axis divisions and port in the INI file. It keeps no
// copy of the values; the fields are the only state from loading until Save or closing.
// It knows nothing of the main window: it asks for the link to pause and resume, for a redraw,
// and for a message to be shown, by signal.
class SettingWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SettingWindow(const QString &iniPath, QWidget *parent = nullptr);

    // Asks for the link to pause, then fills the fields from the file.
    void load();
    void save();
    void reset();
    // What each port of the COMM list opens, shown beside its number in the list ("1 — /dev/ttyUSB0");
    // `custom`: the ports whose device the settings file sets. The text of the box stays the number.
    void setPortDevices(const QStringList &devices, const QList<int> &custom);

signals:
    void linkPauseRequested();
    void linkResumeRequested();
    void redrawRequested();
    void messageRequested(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QString m_iniPath;
    QLineEdit *nlow;
    QLineEdit *nhigh;
    QLineEdit *dbmin;
    QLineEdit *dbmax;
    QLineEdit *mdiv;
    QLineEdit *mdiv2;
    QComboBox *comsel;
    QPushButton *Command1; // Save
    QPushButton *Command2; // Cancel
    QPushButton *Command3; // Reset
    bool m_closed = false;
    // The ranges as loaded, stored and shown: a field left as shown keeps its stored text, so
    // a save in mmol/L never moves a limit by the rounding of its own display.
    bool m_mmol = false;
    QStringList m_storedRanges;
    QStringList m_shownRanges;
};
