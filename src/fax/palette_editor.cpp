#include "fax/palette_editor.h"

#include "core/numeric.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tellur::fax {

using storage::colourBlue;
using storage::colourGreen;
using storage::colourRed;
using storage::colourValue;
using storage::ColourTable;

namespace {

std::uint8_t clampByte(std::int64_t v) { return std::uint8_t(std::clamp<std::int64_t>(v, 0, 255)); }

std::uint8_t componentOf(std::uint32_t c, int comp) { return std::uint8_t(c >> (8 * comp)); }

std::uint32_t withComponent(std::uint32_t c, int comp, std::uint8_t v)
{
    const std::uint32_t mask = 0xFFu << (8 * comp);
    return (c & ~mask) | (std::uint32_t(v) << (8 * comp));
}

std::uint32_t grey(int v)
{
    const auto g = clampByte(v);
    return colourValue(g, g, g);
}

bool containsUpper(std::string_view s, std::string_view word)
{
    std::string u(s);
    for (char& c : u)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return u.find(word) != std::string::npos;
}

int sumOf(std::uint32_t c) { return colourRed(c) + colourGreen(c) + colourBlue(c); }

} // namespace

PaletteRange choosePaletteRange(std::string_view fileName, const ColourTable& colours)
{
    if (containsUpper(fileName, "NOAA"))
        return PaletteRange::NOAA;
    if (containsUpper(fileName, "GEO") || sumOf(colours[129]) < sumOf(colours[126]))
        return PaletteRange::Land;
    return PaletteRange::Normal;
}

RangeBounds rangeBounds(PaletteRange r)
{
    switch (r) {
    case PaletteRange::Land: return {0, 127, 1};
    case PaletteRange::Sea: return {128, 255, 1};
    case PaletteRange::Normal:
    case PaletteRange::NOAA: break;
    }
    return {0, 255, 2};
}

std::uint8_t brightnessContrast(std::uint8_t v, int brightness, int contrast)
{
    const double f = contrast < 0 ? 2.0 : 1.0;
    return clampByte(roundHalfEven((f * contrast / 100.0 + 1.0) * (v + brightness - 128) + 128.0));
}

void PaletteEditorModel::open(const ColourTable& pictureColours, std::string_view fileName)
{
    m_reference = m_base = m_current = pictureColours;
    m_range = choosePaletteRange(fileName, pictureColours);
    m_brightness.fill(0);
    m_contrast.fill(0);
    m_stepAccumulator = 0;
}

void PaletteEditorModel::setTrackbars(int position, int bandwidth)
{
    switch (m_range) {
    case PaletteRange::Land:
        m_centre = position / 2;
        m_halfWidth = bandwidth / 2;
        return;
    case PaletteRange::Sea:
        m_centre = position / 2 + 128;
        m_halfWidth = bandwidth / 2;
        return;
    case PaletteRange::Normal:
    case PaletteRange::NOAA: break;
    }
    m_centre = position;
    m_halfWidth = bandwidth;
}

void PaletteEditorModel::selectAll()
{
    m_centre = 128;
    m_halfWidth = 128;
}

int PaletteEditorModel::low() const { return std::clamp(centre() - halfWidth(), 0, 255); }
int PaletteEditorModel::high() const { return std::clamp(centre() + halfWidth(), 0, 255); }

std::string PaletteEditorModel::rangeText() const { return std::to_string(low()) + "-" + std::to_string(high()); }

void PaletteEditorModel::setBrightness(int value)
{
    value = std::clamp(value, -200, 200);
    const auto c = std::size_t(m_component);
    if (m_component == ColourComponent::All) {
        const int delta = value - m_brightness[0];
        for (std::size_t i = 1; i < 4; ++i)
            m_brightness[i] = std::clamp(m_brightness[i] + delta, -200, 200);
    }
    m_brightness[c] = value;
}

void PaletteEditorModel::setContrast(int value)
{
    value = std::clamp(value, -200, 200);
    const auto c = std::size_t(m_component);
    if (m_component == ColourComponent::All) {
        const int delta = value - m_contrast[0];
        for (std::size_t i = 1; i < 4; ++i)
            m_contrast[i] = std::clamp(m_contrast[i] + delta, -200, 200);
    }
    m_contrast[c] = value;
}

