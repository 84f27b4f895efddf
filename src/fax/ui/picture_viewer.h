// TPictureViewer: a saved picture file shown on its own, with the zoom list of the receive
// window. The full picture window with editing, printing and transmitting replaces it later.
// GUI thread; the main window owns it (Qt parent), it frees itself when closed.
#pragma once

#include "storage/di8_bitmap.h"

#include <QImage>
#include <QWidget>

class QComboBox;
class QLabel;
class QScrollArea;

namespace tellur::ui {

class ReceiveWindowHost;

class TPictureViewer : public QWidget {
    Q_OBJECT
public:
    TPictureViewer(const QString& file, QWidget* parent = nullptr);
    bool loaded() const { return m_loaded; }
    void setZoomIndex(int index);
    const QImage& view() const { return m_view; }

private:
    storage::TDI8Bitmap m_picture;
    QImage m_view;
    bool m_loaded = false;
    QComboBox* m_zoom = nullptr;
    QLabel* m_label = nullptr;
    QScrollArea* m_scroll = nullptr;
};

// Opens a viewer for a picture file (extensions BMP, PNG, PCX, JPG, TIF); a file that cannot be
// read gives a message instead of an empty window.
TPictureViewer* openPictureViewer(ReceiveWindowHost& host, const QString& file);

} // namespace tellur::ui
