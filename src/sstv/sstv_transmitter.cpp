#include "sstv/sstv_transmitter.h"

#include "core/numeric.h"

#include <algorithm>
#include <cctype>
#include <chrono>

namespace tellur::sstv {

float txCodesPerMs(const SstvTxSettings& settings)
{
    float k = static_cast<float>((settings.dataRate + settings.txRateOffset) / 1000.0);
    if (settings.interfaceType == kInterfacePtcII)
        k /= 2.0f;
    return k;
}

double txCodesPerSecond(const SstvTxSettings& settings)
{
    double d = settings.dataRate + settings.txRateOffset;
    return settings.interfaceType == kInterfacePtcII ? d / 2.0 : d;
}

bool callSignUsable(std::string_view callSign)
{
    auto first = callSign.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return false;
    auto last = callSign.find_last_not_of(" \t");
    return last - first + 1 > 2;
}

int txLuminance(std::uint32_t p)
{
    int r = storage::rgbRed(p), g = storage::rgbGreen(p), b = storage::rgbBlue(p);
    return (77 * r + 150 * g + 29 * b) >> 8;
}

int txRedDifference(std::uint32_t p)
{
    int r = storage::rgbRed(p), g = storage::rgbGreen(p), b = storage::rgbBlue(p);
    int sum = 128 * r - 107 * g - 21 * b + 32256;
    return sum < 0 ? 0 : sum >> 8;
}

int txBlueDifference(std::uint32_t p)
{
    int r = storage::rgbRed(p), g = storage::rgbGreen(p), b = storage::rgbBlue(p);
    int sum = 128 * b - 43 * r - 85 * g + 32256;
    return sum < 0 ? 0 : sum >> 8;
}

int txGrey(std::uint32_t p)
{
    int r = storage::rgbRed(p), g = storage::rgbGreen(p), b = storage::rgbBlue(p);
    return (20 * b + 60 * g + 10 * r) / 100;
}

namespace {

std::uint32_t meanPixel(std::uint32_t a, std::uint32_t b)
{
    auto avg = [](int x, int y) { return static_cast<std::uint8_t>((x + y) >> 1); };
    return storage::rgb(avg(storage::rgbRed(a), storage::rgbRed(b)), avg(storage::rgbGreen(a), storage::rgbGreen(b)),
                        avg(storage::rgbBlue(a), storage::rgbBlue(b)));
}

void appendChunked(SstvCodeStream::CodeList& list, const std::vector<std::uint8_t>& codes)
{
    for (std::size_t i = 0; i < codes.size(); i += 1000)
        list.emplace_back(codes.begin() + static_cast<std::ptrdiff_t>(i),
                          codes.begin() + static_cast<std::ptrdiff_t>(std::min(codes.size(), i + 1000)));
}

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

SstvCodeStream::SstvCodeStream(int rowIndex, const storage::RgbPicture& picture, const SstvTxSettings& settings)
    : m_row(kSstvModes[static_cast<std::size_t>(std::clamp(rowIndex, 0, kSstvModeCount - 1))]),
      m_k(txCodesPerMs(settings)),
      m_codes(ToneCodes::forInterface(settings.interfaceType)),
      m_picture(picture)
{
    m_scaled = scaleTiming(m_row, m_k);
    m_rowsToSend = m_row.rows;
    const auto& s = m_scaled;
    m_segments = {{
        {SegmentType::Sync, s[kSyncStart], s[kSyncLength]},
        {SegmentType::Black, s[kSyncEnd], s[kPorch]},
        {SegmentType::Component1, s[kSlot1Start], s[kSlot1Length]},
        {SegmentType::Black, s[kSlot1End], s[kSlot1Gap]},
        {SegmentType::Component2, s[kSlot2Start], s[kSlot2Length]},
        {SegmentType::Black, s[kSlot2End], s[kSlot2Gap]},
        {SegmentType::Component3, s[kSlot3Start], s[kSlot3Length]},
        {SegmentType::Black, s[kSlot3End], s[kSlot3Gap]},
    }};
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (std::size_t i = 0; i + 1 < m_segments.size(); ++i)
            if (m_segments[i + 1].start < m_segments[i].start) {
                std::swap(m_segments[i], m_segments[i + 1]);
                swapped = true;
            }
    }
    buildTrailer(settings);
    buildHeader(settings);
}

SstvCodeStream::SstvCodeStream(const std::vector<std::uint8_t>& codes, const SstvTxSettings& settings)
    : m_row(kSstvModes[kMartin1Row]),
      m_k(txCodesPerMs(settings)),
      m_codes(ToneCodes::forInterface(settings.interfaceType)),
      m_picture(1, 1)
{
    m_scaled = scaleTiming(m_row, m_k);
    m_rowsToSend = 0;
    appendChunked(m_header, codes);
}

void SstvCodeStream::buildHeader(const SstvTxSettings& settings)
{
    const float k = m_k;
    auto ms = [k](double n) { return static_cast<std::size_t>(std::max<std::int64_t>(roundHalfEven(double(k) * n), 0)); };
    if (settings.with1750) {
        std::vector<std::uint8_t> second(ms(1000), m_codes.tone1750);
        m_header.push_back(second);
        m_header.push_back(second);
    }
    std::vector<std::uint8_t> warble;
    const std::int64_t n = roundHalfEven(double(k) * 1200.0);
    const std::int64_t stepCodes = std::max<std::int64_t>(roundHalfEven(double(k) * 100.0 / 6.0), 1);
    warble.reserve(static_cast<std::size_t>(std::max<std::int64_t>(n, 0)));
    for (std::int64_t i = 1; i <= n; ++i) {
        std::int64_t q = i / stepCodes;
        std::int64_t b = (q % 2 != 0) ? 128 + (q % 120) : 128 - (q % 120);
        warble.push_back(m_codes.brightness[static_cast<std::size_t>(b)]);
    }
    m_header.push_back(std::move(warble));

    const std::size_t bit = ms(30);
    auto bitCode = [this](bool one) { return one ? m_codes.visOne : m_codes.visZero; };
    if (m_row.visWord >= 256) {
        m_header.emplace_back(ms(300), m_codes.leader);
        m_header.emplace_back(ms(10), m_codes.sync);
        m_header.emplace_back(ms(300), m_codes.leader);
        m_header.emplace_back(bit, m_codes.sync);
        for (int i = 0; i < 16; ++i)
            m_header.emplace_back(bit, bitCode((m_row.visWord >> i) & 1));
    } else {
        m_header.emplace_back(bit, m_codes.sync);
        for (int i = 7; i >= 0; --i)
            m_header.emplace_back(bit, bitCode((m_row.visWord >> i) & 1));
    }
    // When the first line opens with its sync, stop bit and sync form one tone of 30 ms.
    std::int64_t stop = roundHalfEven(double(k) * 30.0);
    if (m_row.timing[kSyncStart] == 0)
        stop = std::max<std::int64_t>(roundHalfEven(double(k) * 30.0 - double(m_scaled[kSyncLength]) / 10000.0), 0);
    m_header.emplace_back(static_cast<std::size_t>(stop), m_codes.sync);
}

void SstvCodeStream::buildTrailer(const SstvTxSettings& settings)
{
    const float k = m_k;
    auto ms = [k](double n) { return static_cast<std::size_t>(std::max<std::int64_t>(roundHalfEven(double(k) * n), 0)); };
    std::vector<std::uint8_t> trailer(ms(400), m_codes.leader);
    const double d = txCodesPerSecond(settings);
    auto callText = [&settings]() {
        std::string t = upper(settings.callSign) + "  ";
        return t.substr(0, std::min<std::size_t>(t.size(), 17));
    };
    if (settings.repeatOrBeacon) {
        std::string text = callText() + settings.identificationChar + " ";
        auto morse = morseCodes(text, 100, d, m_codes);
        trailer.insert(trailer.end(), morse.begin(), morse.end());
        trailer.insert(trailer.end(), ms(100), m_codes.leader);
    } else if (settings.cwIdAfter) {
        auto morse = morseCodes(callText(), 100, d, m_codes);
        trailer.insert(trailer.end(), morse.begin(), morse.end());
        trailer.insert(trailer.end(), ms(200), m_codes.leader);
    }
    appendChunked(m_trailer, trailer);
}

void SstvCodeStream::setSliderPosition(int position)
{
    int rows = static_cast<int>(roundHalfEven(double(m_picture.height()) * position / 256.0));
    m_rowsToSend = std::clamp(rows, 16, static_cast<int>(m_row.rows));
}

std::uint32_t SstvCodeStream::pixel(int x, int y) const
{
    return m_picture.getPixel(x, y);
}

void SstvCodeStream::emit(std::vector<std::uint8_t>& out, std::uint8_t code, std::int64_t until)
{
    while (m_lineClock < until) {
        out.push_back(code);
        m_lineClock += 10000;
    }
}

void SstvCodeStream::emitPixels(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& values,
                                std::int64_t until, std::int64_t p, int step)
{
    const std::int64_t pixelTime = std::max<std::int64_t>(m_scaled[kPixelTime], 1);
    const std::size_t last = values.empty() ? 0 : values.size() - 1;
    std::size_t i = 0;
    while (m_lineClock < until) {
        out.push_back(values.empty() ? m_codes.black : values[std::min(i, last)]);
        m_lineClock += 10000;
        p += 10000;
        while (p > pixelTime) {
            p -= pixelTime;
            i += static_cast<std::size_t>(step);
        }
    }
}

std::vector<std::uint8_t> SstvCodeStream::nextLine()
{
    std::vector<std::uint8_t> out;
    if (!linesRemaining())
        return out;
    const auto& s = m_scaled;
    const int columns = m_row.columns;
    const int r = m_currentRow;
    const int r2 = (r + 1 < m_row.rows) ? r + 1 : r;
    const std::uint8_t scheme = m_row.colourScheme;
    const bool twoRows = scheme == kSchemeRobot36 || scheme == kSchemeDualLine ||
                         ((scheme == kSchemeRobotYuv || scheme == kSchemeMono) && m_row.lineDoubling);
    auto code = [this](int v) { return m_codes.brightness[static_cast<std::size_t>(std::clamp(v, 0, 255))]; };
    auto values = [&](auto f) {
        std::vector<std::uint8_t> v(static_cast<std::size_t>(columns));
        for (int x = 0; x < columns; ++x)
            v[static_cast<std::size_t>(x)] = code(f(x));
        return v;
    };

    if (scheme == kSchemeRgb || scheme == kSchemeMono) {
        std::vector<std::uint8_t> c1, c2, c3;
        if (scheme == kSchemeRgb) {
            c1 = values([&](int x) { return int(storage::rgbRed(pixel(x, r))); });
            c2 = values([&](int x) { return int(storage::rgbGreen(pixel(x, r))); });
            c3 = values([&](int x) { return int(storage::rgbBlue(pixel(x, r))); });
        } else if (m_row.lineDoubling) {
            c1 = values([&](int x) { return (txGrey(pixel(x, r)) + txGrey(pixel(x, r2))) / 2; });
        } else {
            c1 = values([&](int x) { return txGrey(pixel(x, r)); });
        }
        for (const Segment& seg : m_segments) {
            const std::int64_t until = seg.start + seg.length;
            const std::int64_t p = m_lineClock - seg.start;
            switch (seg.type) {
            case SegmentType::Sync: emit(out, m_codes.sync, until); break;
            case SegmentType::Black: emit(out, m_codes.black, until); break;
            case SegmentType::Component1: emitPixels(out, c1, until, p, 1); break;
            case SegmentType::Component2: emitPixels(out, c2, until, p, 1); break;
            case SegmentType::Component3: emitPixels(out, c3, until, p, 1); break;
            }
        }
        m_lineClock -= s[kLineTime];
    } else if (scheme == kSchemeDualLine) {
        auto y0 = values([&](int x) { return txLuminance(pixel(x, r)); });
        auto y1 = values([&](int x) { return txLuminance(pixel(x, r2)); });
        auto ry = values([&](int x) { return txRedDifference(meanPixel(pixel(x, r), pixel(x, r2))); });
        auto by = values([&](int x) { return txBlueDifference(meanPixel(pixel(x, r), pixel(x, r2))); });
        emit(out, m_codes.sync, s[kSyncStart] + s[kSyncLength]);
        emit(out, m_codes.black, s[kSyncEnd] + s[kPorch]);
        emitPixels(out, y0, s[kSlot1End], 0, 1);
        emitPixels(out, ry, s[kSlot2End], 0, 1);
        emitPixels(out, by, s[kSlot3End], 0, 1);
        emitPixels(out, y1, s[kSlot3End] + s[kSlot3Gap], 0, 1);
        m_lineClock -= s[kLineTime];
    } else if (scheme == kSchemeRobotYuv) {
        auto src = [&](int x) { return m_row.lineDoubling ? meanPixel(pixel(x, r), pixel(x, r2)) : pixel(x, r); };
        auto y = values([&](int x) { return txLuminance(src(x)); });
        auto ry = values([&](int x) { return txRedDifference(src(x)); });
        auto by = values([&](int x) { return txBlueDifference(src(x)); });
        emit(out, m_codes.sync, s[kSyncStart] + s[kSyncLength]);
        emit(out, m_codes.black, s[kSyncEnd] + s[kPorch]);
        emitPixels(out, y, s[kSlot1End], 0, 1);
        emit(out, m_codes.black, s[kSlot1End] + s[kSlot1Gap] * 3 / 4);
        emit(out, m_codes.leader, s[kSlot1End] + s[kSlot1Gap]);
        emitPixels(out, ry, s[kSlot2End], 0, 2);
        emit(out, m_codes.white(), s[kSlot2End] + s[kSlot2Gap] * 3 / 4);
        emit(out, m_codes.leader, s[kSlot2End] + s[kSlot2Gap]);
        emitPixels(out, by, s[kSlot3End], 0, 2);
        m_lineClock -= s[kLineTime];
    } else { // Robot 36: a B-Y line behind a white separator, then an R-Y line behind a black one
        auto y0 = values([&](int x) { return txLuminance(pixel(x, r)); });
        auto y1 = values([&](int x) { return txLuminance(pixel(x, r2)); });
        auto ry = values([&](int x) { return txRedDifference(meanPixel(pixel(x, r), pixel(x, r2))); });
        auto by = values([&](int x) { return txBlueDifference(meanPixel(pixel(x, r), pixel(x, r2))); });
        for (int half = 0; half < 2; ++half) {
            emit(out, m_codes.sync, s[kSyncStart] + s[kSyncLength]);
            emit(out, m_codes.black, s[kSyncEnd] + s[kPorch]);
            emitPixels(out, half == 0 ? y0 : y1, s[kSlot1End], 0, 1);
            emit(out, half == 0 ? m_codes.white() : m_codes.black, s[kSlot1End] + s[kSlot1Gap] * 3 / 4);
            emit(out, m_codes.leader, s[kSlot1End] + s[kSlot1Gap]);
            emitPixels(out, half == 0 ? by : ry, s[kSlot2End], 0, 2);
            m_lineClock -= s[kLineTime];
        }
    }
    m_currentRow += twoRows ? 2 : 1;
    return out;
}

std::vector<std::uint8_t> SstvCodeStream::allCodes()
{
    std::vector<std::uint8_t> out;
    for (const auto& e : m_header)
        out.insert(out.end(), e.begin(), e.end());
    while (linesRemaining()) {
        auto line = nextLine();
        out.insert(out.end(), line.begin(), line.end());
    }
    for (const auto& e : m_trailer)
        out.insert(out.end(), e.begin(), e.end());
    return out;
}

// ---------------------------------------------------------------------------------------------

SstvTransmitter::SstvTransmitter(std::unique_ptr<SstvCodeStream> stream, signal::CodeSink& sink, Callbacks callbacks)
    : m_stream(std::move(stream)), m_sink(sink), m_callbacks(std::move(callbacks))
{
}

SstvTransmitter::~SstvTransmitter()
{
    if (m_thread.joinable()) {
        abort();
        m_thread.join();
    }
}

bool SstvTransmitter::step()
{
    if (!m_running.load())
        return false;
    if (m_abort.load()) {
        finish();
        return false;
    }
    auto& header = m_stream->headerList();
    auto& trailer = m_stream->trailerList();
    if (!header.empty()) {
        if (m_sink.freeRoom() >= header.front().size()) {
            m_sink.write(header.front());
            header.pop_front();
        }
        return true;
    }
    if (m_stop.load() && !trailer.empty()) {
        if (m_sink.freeRoom() >= trailer.front().size()) {
            m_sink.write(trailer.front());
            trailer.pop_front();
        }
        return true;
    }
    if (m_stop.load() || (!m_stream->linesRemaining() && m_newLine)) {
        if (!m_stop.load() && !m_pictureSent) {
            m_stop = true; // a stream without lines: a Morse text or a burst
            return true;
        }
        finish();
        return false;
    }
    if (m_sink.freeRoom() < 1000)
        return true;
    if (m_newLine) {
        m_line = m_stream->nextLine();
        m_linePos = 0;
        m_newLine = false;
    }
    const std::size_t rest = m_line.size() - m_linePos;
    const std::size_t piece = std::min<std::size_t>(rest, 1000);
    m_sink.write(std::span<const std::uint8_t>(m_line.data() + m_linePos, piece));
    m_linePos += piece;
    if (m_linePos >= m_line.size()) {
        m_newLine = true;
        m_pictureSent = true;
        if (m_callbacks.rowSent)
            m_callbacks.rowSent(m_stream->currentRow(), m_stream->rowsToSend());
        if (!m_stream->linesRemaining())
            m_stop = true;
    }
    return true;
}

void SstvTransmitter::finish()
{
    if (!m_running.exchange(false))
        return;
    if (m_callbacks.finished)
        m_callbacks.finished(m_abort.load(), m_pictureSent && !m_abort.load());
}

void SstvTransmitter::start()
{
    m_thread = std::jthread([this](std::stop_token token) {
        while (!token.stop_requested()) {
            if (!step())
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        m_abort = true;
        finish();
    });
}

void SstvTransmitter::abort()
{
    m_abort = true;
    m_stop = true;
}

void SstvTransmitter::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

// ---------------------------------------------------------------------------------------------

namespace {

constexpr std::uint32_t kStampYellow = 0xFFF000;
constexpr std::uint32_t kStampBlue = 0x0000FF;

std::uint32_t blend(std::uint32_t bg, std::uint32_t fg, int coverage)
{
    auto mix = [coverage](int b, int f) { return static_cast<std::uint8_t>((b * (255 - coverage) + f * coverage + 127) / 255); };
    return storage::rgb(mix(storage::rgbRed(bg), storage::rgbRed(fg)), mix(storage::rgbGreen(bg), storage::rgbGreen(fg)),
                        mix(storage::rgbBlue(bg), storage::rgbBlue(fg)));
}

// Draws a mask at (left, top); with a background the whole text box is filled first.
void drawMask(storage::RgbPicture& pic, const TextMask& mask, int left, int top, std::uint32_t colour,
              const std::uint32_t* background)
{
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            int px = left + x, py = top + y;
            if (px < 0 || py < 0 || px >= pic.width() || py >= pic.height())
                continue;
            std::uint32_t bg = background ? *background : pic.getPixel(px, py);
            pic.setPixel(px, py, blend(bg, colour, mask.at(x, y)));
        }
}

std::string replaceAll(std::string text, std::string_view what, std::string_view with)
{
    for (std::size_t pos = 0; (pos = text.find(what, pos)) != std::string::npos; pos += with.size())
        text.replace(pos, what.size(), with);
    return text;
}

} // namespace

void stampIdentification(storage::RgbPicture& pic, const IdentificationStamp& stamp, TextMaskRenderer& renderer)
{
    const FontSpec font{"Verdana", 16, true, false, false};
    const std::uint32_t blue = kStampBlue;
    switch (stamp.choice) {
    case IdentificationChoice::NoCallSign:
        return;
    case IdentificationChoice::CallSignInHeader: {
        TextMask text = renderer.render("  " + upper(stamp.callSign) + "  ", font);
        drawMask(pic, text, 0, 0, kStampYellow, &blue);
        const int x0 = text.width;
        const int ramp = pic.width() - x0;
        for (int x = x0; x < pic.width(); ++x) {
            auto g = static_cast<std::uint8_t>(std::clamp<std::int64_t>(
                255 - roundHalfEven(double(x - x0) / double(std::max(ramp, 1)) * 255.0), 0, 255));
            for (int y = 0; y < 16 && y < pic.height(); ++y)
                pic.setPixel(x, y, storage::rgb(g, g, g));
        }
        if (!stamp.handle.empty()) {
            TextMask handle = renderer.render(stamp.handle, font);
            drawMask(pic, handle, pic.width() - 5 - handle.width, 0, stamp.handleColour, nullptr);
        }
        return;
    }
    case IdentificationChoice::CallSignInPicture: {
        std::string t = " " + replaceAll(stamp.pictureText, "@", stamp.callSign) + " ";
        TextMask text = renderer.render(t, font);
        drawMask(pic, text, pic.width() - 4 - text.width, pic.height() - 4 - text.height, kStampYellow, &blue);
        return;
    }
    case IdentificationChoice::UserHeader: {
        if (!stamp.userHeader)
            return;
        const auto& h = *stamp.userHeader;
        for (int y = 0; y < 16 && y < pic.height(); ++y)
            for (int x = 0; x < pic.width(); ++x)
                pic.setPixel(x, y, h.getPixel(x * h.width() / pic.width(), y * h.height() / 16));
        return;
    }
    }
}

} // namespace tellur::sstv
