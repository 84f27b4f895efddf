// Shared helpers of the SSTV tests: test pictures, a channel between tone codes and ring items,
// and a receiver driver with the 200 ms virtual clock.
#pragma once

#include "core/numeric.h"
#include "sstv/sstv_receiver.h"
#include "sstv/sstv_transmitter.h"

#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <vector>

namespace sstvtest {

using tellur::storage::RgbPicture;

// Smooth colours over the whole picture, as the catalog's "Coloured Screen" test picture.
inline RgbPicture colouredScreen(int width, int height)
{
    RgbPicture pic(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            auto red = static_cast<std::uint8_t>(tellur::roundHalfEven(double(x) * 255.0 / width));
            auto blue = static_cast<std::uint8_t>(tellur::roundHalfEven(double(y) * 255.0 / height));
            pic.setPixel(x, y, tellur::storage::rgb(red, static_cast<std::uint8_t>(255 - red), blue));
        }
    return pic;
}

// What a black-and-white mode can carry of a colour picture: the transmitter's grey.
inline RgbPicture greyOf(const RgbPicture& pic)
{
    RgbPicture out(pic.width(), pic.height());
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x) {
            auto g = static_cast<std::uint8_t>(tellur::sstv::txGrey(pic.getPixel(x, y)));
            out.setPixel(x, y, tellur::storage::rgb(g, g, g));
        }
    return out;
}

inline double psnr(const RgbPicture& a, const RgbPicture& b)
{
    double se = 0;
    std::size_t n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            std::uint32_t p = a.getPixel(x, y), q = b.getPixel(x, y);
            for (int shift : {0, 8, 16}) {
                double d = double((p >> shift) & 255) - double((q >> shift) & 255);
                se += d * d;
                ++n;
            }
        }
    double mse = se / double(n);
    return mse <= 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// Soundcard tone codes and SSTV ring items share one scale (1000 + v x 1400 / 255 Hz), so a code
// stream is an item stream. The channel adds what a receiver meets: a little smoothing, noise
// and a sample-clock error.
struct Channel {
    double noiseItems = 0;  // standard deviation of added noise, in item units
    double clockPpm = 0;    // receiver clock fast by this much
    unsigned seed = 7;
};

inline std::vector<std::uint16_t> passChannel(const std::vector<std::uint8_t>& codes, const Channel& ch)
{
    std::vector<std::uint16_t> out;
    std::mt19937 rng(ch.seed);
    std::normal_distribution<double> noise(0.0, ch.noiseItems > 0 ? ch.noiseItems : 1.0);
    const double step = 1.0 / (1.0 + ch.clockPpm * 1e-6);
    double prev = codes.empty() ? 0 : codes[0];
    for (double t = 0; t + 1 < double(codes.size()); t += step) {
        auto i = static_cast<std::size_t>(t);
        double frac = t - double(i);
        double v = codes[i] * (1 - frac) + codes[i + 1] * frac;
        double smooth = 0.5 * v + 0.5 * prev; // one-pole low pass of the demodulator's filters
        prev = v;
        if (ch.noiseItems > 0)
            smooth += noise(rng);
        out.push_back(static_cast<std::uint16_t>(std::clamp(std::lround(smooth), 0L, 255L)));
    }
    return out;
}

// Receiver sink that keeps what the tests look at.
struct RecordingSink : tellur::sstv::SstvReceiverSink {
    std::vector<std::int32_t> modes;
    std::vector<int> started;
    struct End {
        bool saved;
        int row;
        int rows;
        RgbPicture picture;
    };
    std::vector<End> ended;
    tellur::sstv::SstvReceiver* receiver = nullptr;
    void modeDisplayChanged(std::int32_t m) override { modes.push_back(m); }
    void pictureStarted(int row) override { started.push_back(row); }
    void pictureEnded(bool saved, int row, int rows) override
    {
        ended.push_back({saved, row, rows, receiver ? receiver->picture() : RgbPicture(1, 1)});
    }
};

// Feeds items in 200 ms blocks and ticks after each.
inline void feed(tellur::sstv::SstvReceiver& rx, tellur::SampleRing& ring, const std::vector<std::uint16_t>& items,
                 double rate = 7350.0)
{
    const auto block = static_cast<std::size_t>(rate / 5);
    for (std::size_t i = 0; i < items.size(); i += block) {
        std::size_t n = std::min(block, items.size() - i);
        ring.append(std::span<const std::uint16_t>(items.data() + i, n));
        rx.tick();
    }
}

// Codes of one whole picture transmission, framed by a second of silence on both sides.
inline std::vector<std::uint8_t> transmission(int row, const RgbPicture& pic,
                                              const tellur::sstv::SstvTxSettings& settings = {})
{
    tellur::sstv::SstvCodeStream stream(row, pic, settings);
    std::vector<std::uint8_t> codes(7350, 0);
    auto body = stream.allCodes();
    codes.insert(codes.end(), body.begin(), body.end());
    codes.insert(codes.end(), 3 * 7350, 0);
    return codes;
}

// Text as solid blocks of 8 x 12 per character, so stamps need no fonts.
struct BlockText : tellur::TextMaskRenderer {
    tellur::TextMask render(std::string_view text, const tellur::FontSpec&) override
    {
        tellur::TextMask m;
        m.width = 8 * static_cast<int>(text.size());
        m.height = 12;
        m.coverage.assign(static_cast<std::size_t>(m.width * m.height), 255);
        return m;
    }
};

// A picture with the identification header that the transmitter stamps by default.
inline RgbPicture withHeader(RgbPicture pic)
{
    BlockText text;
    tellur::sstv::IdentificationStamp stamp;
    stamp.callSign = "DL1ABC";
    tellur::sstv::stampIdentification(pic, stamp, text);
    return pic;
}

} // namespace sstvtest
