#pragma once

#include <QFrame>
#include <QStringList>

class QLabel;

// A band across the main window naming the USB serial devices this user may not open and the
// command that fixes it; and, as a second paragraph, what became of the reading history when it
// was damaged or could not be written. Not a message box: the link keeps searching while it
// shows. Once dismissed the devices stay away until the next start; news of the history shows it
// again.
class PermissionNotice : public QFrame
{
    Q_OBJECT
public:
    explicit PermissionNotice(QWidget *parent = nullptr);

    void addDevice(const QString &device);
    void setHistoryText(const QString &text);
    bool isDismissed() const { return m_dismissed; }

private:
    QLabel *m_text;
    void showTexts();

    QStringList m_devices;
    QString m_history;
    bool m_dismissed = false;
};
