#include "sstv/picture_fit.h"

#include <algorithm>

namespace tellur::sstv {

int headerBandRows(bool sizeToFit, IdentificationChoice choice, bool thumbnail)
{
    const bool header = choice == IdentificationChoice::CallSignInHeader || choice == IdentificationChoice::UserHeader;
    return !thumbnail && sizeToFit && header ? kHeaderBandRows : 0;
}

FitPlacement fitPlacement(int sw, int sh, int tw, int th, bool sizeToFit, int band)
{
    sw = std::max(sw, 1);
    sh = std::max(sh, 1);
    const int ah = std::max(th - band, 1); // the area below the band
    FitPlacement p;
    p.source = {0, 0, sw, sh};
    p.target = {0, band, tw, ah};
    if (!sizeToFit) {
        if (double(sw) / sh > double(tw) / ah) {
            const int h = std::max(static_cast<int>(double(tw) * sh / sw), 1);
            p.target = {0, band + (ah - h) / 2, tw, h};
        } else {
            const int w = std::max(static_cast<int>(double(ah) * sw / sh), 1);
            p.target = {(tw - w) / 2, band, w, ah};
        }
        return p;
    }
    const double x = (double(sh) / sw) / (double(th) / tw);
    if (x > 0.8 && x < 1.2)
        return p;
    if (double(sw) / sh > double(tw) / ah) {
        const int w = std::clamp(static_cast<int>(double(tw) * sh / ah), 1, sw);
        p.source = {(sw - w) / 2, 0, w, sh};
    } else {
        const int h = std::clamp(static_cast<int>(double(ah) * sw / tw), 1, sh);
        p.source = {0, (sh - h) / 2, sw, h};
    }
    return p;
}

void scaleInto(const storage::RgbPicture& src, const PictureRect& from, storage::RgbPicture& dst, const PictureRect& to)
{
    if (from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0)
        return;
    auto channel = [&](int x, int y, int shift) { return double((src.getPixel(x, y) >> shift) & 255); };
    for (int y = 0; y < to.height; ++y) {
        const double sy = std::clamp((y + 0.5) * from.height / to.height - 0.5, 0.0, double(from.height - 1));
        const int y0 = static_cast<int>(sy);
        const int y1 = std::min(y0 + 1, from.height - 1);
        const double fy = sy - y0;
        for (int x = 0; x < to.width; ++x) {
            const double sx = std::clamp((x + 0.5) * from.width / to.width - 0.5, 0.0, double(from.width - 1));
            const int x0 = static_cast<int>(sx);
            const int x1 = std::min(x0 + 1, from.width - 1);
            const double fx = sx - x0;
            std::uint32_t out = 0;
            for (int shift : {16, 8, 0}) {
                const double v = (channel(from.x + x0, from.y + y0, shift) * (1 - fx) + channel(from.x + x1, from.y + y0, shift) * fx) * (1 - fy) +
                                 (channel(from.x + x0, from.y + y1, shift) * (1 - fx) + channel(from.x + x1, from.y + y1, shift) * fx) * fy;
                out |= std::uint32_t(std::clamp(v + 0.5, 0.0, 255.0)) << shift;
            }
            dst.setPixel(to.x + x, to.y + y, out);
        }
    }
}

void fitPicture(const storage::RgbPicture& source, storage::RgbPicture& target, bool sizeToFit, int bandRows)
{
    std::fill(target.data().begin(), target.data().end(), 0u);
    const auto p = fitPlacement(source.width(), source.height(), target.width(), target.height(), sizeToFit, bandRows);
    scaleInto(source, p.source, target, p.target);
}

} // namespace tellur::sstv