void PaletteEditorModel::applyBrightnessContrast()
{
    const RangeBounds b = rangeBounds(m_range);
    for (int j = b.first; j <= b.last; ++j) {
        std::uint32_t c = m_base[std::size_t(j)];
        for (int comp = 0; comp < 3; ++comp)
            c = withComponent(c, comp,
                brightnessContrast(componentOf(c, comp), m_brightness[std::size_t(comp) + 1],
                    m_contrast[std::size_t(comp) + 1]));
        m_current[std::size_t(j)] = c;
    }
}

std::array<bool, 3> PaletteEditorModel::chosen() const
{
    switch (m_component) {
    case ColourComponent::Red: return {true, false, false};
    case ColourComponent::Green: return {false, true, false};
    case ColourComponent::Blue: return {false, false, true};
    case ColourComponent::All: break;
    }
    return {true, true, true};
}

void PaletteEditorModel::blendHalf(int comp, int from, int to, int centreEntry, bool rising)
{
    // rising: entries from..centre climb from the low value to the centre value; otherwise
    // entries centre+1..to fall from the centre value to the high value.
    const double pi = std::numbers::pi;
    const int cv = componentOf(m_current[std::size_t(centreEntry)], comp);
    if (rising) {
        const int span = centreEntry - from;
        const int lv = componentOf(m_current[std::size_t(from)], comp);
        for (int j = from; j <= centreEntry; ++j) {
            const double w = std::cos(pi - (j - from) * pi / span) + 1.0;
            const auto v = lv + roundHalfEven(w * (cv - lv) / 2.0);
            m_current[std::size_t(j)] = withComponent(m_current[std::size_t(j)], comp, clampByte(v));
        }
    } else {
        const int span = to - centreEntry;
        const int hv = componentOf(m_current[std::size_t(to)], comp);
        for (int k = centreEntry + 1; k <= to; ++k) {
            const double w = std::cos(pi - (to - k) * pi / span) + 1.0;
            const auto v = hv - roundHalfEven(w * (hv - cv) / 2.0);
            m_current[std::size_t(k)] = withComponent(m_current[std::size_t(k)], comp, clampByte(v));
        }
    }
}

void PaletteEditorModel::stepTimerFired()
{
    const int amount = m_stepAccumulator;
    m_stepAccumulator = 0;
    const int c = std::clamp(centre(), 0, 255);
    const int lo = low();
    const int hi = high();
    const auto comps = chosen();
    for (int comp = 0; comp < 3; ++comp) {
        if (!comps[std::size_t(comp)])
            continue;
        auto& entry = m_current[std::size_t(c)];
        entry = withComponent(entry, comp, clampByte(componentOf(entry, comp) + amount));
        // Each half bends over its own width, so a selection clamped at 0 or 255 still gives
        // one smooth bump.
        if (c > lo)
            blendHalf(comp, lo, hi, c, true);
        if (hi > c)
            blendHalf(comp, lo, hi, c, false);
    }
}

void PaletteEditorModel::applyCurve(Curve curve)
{
    const int lo = low();
    const int hi = high();
    const int d = hi - lo;
    if (d <= 0)
        return;
    const auto comps = chosen();
    for (int comp = 0; comp < 3; ++comp) {
        if (!comps[std::size_t(comp)])
            continue;
        const double lv = componentOf(m_current[std::size_t(lo)], comp);
        const double hv = componentOf(m_current[std::size_t(hi)], comp);
        for (int j = lo; j <= hi; ++j) {
            const double x = double(j - lo) / d;
            double v = 0;
            switch (curve) {
            case Curve::Linear: v = (hv - lv) * (j - lo) / (d + 1) + lv; break;
            case Curve::Log: v = std::sqrt(x) * d * (hv - lv) / (d + 1) + lv; break;
            case Curve::Exp: v = x * x * d * (hv - lv) / (d + 1) + lv; break;
            }
            m_current[std::size_t(j)] = withComponent(m_current[std::size_t(j)], comp, clampByte(roundHalfEven(v)));
        }
    }
}

void PaletteEditorModel::reduceToGrey()
{
    const RangeBounds b = rangeBounds(m_range);
    for (int j = b.first; j <= b.last; ++j) {
        const std::uint32_t cur = m_current[std::size_t(j)];
        const std::uint32_t base = m_base[std::size_t(j)];
        int g = 0;
        switch (m_component) {
        case ColourComponent::All: g = (colourRed(base) + colourGreen(cur) + colourBlue(cur)) / 3; break;
        case ColourComponent::Red: g = colourRed(base); break;
        case ColourComponent::Green: g = colourGreen(base); break;
        case ColourComponent::Blue: g = colourBlue(base); break;
        }
        m_current[std::size_t(j)] = grey(g);
    }
}

