#include "sstv/catalog.h"

#include "core/numeric.h"
#include "sstv/picture_fit.h"
#include "storage/picture_files.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace tellur::sstv {

namespace {

constexpr std::array<std::string_view, kCatalogPageCount> kPageCaptions = {
    "Last Received", "Page 1", "Page 2", "Page 3", "Page 4", "Page 5", "Test Pictures", "Beacon pictures", "Last repeated"};

constexpr std::array<std::string_view, kTestPictureCount> kTestPictureNames = {
    "Red Screen",     "Green Screen", "Blue Screen",   "Cyan Screen",     "Magenta Screen",
    "Yellow Screen",  "Black Screen", "White Screen",  "Gray Screen",     "Coloured Screen",
    "Gray Step",      "Gray Step (2)", "Black Test Grid", "White Test Grid"};

constexpr std::array<std::uint32_t, 9> kScreenColours = {
    storage::rgb(255, 0, 0),   storage::rgb(0, 128, 0),     storage::rgb(0, 0, 255),
    storage::rgb(0, 128, 255), storage::rgb(255, 0, 255),   storage::rgb(255, 255, 0),
    storage::rgb(0, 0, 0),     storage::rgb(255, 255, 255), storage::rgb(128, 128, 128)};

// Thumbnails larger than this are not ours: the file is damaged.
constexpr int kMaxStoredThumbnailSide = 1024;
constexpr std::int32_t kMaxEntries = 100000;

bool stored(int page) { return page != kTestPicturesPage; }

std::string upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A picture file kind by the last three letters of its name.
bool isPictureFile(const fs::path& file)
{
    const std::string name = upper(file.filename().string());
    if (name.size() < 3)
        return false;
    const std::string ext = name.substr(name.size() - 3);
    return std::find(kPictureFormats.begin(), kPictureFormats.end(), ext) != kPictureFormats.end();
}

// Media that may be unplugged keep their catalog entries while absent.
bool onRemovableMedia(const fs::path& file)
{
    const std::string s = file.string();
    return s.starts_with("/media/") || s.starts_with("/run/media/") || s.starts_with("/mnt/");
}

class Writer {
public:
    void i32(std::int32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(std::uint32_t(v) >> (8 * i)));
    }
    void text(std::string_view s)
    {
        const std::size_t n = std::min<std::size_t>(s.size(), 255);
        bytes.push_back(static_cast<std::uint8_t>(n));
        bytes.insert(bytes.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
    }
    std::vector<std::uint8_t> bytes;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> b) : m_b(b) {}
    bool i32(std::int32_t& v)
    {
        if (m_pos + 4 > m_b.size())
            return false;
        std::uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u |= std::uint32_t(m_b[m_pos + static_cast<std::size_t>(i)]) << (8 * i);
        m_pos += 4;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool text(std::string& s)
    {
        if (m_pos >= m_b.size())
            return false;
        const std::size_t n = m_b[m_pos++];
        if (m_pos + n > m_b.size())
            return false;
        s.assign(reinterpret_cast<const char*>(m_b.data() + m_pos), n);
        m_pos += n;
        return true;
    }
    bool bytes(std::size_t n, std::span<const std::uint8_t>& out)
    {
        if (m_pos + n > m_b.size())
            return false;
        out = m_b.subspan(m_pos, n);
        m_pos += n;
        return true;
    }
    bool atEnd() const { return m_pos == m_b.size(); }

private:
    std::span<const std::uint8_t> m_b;
    std::size_t m_pos = 0;
};

// A page's thumbnail list: count, then per thumbnail width, height and its RGB bytes.
void writeThumbnails(Writer& w, const std::vector<storage::RgbPicture>& thumbs)
{
    w.i32(static_cast<std::int32_t>(thumbs.size()));
    for (const auto& t : thumbs) {
        w.i32(t.width());
        w.i32(t.height());
        for (std::uint32_t px : t.data()) {
            w.bytes.push_back(storage::rgbRed(px));
            w.bytes.push_back(storage::rgbGreen(px));
            w.bytes.push_back(storage::rgbBlue(px));
        }
    }
}

bool readThumbnails(Reader& r, std::vector<storage::RgbPicture>& thumbs)
{
    std::int32_t count = 0;
    if (!r.i32(count) || count < 0 || count > kMaxEntries)
        return false;
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t w = 0, h = 0;
        if (!r.i32(w) || !r.i32(h) || w < 1 || h < 1 || w > kMaxStoredThumbnailSide || h > kMaxStoredThumbnailSide)
            return false;
        std::span<const std::uint8_t> px;
        if (!r.bytes(std::size_t(w) * std::size_t(h) * 3, px))
            return false;
        storage::RgbPicture t(w, h);
        for (std::size_t k = 0; k < t.data().size(); ++k)
            t.data()[k] = storage::rgb(px[3 * k], px[3 * k + 1], px[3 * k + 2]);
        thumbs.push_back(std::move(t));
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool writeFile(const fs::path& file, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

void drawThickLine(storage::RgbPicture& pic, int x0, int y0, int x1, int y1, std::uint32_t colour)
{
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
        const int x = steps == 0 ? x0 : x0 + (x1 - x0) * i / steps;
        const int y = steps == 0 ? y0 : y0 + (y1 - y0) * i / steps;
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                pic.setPixel(x + dx, y + dy, colour);
    }
}

void drawTestGrid(storage::RgbPicture& pic, std::uint32_t background, std::uint32_t line)
{
    const int w = pic.width(), h = pic.height();
    std::fill(pic.data().begin(), pic.data().end(), background);
    drawThickLine(pic, 0, 0, w - 2, 0, line);
    drawThickLine(pic, 0, h - 2, w - 2, h - 2, line);
    drawThickLine(pic, 0, 0, 0, h - 2, line);
    drawThickLine(pic, w - 2, 0, w - 2, h - 2, line);
    const double radius = 0.9 * h / 2.0;
    const double cx = w / 2.0, cy = h / 2.0;
    const int segments = 720;
    for (int i = 0; i < segments; ++i) {
        const double a0 = 2 * M_PI * i / segments, a1 = 2 * M_PI * (i + 1) / segments;
        drawThickLine(pic, static_cast<int>(cx + radius * std::cos(a0)), static_cast<int>(cy + radius * std::sin(a0)),
                      static_cast<int>(cx + radius * std::cos(a1)), static_cast<int>(cy + radius * std::sin(a1)), line);
    }
    const int spacing = std::max<int>(static_cast<int>(roundHalfEven(w / 10.0)), 1);
    for (int i = 1; i <= 9; ++i)
        drawThickLine(pic, i * spacing, 0, i * spacing, h - 2, line);
    const int middle = h / 2;
    for (int i = 0; i < 5; ++i) {
        drawThickLine(pic, 0, middle - i * spacing, w - 2, middle - i * spacing, line);
        drawThickLine(pic, 0, middle + i * spacing, w - 2, middle + i * spacing, line);
    }
}

} // namespace

std::string_view defaultPageCaption(int page) { return kPageCaptions[static_cast<std::size_t>(page)]; }
std::string_view testPictureName(int index) { return kTestPictureNames[static_cast<std::size_t>(index)]; }

storage::RgbPicture testPicture(int index, int width, int height)
{
    storage::RgbPicture pic(width, height);
    const int w = pic.width(), h = pic.height();
    if (index >= 0 && index < 9) {
        std::fill(pic.data().begin(), pic.data().end(), kScreenColours[static_cast<std::size_t>(index)]);
    } else if (index == 9) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto red = static_cast<std::uint8_t>(roundHalfEven(double(x) * 255.0 / w));
                const auto blue = static_cast<std::uint8_t>(roundHalfEven(double(y) * 255.0 / h));
                pic.setPixel(x, y, storage::rgb(red, static_cast<std::uint8_t>(255 - red), blue));
            }
    } else if (index == 10 || index == 11) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int from = index == 10 ? x : w - 1 - x;
                const auto g = static_cast<std::uint8_t>(from * 32 / w * 8);
                pic.setPixel(x, y, storage::rgb(g, g, g));
            }
    } else if (index == 12) {
        drawTestGrid(pic, storage::rgb(255, 255, 255), 0);
    } else if (index == 13) {
        drawTestGrid(pic, 0, storage::rgb(255, 255, 255));
    }
    return pic;
}

