#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QWidget>

// One secondary window of the main window (settings, values, statistics, log). Each is a window
// of its own with the main window as its parent, so the window manager keeps it over the main
// window; it opens over the main window and wholly on that window's screen, and asking for it
// again raises it.
//
// The lifetime rule: a window is loaded on first use and unloaded when it closes; it is
// forgotten at once, although Qt deletes it a little later, so the next opening loads a fresh
// one. The log is the one kept window: it holds the upload's lines, so closing only hides it.
class WindowSlot : public QObject
{
    Q_OBJECT
public:
    // `offset`: where the window's centre goes, from the main window's centre, as fractions
    // of the main window's size.
    WindowSlot(QWidget *main, QPointF offset);

    QWidget *window() const { return m_window; }
    template <typename W> W *as() const { return static_cast<W *>(m_window.data()); }
    // Takes a window just loaded. `kept`: closing hides it rather than unloading it.
    void hold(QWidget *window, bool kept = false);
    // Shows the window, placed over the main window when it is not on screen yet.
    void show();
    void close();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();

    QWidget *m_main;
    QPointF m_offset;
    QPointer<QWidget> m_window;
};
