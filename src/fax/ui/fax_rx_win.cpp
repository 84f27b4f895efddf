#include "fax/ui/fax_rx_win.h"

#include "core/ui/hauptformular.h"

namespace tellur::ui {

TFAXRXWin::TFAXRXWin(THauptformular& main)
    : TMyform(&main, Qt::Window)
    , m_main(main)
{
    setObjectName("TFAXRXWin");
    setWindowTitle("FAX-RX Window");
    resize(800, 600);
    show();
}

TFAXRXWin::~TFAXRXWin() = default;

void installFaxWindows(THauptformular& main)
{
    main.setReceiveWindowFactory(2, [](THauptformular& m) -> TMyform* { return new TFAXRXWin(m); });
}

} // namespace tellur::ui