void PaletteEditorModel::defaultPalette()
{
    const RangeBounds b = rangeBounds(m_range);
    for (int i = b.first; i <= b.last; ++i)
        m_current[std::size_t(i)] = grey((i - b.first) * (3 - b.step));
}

void PaletteEditorModel::invert()
{
    std::uint32_t mask = 0xFFFFFF;
    switch (m_component) {
    case ColourComponent::Red: mask = 0x0000FF; break;
    case ColourComponent::Green: mask = 0x00FF00; break;
    case ColourComponent::Blue: mask = 0xFF0000; break;
    case ColourComponent::All: break;
    }
    const RangeBounds b = rangeBounds(m_range);
    for (int i = b.first; i <= b.last; ++i)
        m_current[std::size_t(i)] ^= mask;
}

void PaletteEditorModel::restoreOriginal()
{
    m_current = m_base = m_reference;
}

void PaletteEditorModel::applied()
{
    m_brightness.fill(0);
    m_contrast.fill(0);
    m_base = m_current;
}

void PaletteEditorModel::loadedPalette(const ColourTable& colours, std::string_view fileName)
{
    m_current = colours;
    const bool pal = containsUpper(fileName.substr(fileName.size() >= 3 ? fileName.size() - 3 : 0), "PAL");
    if (!pal)
        m_range = PaletteRange::Land;
    else if (m_range == PaletteRange::Land || m_range == PaletteRange::Sea)
        m_range = PaletteRange::Normal;
}

std::string_view PaletteEditorModel::defaultPaletteExtension() const
{
    return (m_range == PaletteRange::Land || m_range == PaletteRange::Sea) ? "psl" : "pal";
}

// ---------------------------------------------------------------------------------------------
// Pixel-rewriting operations.

namespace {

struct Area {
    int left = 0, top = 0, right = 0, bottom = 0; // inclusive left/top, exclusive right/bottom
};

// The area of part p: the selection (limited to the picture, or to the left half when split,
// then shifted by p halves), else the whole part.
Area partArea(const storage::TDI8Bitmap& pic, bool split, int p, const std::optional<storage::PixelRect>& sel)
{
    const int partWidth = split ? pic.width() / 2 : pic.width();
    Area a{0, 0, partWidth, pic.fullHeight()};
    if (sel) {
        a.left = std::clamp(std::min(sel->left, sel->right), 0, partWidth);
        a.right = std::clamp(std::max(sel->left, sel->right), 0, partWidth);
        a.top = std::clamp(std::min(sel->top, sel->bottom), 0, pic.fullHeight());
        a.bottom = std::clamp(std::max(sel->top, sel->bottom), 0, pic.fullHeight());
    }
    a.left += p * partWidth;
    a.right += p * partWidth;
    return a;
}

// Rewrites every pixel of the area with its grey level in the part's palette half and returns
// the histogram of those levels.
std::array<std::int64_t, 256> greyAndCount(storage::TDI8Bitmap& pic, const ColourTable& colours, bool split, int p,
    const Area& a)
{
    std::array<std::uint8_t, 256> level{};
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint32_t c = colours[i];
        const int g = (20 * colourRed(c) + 60 * colourGreen(c) + 10 * colourBlue(c)) / 100;
        level[i] = std::uint8_t(g / (split ? 2 : 1) + p * 128);
    }
    std::array<std::int64_t, 256> hist{};
    for (int y = a.top; y < a.bottom; ++y) {
        std::uint8_t* row = pic.rowPointer(y);
        for (int x = a.left; x < a.right; ++x) {
            row[x] = level[row[x]];
            ++hist[row[x]];
        }
    }
    return hist;
}

template <typename MapPart>
void remap(storage::TDI8Bitmap& pic, bool split, const std::optional<storage::PixelRect>& sel, MapPart mapPart)
{
    const ColourTable original = pic.colours();
    ColourTable result = original;
    for (int p = 0; p < (split ? 2 : 1); ++p) {
        const Area a = partArea(pic, split, p, sel);
        const auto hist = greyAndCount(pic, original, split, p, a);
        const int first = split ? p * 128 : 0;
        const int last = split ? first + 127 : 255;
        std::int64_t n = 0;
        for (int j = first; j <= last; ++j)
            n += hist[std::size_t(j)];
        if (n > 0)
            mapPart(hist, first, last, n, result);
    }
    pic.setColours(result);
    pic.resetWrittenBand();
    if (sel)
        cropPicture(pic, *sel, split);
}

} // namespace

