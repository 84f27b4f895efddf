#include "app/ui/receive_windows.h"

#include "app/ui/hauptformular.h"
#include "fax/ui/fax_rx_win.h"
#include "fax/ui/picture_viewer.h"
#include "sstv/ui/sstv_rx_win.h"
#include "text/ui/rtty_rx_win.h"
#include "text/ui/rtty_text.h"

namespace tellur::ui {

void installReceiveWindows(THauptformular& main)
{
    main.setReceiveWindowFactory(1, [](ReceiveWindowHost& host) -> TMyform* { return new TSSTVRXWin(host); });
    main.setReceiveWindowFactory(2, [](ReceiveWindowHost& host) -> TMyform* { return new TFAXRXWin(host); });
    main.setReceiveWindowFactory(3, [](ReceiveWindowHost& host) -> TMyform* { return new TRTTYRXWin(host); });
    QObject::connect(&main, &THauptformular::decodeWaveFileRequested, &main, [&main] {
        if (auto* fax = qobject_cast<TFAXRXWin*>(main.receiveWindow()))
            fax->decodeWaveFile();
        else if (auto* sstv = qobject_cast<TSSTVRXWin*>(main.receiveWindow()))
            sstv->decodeWaveFile();
        else if (auto* rtty = qobject_cast<TRTTYRXWin*>(main.receiveWindow()))
            rtty->decodeWaveFile();
        else
            main.dialogs().information(&main, "Tellur32", kWaveNeedsSoundcard);
    });
    QObject::connect(&main, &THauptformular::abortPlaybackRequested, &main, [&main] {
        if (auto* fax = qobject_cast<TFAXRXWin*>(main.receiveWindow()))
            fax->abortPlayback();
        else if (auto* sstv = qobject_cast<TSSTVRXWin*>(main.receiveWindow()))
            sstv->abortPlayback();
        else if (auto* rtty = qobject_cast<TRTTYRXWin*>(main.receiveWindow()))
            rtty->abortPlayback();
    });
    QObject::connect(&main, &THauptformular::openMessageViewerRequested, &main, [&main] {
        if (auto* rtty = qobject_cast<TRTTYRXWin*>(main.receiveWindow()))
            rtty->OpenButtonClick();
        else
            TRTTYText::open(main.station(), main.dialogs(), &main);
    });
    QObject::connect(&main, &THauptformular::openPictureRequested, &main,
                     [&main](const QString& file) { openPictureViewer(main, file); });
}

} // namespace tellur::ui
