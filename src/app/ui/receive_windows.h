// Registers the receive windows with the main window's operating-type list and wires the main
// window's wave-file and picture commands to them. GUI thread.
#pragma once

namespace tellur::ui {

class THauptformular;

void installReceiveWindows(THauptformular& main);

} // namespace tellur::ui