storage::RgbPicture makeThumbnail(const storage::RgbPicture& picture)
{
    storage::RgbPicture t(kThumbnailWidth, kThumbnailHeight);
    fitPicture(picture, t, false, 0);
    return t;
}

std::vector<std::uint8_t> encodeCatalog(const CatalogPages& pages)
{
    Writer w;
    w.i32(kCatalogPageCount - 1);
    for (int p = 0; p < kCatalogPageCount; ++p)
        if (stored(p))
            w.text(pages[static_cast<std::size_t>(p)].caption);
    for (int p = 0; p < kCatalogPageCount; ++p) {
        if (!stored(p))
            continue;
        const auto& page = pages[static_cast<std::size_t>(p)];
        w.i32(static_cast<std::int32_t>(page.files.size()));
        for (const auto& f : page.files)
            w.text(f.string());
        writeThumbnails(w, page.thumbnails);
    }
    return std::move(w.bytes);
}

std::optional<CatalogPages> decodeCatalog(std::span<const std::uint8_t> bytes)
{
    Reader r(bytes);
    std::int32_t lastPage = 0;
    if (!r.i32(lastPage) || lastPage != kCatalogPageCount - 1)
        return std::nullopt;
    CatalogPages pages;
    for (int p = 0; p < kCatalogPageCount; ++p)
        if (stored(p) && !r.text(pages[static_cast<std::size_t>(p)].caption))
            return std::nullopt;
    for (int p = 0; p < kCatalogPageCount; ++p) {
        if (!stored(p))
            continue;
        auto& page = pages[static_cast<std::size_t>(p)];
        std::int32_t n = 0;
        if (!r.i32(n) || n < 0 || n > kMaxEntries)
            return std::nullopt;
        for (std::int32_t i = 0; i < n; ++i) {
            std::string file;
            if (!r.text(file))
                return std::nullopt;
            page.files.emplace_back(file);
        }
        if (!readThumbnails(r, page.thumbnails))
            return std::nullopt;
    }
    if (!r.atEnd())
        return std::nullopt;
    pages[kTestPicturesPage].caption = std::string(defaultPageCaption(kTestPicturesPage));
    return pages;
}

