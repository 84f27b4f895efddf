#include "ui/wave_decoding.h"

#include "core/operating_mode.h"
#include "ui/dialogs.h"
#include "ui/receive_window_host.h"
#include "ui/station_context.h"
#include "ui/station_devices.h"
#include "signal/wave_source.h"

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

namespace tellur::ui {

void decodeWaveFileInto(ReceiveWindowHost& host, QWidget* window, const QString& needsSoundcard)
{
    StationDevices& devices = host.devices();
    StationContext& station = host.station();
    if (station.interfaceType() != InterfaceSoundCard) {
        host.dialogs().information(window, "Tellur32", needsSoundcard);
        return;
    }
    if (devices.wavePlaybackRunning())
        return;
    QString file;
    {
        ModalPause pause(station);
        file = host.dialogs().openFileName(window, "Open wave file for playback",
                                           QString::fromStdString(station.folderField(StationFolder::MasksPalettes).string()),
                                           "Wave files (*.wav)");
    }
    if (file.isEmpty())
        return;
    // The hooks run on the playback thread; the main window outlives it (its devices wait for
    // the thread), and what they post is dropped once the receive window has gone.
    ReceiveWindowHost* h = &host;
    QWidget* main = host.hostWindow();
    QPointer<QWidget> self(window);
    signal::WavePlaybackHooks hooks;
    hooks.hidePanel = [h, main] {
        QMetaObject::invokeMethod(main, [h] { h->setWavePlaybackVisible(false); }, Qt::QueuedConnection);
    };
    hooks.message = [h, main, self](const std::string& text) {
        QMetaObject::invokeMethod(main, [h, main, self, text] {
            h->dialogs().warning(self ? self.data() : main, "Tellur32", QString::fromStdString(text));
        }, Qt::QueuedConnection);
    };
    if (devices.startWavePlayback(file.toStdString(), std::move(hooks)))
        host.setWavePlaybackVisible(true);
}

} // namespace tellur::ui
