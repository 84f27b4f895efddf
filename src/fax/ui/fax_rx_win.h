// TFAXRXWin: the receive window of the FAX modes. Chooses the FAX mode row, requests its
// operating mode, drives the FAX receiver from Timer1 and shows the growing picture.
// GUI thread; owned by the main window (Qt parent).
#pragma once

#include "core/ui/myform.h"

namespace tellur::ui {

class THauptformular;

class TFAXRXWin : public TMyform {
    Q_OBJECT
public:
    explicit TFAXRXWin(THauptformular& main);
    ~TFAXRXWin() override;

private:
    THauptformular& m_main;
};

// Registers the FAX receive window with the main window's operating-type list.
void installFaxWindows(THauptformular& main);

} // namespace tellur::ui