Catalog::Catalog(CatalogSettings settings, EventLog& log, FileRemover remover)
    : m_settings(std::move(settings)), m_log(log), m_remover(std::move(remover))
{
    for (int p = 0; p < kCatalogPageCount; ++p)
        m_pages[static_cast<std::size_t>(p)].caption = std::string(defaultPageCaption(p));
}

void Catalog::load()
{
    std::error_code ec;
    if (!fs::exists(catalogFile(), ec) && !fs::exists(backupFile(), ec))
        return; // a new station: nothing to restore, nothing to report
    std::optional<CatalogPages> loaded;
    if (auto bytes = readFile(catalogFile()))
        loaded = decodeCatalog(*bytes);
    if (!loaded) {
        m_log.action("+++Failure loading catalog. Trying to restore from backup.");
        if (auto bytes = readFile(backupFile()))
            loaded = decodeCatalog(*bytes);
        if (!loaded)
            m_log.action("+++Failure loading catalog backup.");
    }
    if (!loaded)
        return;
    for (int p = 0; p < kCatalogPageCount; ++p) {
        auto& page = m_pages[static_cast<std::size_t>(p)];
        auto& from = (*loaded)[static_cast<std::size_t>(p)];
        if (p <= 5)
            page.caption = from.caption;
        page.files = std::move(from.files);
        page.thumbnails = std::move(from.thumbnails);
        // Thumbnails that did not come back are made again from the pictures.
        page.thumbnails.resize(std::min(page.thumbnails.size(), page.files.size()));
        for (std::size_t i = page.thumbnails.size(); i < page.files.size(); ++i) {
            storage::RgbPicture pic;
            page.thumbnails.push_back(pic.load(page.files[i]) ? makeThumbnail(pic) : storage::RgbPicture(kThumbnailWidth, kThumbnailHeight));
        }
        for (std::size_t i = page.files.size(); i-- > 0;) {
            if (!fs::exists(page.files[i], ec) && !onRemovableMedia(page.files[i])) {
                page.files.erase(page.files.begin() + static_cast<std::ptrdiff_t>(i));
                page.thumbnails.erase(page.thumbnails.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }
}

bool Catalog::save() const
{
    std::error_code ec;
    fs::create_directories(m_settings.lastReceivedFolder, ec);
    const bool hadCatalog = fs::exists(catalogFile(), ec);
    if (hadCatalog) {
        fs::remove(backupFile(), ec);
        fs::rename(catalogFile(), backupFile(), ec);
    }
    if (writeFile(catalogFile(), encodeCatalog(m_pages)))
        return true;
    fs::remove(catalogFile(), ec);
    if (hadCatalog)
        fs::rename(backupFile(), catalogFile(), ec);
    return false;
}

bool Catalog::removeFile(const fs::path& file) const
{
    if (m_remover)
        return m_remover(file);
    std::error_code ec;
    return fs::remove(file, ec);
}

void Catalog::trim(int page)
{
    auto& pg = m_pages[static_cast<std::size_t>(page)];
    const auto limit = static_cast<std::size_t>(std::clamp(m_settings.maxPictures, 1, 999));
    while (pg.files.size() >= limit) {
        std::error_code ec;
        fs::remove(pg.files.back(), ec); // deleted, not put into the recycle bin
        pg.files.pop_back();
        pg.thumbnails.pop_back();
    }
}

std::optional<fs::path> Catalog::addToFront(int page, const fs::path& folder, const storage::RgbPicture& picture,
                                            const CivilTime& start, std::string_view modeName)
{
    trim(page);
    std::error_code ec;
    fs::create_directories(folder, ec);
    // A picture of the same minute and mode is kept: the later one gets a suffix.
    storage::PictureSaveOptions options; // as RgbPicture::save writes
    options.jpegQuality = 75;
    options.jpegSmoothing = 0;
    const auto placed =
        storage::writeNewPicture(folder / lastReceivedFileName(start, modeName, m_settings.formatIndex), picture, options);
    if (!placed)
        return std::nullopt;
    const fs::path& file = *placed;
    auto& pg = m_pages[static_cast<std::size_t>(page)];
    // A file written under the same name again is one entry.
    for (std::size_t i = 0; i < pg.files.size(); ++i)
        if (pg.files[i] == file) {
            pg.files.erase(pg.files.begin() + static_cast<std::ptrdiff_t>(i));
            pg.thumbnails.erase(pg.thumbnails.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    pg.files.insert(pg.files.begin(), file);
    pg.thumbnails.insert(pg.thumbnails.begin(), makeThumbnail(picture));
    return file;
}

std::optional<fs::path> Catalog::addLastReceived(const storage::RgbPicture& picture, const CivilTime& start,
                                                 std::string_view modeName)
{
    return addToFront(kLastReceivedPage, m_settings.lastReceivedFolder, picture, start, modeName);
}

std::optional<fs::path> Catalog::addLastRepeated(const storage::RgbPicture& picture, const CivilTime& start,
                                                 std::string_view modeName)
{
    return addToFront(kLastRepeatedPage, m_settings.lastRepeatedFolder, picture, start, modeName);
}

bool Catalog::addFile(int page, const fs::path& file, int at)
{
    if (!stored(page) || page < 0 || page >= kCatalogPageCount)
        return false;
    storage::RgbPicture pic;
    if (!pic.load(file))
        return false;
    auto& pg = m_pages[static_cast<std::size_t>(page)];
    const auto pos = (at < 0 || at > static_cast<int>(pg.files.size())) ? pg.files.size() : static_cast<std::size_t>(at);
    pg.files.insert(pg.files.begin() + static_cast<std::ptrdiff_t>(pos), file);
    pg.thumbnails.insert(pg.thumbnails.begin() + static_cast<std::ptrdiff_t>(pos), makeThumbnail(pic));
    return true;
}

void Catalog::removeEntry(int page, int index, bool deleteFile)
{
    auto& pg = m_pages[static_cast<std::size_t>(page)];
    if (index < 0 || index >= static_cast<int>(pg.files.size()))
        return;
    const auto i = static_cast<std::size_t>(index);
    if (deleteFile)
        removeFile(pg.files[i]);
    pg.files.erase(pg.files.begin() + static_cast<std::ptrdiff_t>(i));
    pg.thumbnails.erase(pg.thumbnails.begin() + static_cast<std::ptrdiff_t>(i));
}

void Catalog::removeAll(int page, bool deleteFiles)
{
    auto& pg = m_pages[static_cast<std::size_t>(page)];
    if (deleteFiles)
        for (const auto& f : pg.files)
            removeFile(f);
    pg.files.clear();
    pg.thumbnails.clear();
}

bool Catalog::renameFile(int page, int index, std::string_view newStem)
{
    auto& pg = m_pages[static_cast<std::size_t>(page)];
    if (index < 0 || index >= static_cast<int>(pg.files.size()) || newStem.empty() ||
        newStem.find('/') != std::string_view::npos)
        return false;
    const auto i = static_cast<std::size_t>(index);
    const fs::path to = pg.files[i].parent_path() / (std::string(newStem) + pg.files[i].extension().string());
    std::error_code ec;
    if (fs::exists(to, ec))
        return false;
    fs::rename(pg.files[i], to, ec);
    if (ec)
        return false;
    pg.files[i] = to;
    return true;
}

void Catalog::renamePage(int page, std::string_view caption)
{
    if (page >= 1 && page <= 5)
        m_pages[static_cast<std::size_t>(page)].caption = std::string(caption);
}

void Catalog::rebuild(int page)
{
    auto& pg = m_pages[static_cast<std::size_t>(page)];
    if (page == kLastReceivedPage || page == kLastRepeatedPage) {
        const fs::path folder = page == kLastReceivedPage ? m_settings.lastReceivedFolder : m_settings.lastRepeatedFolder;
        std::vector<fs::path> files;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder, ec))
            if (e.is_regular_file(ec) && isPictureFile(e.path()))
                files.push_back(e.path());
        std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) { return a.filename() > b.filename(); });
        pg.files.clear();
        pg.thumbnails.clear();
        for (const auto& f : files)
            addFile(page, f);
        return;
    }
    for (std::size_t i = 0; i < pg.files.size(); ++i) {
        storage::RgbPicture pic;
        if (pic.load(pg.files[i]))
            pg.thumbnails[i] = makeThumbnail(pic);
    }
}

std::optional<PictureInformation> Catalog::information(int page, int index) const
{
    const auto& pg = m_pages[static_cast<std::size_t>(page)];
    if (index < 0 || index >= static_cast<int>(pg.files.size()))
        return std::nullopt;
    const fs::path& file = pg.files[static_cast<std::size_t>(index)];
    storage::RgbPicture pic;
    std::error_code ec;
    if (!fs::exists(file, ec) || !pic.load(file))
        return std::nullopt;
    PictureInformation info;
    info.picture = file.filename().string();
    info.path = file.parent_path().string();
    info.width = pic.width();
    info.height = pic.height();
    const std::string name = upper(info.picture);
    info.type = name.size() >= 3 ? name.substr(name.size() - 3) : std::string();
    info.compression = info.type == "PNG" ? "Deflate" : info.type == "JPG" ? "JPEG" : info.type == "PCX" ? "RLE" : "None";
    info.colours = "16777216";
    info.bytes = fs::file_size(file, ec);
    return info;
}

} // namespace tellur::sstv
