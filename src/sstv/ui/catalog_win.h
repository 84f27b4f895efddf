// TCatalog: the picture catalog window. Shows the nine pages of the station's catalog as
// thumbnail grids (three rows, filled column by column), with the page menu for deleting,
// renaming, rebuilding and picture information, and the catalog's two switches. The catalog
// itself belongs to the SSTV station; the window writes its file when it closes.
// GUI thread; the SSTV-RX window creates and closes it.
#pragma once

#include "ui/myform.h"
#include "sstv/catalog.h"

class QAction;
class QListWidget;
class QMenu;
class QTabWidget;
class QToolButton;

namespace tellur::ui {

class Dialogs;
struct StationContext;

class TCatalog : public TMyform {
    Q_OBJECT
public:
    TCatalog(StationContext& station, Dialogs& dialogs, sstv::Catalog& catalog, QWidget* parent = nullptr);

    // Shows a page's entries again (after the catalog changed).
    void refreshPage(int page);
    void refreshAll();
    QTabWidget* pages() const { return m_tabs; }
    QListWidget* grid(int page) const { return m_grids[static_cast<std::size_t>(page)]; }
    QMenu* pageMenu() const { return m_menu; }

    // Page menu operations on the entry under the mouse (index) of the shown page.
    void deletePicture(int index);
    void deleteAllPictures();
    void renamePictureFile(int index);
    void renameTabsheet();
    void rebuildPage();
    void pictureInformation(int index);

    // Stops the window: the catalog file is written.
    bool FormCloseQuery();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    int currentPage() const;
    void showMenu(int page, const QPoint& at);
    void missingPicture(int page, int index);

    StationContext& m_station;
    Dialogs& m_dialogs;
    sstv::Catalog& m_catalog;
    QTabWidget* m_tabs = nullptr;
    std::array<QListWidget*, sstv::kCatalogPageCount> m_grids{};
    QMenu* m_menu = nullptr;
    QAction* m_deletePicture = nullptr;
    QAction* m_deleteAll = nullptr;
    QAction* m_renameFile = nullptr;
    QAction* m_renameTab = nullptr;
    QAction* m_rebuild = nullptr;
    QAction* m_information = nullptr;
    int m_menuIndex = -1;
    QToolButton* m_autoOpen = nullptr;
    QToolButton* m_sizeToFit = nullptr;
    bool m_closed = false;
};

// The page's grid cell of an entry: column i / 3, row i % 3.
QPoint catalogCell(int index);

} // namespace tellur::ui
