#pragma once

#include <QFrame>
#include <QStringList>

class QLabel;

// A band across the main window naming the USB serial devices this user may not open and the
// command that fixes it. Not a message box: the link keeps searching while it shows. Once
// dismissed it stays away until the next start.
class PermissionNotice : public QFrame
{
    Q_OBJECT
public:
    explicit PermissionNotice(QWidget *parent = nullptr);

    void addDevice(const QString &device);
    bool isDismissed() const { return m_dismissed; }

private:
    QLabel *m_text;
    QStringList m_devices;
    bool m_dismissed = false;
};
