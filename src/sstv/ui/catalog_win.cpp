#include "sstv/ui/catalog_win.h"

#include "ui/dialogs.h"
#include "ui/station_context.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPixmap>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tellur::ui {

namespace {

constexpr int kCellWidth = sstv::kThumbnailWidth + 6;
constexpr int kCellHeight = sstv::kThumbnailHeight + 6;
const QString kNoLongerOnDisk = "This catalog picture is no longer on your hard disk and will be removed from the catalog.";

QPixmap pixmapOf(const storage::RgbPicture& p)
{
    QImage img(reinterpret_cast<const uchar*>(p.data().data()), p.width(), p.height(), p.width() * 4, QImage::Format_RGB32);
    return QPixmap::fromImage(img.copy());
}

QToolButton* toggle(QWidget* parent, const char* name, const QString& text, const QString& hint, bool on)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setCheckable(true);
    b->setChecked(on);
    b->setAutoRaise(true);
    return b;
}

} // namespace

QPoint catalogCell(int index) { return {index / 3, index % 3}; }

TCatalog::TCatalog(StationContext& station, Dialogs& dialogs, sstv::Catalog& catalog, QWidget* parent)
    : TMyform(parent), m_station(station), m_dialogs(dialogs), m_catalog(catalog)
{
    setObjectName("TCatalog");
    setWindowTitle("Catalog");
    setSwallowAltF4(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* bar = new QHBoxLayout;
    m_autoOpen = toggle(this, "Autoopenfromclipboardbutton", "Clipboard", "Open pictures from Clipboard automatically",
                        station.config.flag(cfg::kSstvAutoOpenClipboard));
    m_sizeToFit = toggle(this, "Sizetofitbutton", "Fit", "Stretch or crop pictures to match transmit aspect ratio",
                         station.config.flag(cfg::kSstvSizeToFit));
    connect(m_autoOpen, &QToolButton::toggled, this, [this](bool on) { m_station.config.setFlag(cfg::kSstvAutoOpenClipboard, on); });
    connect(m_sizeToFit, &QToolButton::toggled, this, [this](bool on) { m_station.config.setFlag(cfg::kSstvSizeToFit, on); });
    bar->addWidget(m_autoOpen);
    bar->addWidget(m_sizeToFit);
    bar->addStretch(1);
    layout->addLayout(bar);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("PageControl1");
    for (int p = 0; p < sstv::kCatalogPageCount; ++p) {
        auto* grid = new QListWidget;
        grid->setObjectName(QString("Page%1").arg(p));
        grid->setViewMode(QListView::IconMode);
        grid->setFlow(QListView::TopToBottom);
        grid->setWrapping(true);
        grid->setResizeMode(QListView::Adjust);
        grid->setMovement(QListView::Static);
        grid->setIconSize(QSize(sstv::kThumbnailWidth, sstv::kThumbnailHeight));
        grid->setGridSize(QSize(kCellWidth, kCellHeight));
        grid->setFixedHeight(3 * kCellHeight + 2 * grid->frameWidth() + 20);
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QListWidget::customContextMenuRequested, this, [this, p, grid](const QPoint& at) {
            showMenu(p, grid->viewport()->mapToGlobal(at));
        });
        m_grids[static_cast<std::size_t>(p)] = grid;
        m_tabs->addTab(grid, QString());
    }
    layout->addWidget(m_tabs);

    m_menu = new QMenu(this);
    m_menu->setObjectName("PopupMenu1");
    m_deletePicture = m_menu->addAction("&Delete picture from tab sheet", this, [this] { deletePicture(m_menuIndex); });
    m_deleteAll = m_menu->addAction("Delete &all pictures from tab sheet", this, &TCatalog::deleteAllPictures);
    m_renameFile = m_menu->addAction("R&ename picture file", this, [this] { renamePictureFile(m_menuIndex); });
    m_renameTab = m_menu->addAction("&Rename Tabsheet", this, &TCatalog::renameTabsheet);
    m_rebuild = m_menu->addAction("Re&build page", this, &TCatalog::rebuildPage);
    m_information = m_menu->addAction("P&icture information", this, [this] { pictureInformation(m_menuIndex); });

    refreshAll();
    const int left = station.config.i32(cfg::kCatalogWindowLeft), top = station.config.i32(cfg::kCatalogWindowTop);
    move(keptOnScreen(QPoint(left, top)));
    resize(5 * kCellWidth + 40, 3 * kCellHeight + 110);
}

void TCatalog::refreshAll()
{
    for (int p = 0; p < sstv::kCatalogPageCount; ++p)
        refreshPage(p);
}

void TCatalog::refreshPage(int p)
{
    const auto& page = m_catalog.page(p);
    m_tabs->setTabText(p, QString::fromStdString(page.caption));
    QListWidget* grid = m_grids[static_cast<std::size_t>(p)];
    grid->clear();
    if (p == sstv::kTestPicturesPage) {
        for (int i = 0; i < sstv::kTestPictureCount; ++i) {
            auto* item = new QListWidgetItem(QIcon(pixmapOf(sstv::makeThumbnail(sstv::testPicture(i, 340, 256)))), QString(), grid);
            item->setToolTip(QString::fromLatin1(sstv::testPictureName(i).data()));
        }
        return;
    }
    for (std::size_t i = 0; i < page.files.size(); ++i) {
        auto* item = new QListWidgetItem(QIcon(pixmapOf(page.thumbnails[i])), QString(), grid);
        item->setToolTip(QString::fromStdString(page.files[i].filename().string()));
    }
}

