#include "ui/myform.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace tellur::ui {

TMyform::TMyform(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
}

void TMyform::closeEvent(QCloseEvent* e)
{
    if (m_swallowAltF4 && e->spontaneous()) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}

QPoint keptOnScreen(QPoint pos)
{
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect g = s->geometry();
        if (pos.x() > g.width())
            pos.setX(g.width() - 20);
        if (pos.y() > g.height())
            pos.setY(g.height() - 20);
    }
    return pos;
}

} // namespace tellur::ui
