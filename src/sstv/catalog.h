// The picture catalog: nine pages of SSTV pictures (received, five user pages, generated test
// pictures, beacon pictures, repeated), each a list of picture files with 80 x 60 thumbnails,
// kept in "CATALOG.CAT" with "CATALOG.BAK" as the previous version. Receiving adds to "Last
// Received" under the fixed name pattern and trims the page to the configured maximum.
//
// Threading: owned by one thread (the GUI thread or the CLI loop).
#pragma once

#include "core/event_log.h"
#include "sstv/sstv_receiver.h"
#include "storage/rgb_picture.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tellur::sstv {

inline constexpr int kCatalogPageCount = 9;
inline constexpr int kLastReceivedPage = 0;
inline constexpr int kTestPicturesPage = 6;
inline constexpr int kBeaconPage = 7;
inline constexpr int kLastRepeatedPage = 8;
inline constexpr int kThumbnailWidth = 80;
inline constexpr int kThumbnailHeight = 60;
inline constexpr int kTestPictureCount = 14;
inline constexpr std::string_view kCatalogFileName = "CATALOG.CAT";
inline constexpr std::string_view kCatalogBackupName = "CATALOG.BAK";
inline constexpr std::array<std::string_view, 5> kPictureFormats = {"PNG", "JPG", "PCX", "BMP", "TIF"};

std::string_view defaultPageCaption(int page);
std::string_view testPictureName(int index);
storage::RgbPicture testPicture(int index, int width, int height);
// The thumbnail of a picture: the whole picture letterboxed into 80 x 60.
storage::RgbPicture makeThumbnail(const storage::RgbPicture& picture);

struct CatalogPage {
    std::string caption;
    std::vector<std::filesystem::path> files;
    std::vector<storage::RgbPicture> thumbnails; // parallel to files
};

// The catalog file's content: pages 0..8 (page 6 stays empty, its pictures are generated).
using CatalogPages = std::array<CatalogPage, kCatalogPageCount>;
std::vector<std::uint8_t> encodeCatalog(const CatalogPages& pages);
// Empty on any damage: a short file, a wrong page count, an implausible count or thumbnail.
std::optional<CatalogPages> decodeCatalog(std::span<const std::uint8_t> bytes);

struct CatalogSettings {
    std::filesystem::path lastReceivedFolder; // also holds the catalog file
    std::filesystem::path lastRepeatedFolder;
    int formatIndex = 0;   // SSTV_PictureFileFormat
    int maxPictures = 100; // SSTV_Maxpics, 15..999
};

struct PictureInformation {
    std::string picture, path, type;
    int width = 0, height = 0, bitsPerPixel = 24, planes = 1;
    std::string compression, colours;
    std::uintmax_t bytes = 0;
};

class Catalog {
public:
    // Deletes a picture file the user removes from a page; the window puts it into the recycle bin.
    using FileRemover = std::function<bool(const std::filesystem::path&)>;

    Catalog(CatalogSettings settings, EventLog& log, FileRemover remover = {});

    void setSettings(const CatalogSettings& s) { m_settings = s; }
    const CatalogSettings& settings() const { return m_settings; }
    const CatalogPage& page(int index) const { return m_pages[static_cast<std::size_t>(index)]; }
    const CatalogPages& pages() const { return m_pages; }

    // Reads the catalog file, else its backup (each failure logged; a new station without
    // either file logs nothing), then drops entries whose file is gone, except on removable
    // media, which may come back.
    void load();
    // Writes the catalog file, the previous one becoming the backup; false (backup restored) on failure.
    bool save() const;

    // A received picture goes to the front of "Last Received" under "yyyymmdd hhnn <mode>.<EXT>";
    // the page is first trimmed below the maximum, oldest files deleted. Empty when the file
    // could not be written.
    std::optional<std::filesystem::path> addLastReceived(const storage::RgbPicture& picture, const CivilTime& start,
                                                         std::string_view modeName);
    std::optional<std::filesystem::path> addLastRepeated(const storage::RgbPicture& picture, const CivilTime& start,
                                                         std::string_view modeName);

    // A file on a page at a position (the end when out of range); its thumbnail is made from it.
    bool addFile(int page, const std::filesystem::path& file, int at = -1);
    void removeEntry(int page, int index, bool deleteFile);
    void removeAll(int page, bool deleteFiles);
    // The file keeps its folder and extension; false when the name is taken or the rename fails.
    bool renameFile(int page, int index, std::string_view newStem);
    void renamePage(int page, std::string_view caption);
    // Pages 0 and 8 from their folder (newest name first); others rebuild their thumbnails.
    void rebuild(int page);
    std::optional<PictureInformation> information(int page, int index) const;

    // Thumbnail grid: 3 rows, (count + 2) / 3 columns, at least 5; entry i at (i / 3, i % 3).
    static int gridColumns(int count) { return std::max(5, (count + 2) / 3); }

private:
    std::optional<std::filesystem::path> addToFront(int page, const std::filesystem::path& folder,
                                                    const storage::RgbPicture& picture, const CivilTime& start,
                                                    std::string_view modeName);
    void trim(int page);
    bool removeFile(const std::filesystem::path& file) const;
    std::filesystem::path catalogFile() const { return m_settings.lastReceivedFolder / kCatalogFileName; }
    std::filesystem::path backupFile() const { return m_settings.lastReceivedFolder / kCatalogBackupName; }

    CatalogSettings m_settings;
    EventLog& m_log;
    FileRemover m_remover;
    CatalogPages m_pages;
};

} // namespace tellur::sstv
