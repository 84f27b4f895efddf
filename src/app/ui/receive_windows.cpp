#include "app/ui/receive_windows.h"

#include "app/ui/hauptformular.h"
#include "fax/ui/fax_rx_win.h"
#include "fax/ui/picture_viewer.h"
#include "sstv/ui/sstv_rx_win.h"

namespace tellur::ui {

void installReceiveWindows(THauptformular& main)
{
    main.setReceiveWindowFactory(1, [](ReceiveWindowHost& host) -> TMyform* { return new TSSTVRXWin(host); });
    main.setReceiveWindowFactory(2, [](ReceiveWindowHost& host) -> TMyform* { return new TFAXRXWin(host); });
    QObject::connect(&main, &THauptformular::decodeWaveFileRequested, &main, [&main] {
        if (auto* fax = qobject_cast<TFAXRXWin*>(main.receiveWindow()))
            fax->decodeWaveFile();
        else if (auto* sstv = qobject_cast<TSSTVRXWin*>(main.receiveWindow()))
            sstv->decodeWaveFile();
        else
            main.dialogs().information(&main, "Tellur32", kWaveNeedsSoundcard);
    });
    QObject::connect(&main, &THauptformular::abortPlaybackRequested, &main, [&main] {
        if (auto* fax = qobject_cast<TFAXRXWin*>(main.receiveWindow()))
            fax->abortPlayback();
        else if (auto* sstv = qobject_cast<TSSTVRXWin*>(main.receiveWindow()))
            sstv->abortPlayback();
    });
    QObject::connect(&main, &THauptformular::openPictureRequested, &main,
                     [&main](const QString& file) { openPictureViewer(main, file); });
}

} // namespace tellur::ui
