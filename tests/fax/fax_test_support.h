// Helpers of the FAX tests: a chart-like test picture, an ideal FM channel from tone codes to ring
// items, a recording receiver host and picture comparison.
#pragma once

#include "fax/fax_receiver.h"
#include "fax/fax_transmitter.h"
#include "storage/di8_bitmap.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace faxtest {

using namespace tellur;
using namespace tellur::fax;

// Black lines, a grid, blocks and a grey wedge on white: what weather charts look like.
inline storage::TDI8Bitmap makeChart(int w, int h)
{
    storage::TDI8Bitmap p(w, h);
    for (int y = 0; y < h; ++y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(w), 255);
        for (int x = 0; x < w; ++x) {
            if (x % 40 < 3 || y % 20 < 2)
                row[std::size_t(x)] = 0;
            if (x > w / 2 && x < w / 2 + 60 && y > h / 4 && y < h / 2)
                row[std::size_t(x)] = 0;
            if (y > h * 3 / 4)
                row[std::size_t(x)] = static_cast<std::uint8_t>(x * 255 / w);
            const int cx = x - w / 4, cy = y - h / 2;
            if (std::abs(cx * cx + cy * cy - (h / 3) * (h / 3)) < h / 2)
                row[std::size_t(x)] = 0;
        }
        p.storeRow(y, row);
    }
    return p;
}

// What the FM FAX demodulator makes of a tone code: 1500 Hz -> 64.5, 2300 Hz -> 191.5.
inline std::uint16_t idealFmItem(std::uint8_t code)
{
    const double f = 1000.0 + 1400.0 * code / 255.0;
    return static_cast<std::uint16_t>(std::clamp(std::lround(128.0 + (f - 1900.0) * 63.5 / 400.0), 0L, 255L));
}

struct RecordingHost : FaxReceiverHost {
    double now = 45306.5; // 15 Jan 2024 12:00
    std::vector<ReceptionState> states;
    std::vector<FinishedPicture> saves;
    std::vector<int> lpms;
    std::unique_ptr<storage::TDI8Bitmap> savedPicture;
    FaxReceiver* receiver = nullptr;
    double stationTime() override { return now; }
    void stateChanged(ReceptionState s) override
    {
        if (states.empty() || states.back() != s)
            states.push_back(s);
    }
    void lpmChanged(int l) override { lpms.push_back(l); }
    void startSave(const FinishedPicture& p) override
    {
        saves.push_back(p);
        if (receiver)
            savedPicture = std::make_unique<storage::TDI8Bitmap>(receiver->picture());
    }
    bool sawState(ReceptionState s) const { return std::find(states.begin(), states.end(), s) != states.end(); }
};

// Feeds items into the ring and ticks once per 200 ms worth of them.
inline void feedAndTick(SampleRing& ring, FaxReceiver& rx, const std::vector<std::uint16_t>& items, double rate)
{
    const auto perTick = static_cast<std::size_t>(std::lround(rate / 5.0));
    for (std::size_t i = 0; i < items.size(); i += perTick) {
        const std::size_t n = std::min(perTick, items.size() - i);
        ring.append(std::span<const std::uint16_t>(items.data() + i, n));
        rx.tick();
    }
}

// Normalised cross-correlation of two equally long sequences.
inline double ncc(const std::vector<double>& a, const std::vector<double>& b)
{
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= double(a.size());
    mb /= double(b.size());
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return saa > 0 && sbb > 0 ? sab / std::sqrt(saa * sbb) : 0.0;
}

// The picture as transmitted: palette grey per transmitted pixel (margin included) and line.
inline std::vector<std::vector<std::uint8_t>> transmittedPicture(const FaxTransmitter& tx,
                                                                 const storage::TDI8Bitmap& src, int n)
{
    std::vector<std::vector<std::uint8_t>> out;
    for (int l = 0; l < tx.pictureLines(); ++l) {
        std::vector<std::uint8_t> line(static_cast<std::size_t>(n), 255);
        const auto row = static_cast<int>(tellur::roundHalfEven(double(l) * double(tx.verticalStepE4()) / 10000.0));
        for (int i = tx.margin(); i < n; ++i)
            line[std::size_t(i)] = src.getPixel(tx.column(i), row);
        out.push_back(line);
    }
    return out;
}

struct Match {
    double ncc = -1;
    int rowOffset = 0, columnOffset = 0;
};

// Best NCC of the received picture against the transmitted one over a range of offsets
// (received column c shows transmitted pixel c + columnOffset; row r shows line r - rowOffset).
inline Match bestMatch(const storage::TDI8Bitmap& rx, const std::vector<std::vector<std::uint8_t>>& tx, int margin,
                       int rowFrom, int rowTo, int colFrom, int colTo, bool rightToLeftRows = false)
{
    Match best;
    const int n = tx.empty() ? 0 : static_cast<int>(tx[0].size());
    for (int ro = rowFrom; ro <= rowTo; ++ro)
        for (int co = colFrom; co <= colTo; ++co) {
            std::vector<double> a, b;
            for (int l = 0; l < static_cast<int>(tx.size()); l += 2) {
                const int r = rightToLeftRows ? rx.fullHeight() - 1 - (l + ro) : l + ro;
                if (r < 0 || r >= rx.fullHeight())
                    continue;
                for (int i = margin; i < n; i += 3) {
                    const int c = i - co;
                    if (c < 0 || c >= rx.width())
                        continue;
                    a.push_back(rx.getPixel(c, r));
                    b.push_back(tx[std::size_t(l)][std::size_t(i)]);
                }
            }
            if (a.size() < 100)
                continue;
            const double v = ncc(a, b);
            if (v > best.ncc)
                best = {v, ro, co};
        }
    return best;
}

} // namespace faxtest
