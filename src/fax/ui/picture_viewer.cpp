#include "fax/ui/picture_viewer.h"

#include "ui/dialogs.h"
#include "ui/receive_window_host.h"
#include "fax/fax_assembly.h"
#include "storage/picture_files.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <cstring>

namespace tellur::ui {

TPictureViewer::TPictureViewer(const QString& file, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName("TPictureViewer");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(file).fileName());
    m_loaded = storage::readPicture(file.toStdString(), m_picture);

    m_view = QImage(m_picture.width(), m_picture.height(), QImage::Format_Indexed8);
    QList<QRgb> colours(256);
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t c = m_picture.getColour(i);
        colours[i] = qRgb(storage::colourRed(c), storage::colourGreen(c), storage::colourBlue(c));
    }
    m_view.setColorTable(colours);
    for (int r = 0; r < m_picture.height(); ++r)
        std::memcpy(m_view.scanLine(r), m_picture.row(r), std::size_t(m_picture.width()));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 3, 6, 3);
    bar->addWidget(new QLabel("Zoom:", this));
    m_zoom = new QComboBox(this);
    m_zoom->setObjectName("zoom");
    m_zoom->setToolTip("Select Zoom factor");
    for (std::string_view z : fax::kZoomCaptions)
        m_zoom->addItem(QString::fromLatin1(z.data(), qsizetype(z.size())));
    bar->addWidget(m_zoom);
    bar->addStretch(1);
    auto* size = new QLabel(QString("%1 × %2").arg(m_picture.width()).arg(m_picture.height()), this);
    bar->addWidget(size);
    layout->addLayout(bar);
    m_scroll = new QScrollArea(this);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_label = new QLabel;
    m_label->setObjectName("Image");
    m_scroll->setWidget(m_label);
    layout->addWidget(m_scroll, 1);
    connect(m_zoom, &QComboBox::activated, this, &TPictureViewer::setZoomIndex);
    setZoomIndex(9);
}

void TPictureViewer::setZoomIndex(int index)
{
    index = index == 0 ? 0 : fax::validZoomIndex(index);
    m_zoom->setCurrentIndex(index);
    const int screenWidth = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry().width() : 1280;
    float z = fax::zoomFactor(index, m_view.width(), screenWidth);
    if (z <= 0)
        z = 1.0f;
    const QSize s(fax::scrollRange(m_view.width(), z), fax::scrollRange(m_view.height(), z));
    m_label->setPixmap(QPixmap::fromImage(m_view.scaled(s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    m_label->resize(s);
    const int w = std::max(std::min(s.width() + 24, screenWidth - 16), 344);
    const int screenHeight = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry().height() : 1024;
    resize(w, std::min(s.height() + 63, screenHeight - 120));
}

TPictureViewer* openPictureViewer(ReceiveWindowHost& host, const QString& file)
{
    QWidget* main = host.hostWindow();
    auto* viewer = new TPictureViewer(file, main);
    if (!viewer->loaded()) {
        delete viewer;
        host.dialogs().warning(main, "Problem", "The picture file '" + file + "' could not be read.");
        return nullptr;
    }
    viewer->move(20, main->frameGeometry().height());
    viewer->show();
    return viewer;
}

} // namespace tellur::ui