void histogramEqualize(storage::TDI8Bitmap& picture, bool split, std::optional<storage::PixelRect> selection)
{
    remap(picture, split, selection,
        [split](const std::array<std::int64_t, 256>& hist, int first, int last, std::int64_t n, ColourTable& out) {
            const double levels = split ? 127.0 : 255.0;
            const double perLevel = double(n) / levels;
            const int increment = split ? 2 : 1;
            double next = perLevel;
            std::int64_t cumulative = 0;
            int u = 0;
            for (int j = first; j <= last; ++j) {
                cumulative += hist[std::size_t(j)];
                while (cumulative >= next && u < 255) {
                    u = std::min(u + increment, 255);
                    next += perLevel;
                }
                out[std::size_t(j)] = grey(u);
            }
            for (int j = last; j >= first; --j) {
                out[std::size_t(j)] = grey(255);
                if (hist[std::size_t(j)] != 0)
                    break;
            }
            for (int j = first; j <= last; ++j) {
                out[std::size_t(j)] = grey(0);
                if (hist[std::size_t(j)] != 0)
                    break;
            }
        });
}

void stretchPalette(storage::TDI8Bitmap& picture, bool split, std::optional<storage::PixelRect> selection)
{
    remap(picture, split, selection,
        [](const std::array<std::int64_t, 256>& hist, int first, int last, std::int64_t n, ColourTable& out) {
            const double onePercent = double(n) / 100.0;
            int high = first;
            std::int64_t cumulative = 0;
            for (int j = last; j >= first; --j) {
                cumulative += hist[std::size_t(j)];
                if (double(cumulative) > onePercent) {
                    high = j;
                    break;
                }
                out[std::size_t(j)] = grey(255);
            }
            int low = last;
            cumulative = 0;
            for (int j = first; j <= last; ++j) {
                cumulative += hist[std::size_t(j)];
                if (double(cumulative) > onePercent) {
                    low = j;
                    break;
                }
                out[std::size_t(j)] = grey(0);
            }
            if (high <= low) {
                // One dominant level: black up to it, white above.
                for (int j = first; j <= last; ++j)
                    out[std::size_t(j)] = grey(j <= low ? 0 : 255);
                return;
            }
            for (int j = low; j <= high; ++j)
                out[std::size_t(j)] = grey(int(roundHalfEven(double(j - low) * 255.0 / (high - low))));
        });
}

void cropPicture(storage::TDI8Bitmap& picture, storage::PixelRect sel, bool split)
{
    const Area a = partArea(picture, split, 0, sel);
    const int w = a.right - a.left;
    const int h = a.bottom - a.top;
    if (w <= 0 || h <= 0)
        return;
    const int half = picture.width() / 2;
    storage::TDI8Bitmap out(split ? 2 * w : w, h);
    out.setColours(picture.colours());
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = picture.row(a.top + y);
        std::uint8_t* dst = out.rowPointer(y);
        std::copy_n(src + a.left, w, dst);
        if (split)
            std::copy_n(src + a.left + half, w, dst + w);
    }
    out.resetWrittenBand();
    picture = std::move(out);
}

storage::TDI8Bitmap denoise(const storage::TDI8Bitmap& picture)
{
    const int w = picture.width();
    const int h = picture.fullHeight();
    storage::TDI8Bitmap out(w, h);
    out.setColours(picture.colours());
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = picture.row(y);
        std::uint8_t* dst = out.rowPointer(y);
        if (y == 0 || y == h - 1) {
            std::copy_n(row, w, dst);
            continue;
        }
        const std::uint8_t* above = picture.row(y - 1);
        const std::uint8_t* below = picture.row(y + 1);
        for (int x = 0; x < w; ++x) {
            const int px = row[x], m = above[x], l = below[x];
            const int spread = std::abs(m - l) + 20;
            dst[x] = (spread < std::abs(m - px) && spread < std::abs(l - px)) ? std::uint8_t((m + l) >> 1)
                                                                              : std::uint8_t(px);
        }
    }
    out.resetWrittenBand();
    return out;
}

} // namespace tellur::fax
