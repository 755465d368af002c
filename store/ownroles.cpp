#include "ownroles.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QVariant>
#include <QWidget>

namespace {

constexpr char RoleProperty[] = "quillonAccessibleRole";

QAccessibleInterface *ownInterface(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    // Asked first with the object's own class: Qt's widgets keep their own interfaces.
    const QMetaObject *own = object->metaObject();
    if (!widget || className != QLatin1String(own->className()))
        return nullptr;
    if (const QVariant role = widget->property(RoleProperty); role.isValid())
        return new QAccessibleWidget(widget, QAccessible::Role(role.toInt()));
    // The program's windows are classes of its own made straight on QWidget. Dialogs, menus and
    // pop-ups keep their interfaces, and so does a label that is parentless for a moment while a
    // layout is filled: an interface, once made, is kept for the object's life.
    if (own->superClass() != &QWidget::staticMetaObject || widget->windowType() != Qt::Window)
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

void installOwnRoles()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(ownInterface);
}

void markRole(QWidget *widget, QAccessible::Role role)
{
    widget->setProperty(RoleProperty, int(role));
    // A label that was given words as it was made may have been asked for its interface already,
    // while a reader listened: that one goes, and the next question makes the marked one.
    if (QAccessibleInterface *made = QAccessible::queryAccessibleInterface(widget);
        made && made->role() != role)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void readOut(QLabel *label)
{
    if (label->accessibleName() == label->text())
        return;
    label->setAccessibleName(label->text());
    if (!label->isHidden()) {
        label->hide();
        label->show();
    }
}
