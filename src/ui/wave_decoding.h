// "Dec&ode from wave file" for a receive window: asks for the file and plays it into the
// soundcard's demodulator on the playback thread, showing the main window's playback panel
// meanwhile and the format message when the file does not fit. GUI thread.
#pragma once

#include <QString>

class QWidget;

namespace tellur::ui {

class ReceiveWindowHost;

// needsSoundcard: the message when the interface is not the soundcard.
void decodeWaveFileInto(ReceiveWindowHost& host, QWidget* window, const QString& needsSoundcard);

} // namespace tellur::ui
