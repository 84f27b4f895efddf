#include "core/ui/hauptformular.h"

namespace tellur::ui {

THauptformular::THauptformular(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName("THauptformular");
    setWindowTitle("Tellur32");
    resize(800, 60);
}

} // namespace tellur::ui