int TCatalog::currentPage() const { return m_tabs->currentIndex(); }

void TCatalog::showMenu(int p, const QPoint& at)
{
    QListWidget* grid = m_grids[static_cast<std::size_t>(p)];
    QListWidgetItem* item = grid->itemAt(grid->viewport()->mapFromGlobal(at));
    m_menuIndex = item ? grid->row(item) : -1;
    const bool onPicture = m_menuIndex >= 0 && p != sstv::kTestPicturesPage;
    m_deletePicture->setEnabled(onPicture);
    m_information->setEnabled(onPicture);
    m_renameFile->setEnabled(onPicture && p != sstv::kLastReceivedPage && p != sstv::kLastRepeatedPage);
    m_renameTab->setEnabled(p >= 1 && p <= 5);
    m_deleteAll->setEnabled(p != sstv::kTestPicturesPage);
    m_rebuild->setEnabled(p != sstv::kTestPicturesPage);
    m_menu->popup(at);
}

void TCatalog::deletePicture(int index)
{
    const int p = currentPage();
    if (index < 0 || p == sstv::kTestPicturesPage)
        return;
    const bool file = p == sstv::kLastReceivedPage || m_dialogs.question(this, "Confirm", "Move picture file to recycle bin as well?");
    m_catalog.removeEntry(p, index, file);
    refreshPage(p);
}

void TCatalog::deleteAllPictures()
{
    const int p = currentPage();
    if (p == sstv::kTestPicturesPage ||
        !m_dialogs.question(this, "Confirm", "Are you sure you want to delete all pictures from this tab sheet?"))
        return;
    const bool files = m_dialogs.question(this, "Confirm", "Move all picture files to recycle bin as well?");
    m_catalog.removeAll(p, files);
    refreshPage(p);
}

void TCatalog::renamePictureFile(int index)
{
    const int p = currentPage();
    if (index < 0 || p == sstv::kLastReceivedPage || p == sstv::kLastRepeatedPage || p == sstv::kTestPicturesPage)
        return;
    const auto& file = m_catalog.page(p).files[static_cast<std::size_t>(index)];
    const auto name = m_dialogs.inputText(this, "Rename picture file", "Enter new filename (w/o path and extension):",
                                          QString::fromStdString(file.stem().string()));
    if (name && !name->isEmpty() && m_catalog.renameFile(p, index, name->toStdString()))
        refreshPage(p);
}

void TCatalog::renameTabsheet()
{
    const int p = currentPage();
    if (p < 1 || p > 5)
        return;
    const auto name = m_dialogs.inputText(this, "Rename Tabsheet", "Enter new name for Tabsheet:",
                                          QString::fromStdString(m_catalog.page(p).caption));
    if (!name)
        return;
    m_catalog.renamePage(p, name->toStdString());
    refreshPage(p);
}

void TCatalog::rebuildPage()
{
    const int p = currentPage();
    if (p == sstv::kTestPicturesPage ||
        !m_dialogs.question(this, "Confirm", "Try to rebuild this catalog page\ncatalog page from the pictures in the respective folders?"))
        return;
    m_catalog.rebuild(p);
    refreshPage(p);
}

void TCatalog::missingPicture(int p, int index)
{
    m_dialogs.information(this, "Picture information", kNoLongerOnDisk);
    m_catalog.removeEntry(p, index, false);
    refreshPage(p);
}

void TCatalog::pictureInformation(int index)
{
    const int p = currentPage();
    if (index < 0 || p == sstv::kTestPicturesPage)
        return;
    const auto info = m_catalog.information(p, index);
    if (!info) {
        missingPicture(p, index);
        return;
    }
    const QLocale english(QLocale::English);
    const QString size = english.toString(double(info->bytes) / 1024.0, 'f', 0);
    const QStringList lines = {
        "Picture: " + QString::fromStdString(info->picture),
        "Path: " + QString::fromStdString(info->path),
        "Width: " + QString::number(info->width),
        "Height: " + QString::number(info->height),
        "Type: " + QString::fromStdString(info->type),
        "Bits/pixel: " + QString::number(info->bitsPerPixel),
        "Compr: " + QString::fromStdString(info->compression),
        "Planes: " + QString::number(info->planes),
        "Colors: " + QString::fromStdString(info->colours),
        "Size [kB]: " + size,
    };
    m_dialogs.information(this, "Picture information", lines.join('\n'));
}

bool TCatalog::FormCloseQuery()
{
    if (m_closed)
        return true;
    m_closed = true;
    m_station.config.setI32(cfg::kCatalogWindowLeft, x());
    m_station.config.setI32(cfg::kCatalogWindowTop, y());
    if (!m_catalog.save())
        m_station.log->action("+++Could not write the catalog file.");
    return true;
}

void TCatalog::closeEvent(QCloseEvent* e)
{
    // The window manager only hides it; the SSTV-RX window closes it for good.
    if (e->spontaneous()) {
        e->ignore();
        hide();
        return;
    }
    TMyform::closeEvent(e);
}

} // namespace tellur::ui
