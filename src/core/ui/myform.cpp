#include "core/ui/myform.h"

#include <QCloseEvent>

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

} // namespace tellur::ui
