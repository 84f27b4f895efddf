#include "signal/ui/spectrum_win.h"

#include "ui/station_context.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainter>
#include <QPointer>

#include <chrono>

namespace tellur::ui {

namespace {
constexpr int kScaleHeight = 22;
}

TSpectrum::TSpectrum(StationContext& station, Kind kind, bool ptcScale, bool centreTick, QWidget* parent)
    : TMyform(parent, Qt::Tool)
    , m_station(station)
    , m_kind(kind)
    , m_ptc(ptcScale)
    , m_centreTick(centreTick)
    , m_bitmap(kSpectrumWidth, kSpectrumHeight, QImage::Format_RGB32)
    , m_scale(kSpectrumWidth, kScaleHeight, QImage::Format_RGB32)
{
    setObjectName("TSpectrum");
    setWindowTitle("Spectrum");
    setSwallowAltF4(true);
    setFixedSize(kSpectrumWidth, kSpectrumHeight + kScaleHeight);
    m_bitmap.fill(Qt::black);
    const FaxScale s = faxScale(m_ptc);
    m_marker.setRange(s.syncLow, s.syncHigh);
    drawScale();

    const int left = station.config.i32(cfg::kSpectrumWindowLeft);
    const int top = station.config.i32(cfg::kSpectrumWindowTop);
    // 0 is a position like any other (the default is 514, 0); only the unset marker keeps the
    // window where it opens.
    if (left != cfg::kWindowUnset && top != cfg::kWindowUnset)
        move(left, top);

    // The thread only paces the redraws; the histogram is read on the GUI thread.
    m_finished = false;
    QPointer<TSpectrum> self(this);
    m_thread = std::jthread([this, self](std::stop_token stop) {
        while (!stop.stop_requested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(166));
            if (stop.stop_requested())
                break;
            QMetaObject::invokeMethod(qApp, [self] {
                if (self)
                    self->updateDisplay();
            }, Qt::QueuedConnection);
        }
        m_finished = true;
    });
}

TSpectrum::~TSpectrum()
{
    closeSpectrum();
}

void TSpectrum::closeSpectrum()
{
    if (m_closed)
        return;
    m_closed = true;
    m_thread.request_stop();
    {
        ModalPause pause(m_station);
        while (!m_finished.load())
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    if (m_thread.joinable())
        m_thread.join();
    m_station.config.setI32(cfg::kSpectrumWindowLeft, x());
    m_station.config.setI32(cfg::kSpectrumWindowTop, y());
}

void TSpectrum::closeEvent(QCloseEvent* e)
{
    TMyform::closeEvent(e);
}

void TSpectrum::setScalePositions(int left, int right)
{
    m_left = left;
    m_right = right;
    drawScale();
    update();
}

void TSpectrum::updateDisplay()
{
    if (m_closed)
        return;
    m_bitmap.fill(Qt::black);
    QPainter p(&m_bitmap);
    p.setPen(QColor(0, 196, 255));
    for (const SpectrumBar& b : spectrumBars(m_station.histogram.counts))
        p.drawLine(b.x, 65, b.x, b.top);
    if (m_kind == Kind::FaxHistogram) {
        m_marker.update(m_reportedSync.load());
        if (m_marker.visible()) {
            const QColor c = m_marker.fresh() ? QColor(255, 128, 0) : QColor(148, 100, 0);
            p.fillRect(m_marker.position(), 0, 2, kSpectrumHeight, c);
        }
    }
    p.end();
    update();
}

void TSpectrum::drawScale()
{
    m_scale.fill(palette().color(QPalette::Button));
    QPainter p(&m_scale);
    QFont f = font();
    f.setPixelSize(10);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawLine(0, 0, 255, 0);
    auto label = [&](int x, const QString& text, Qt::Alignment align) {
        p.drawLine(x, 0, x, 4);
        if (text.isEmpty())
            return;
        const int w = p.fontMetrics().horizontalAdvance(text);
        int left = align == Qt::AlignRight ? x - w : x - w / 2;
        left = std::clamp(left, 0, kSpectrumWidth - w);
        p.drawText(left, 15, text);
    };
    switch (m_kind) {
    case Kind::FaxHistogram: {
        const FaxScale s = faxScale(m_ptc);
        p.setBrush(Qt::red);
        p.setPen(Qt::red);
        for (int x : {s.syncLow, s.syncHigh}) {
            const QPoint tri[3] = {QPoint(x, 1), QPoint(x - 3, 6), QPoint(x + 3, 6)};
            p.drawPolygon(tri, 3);
        }
        p.setPen(Qt::black);
        label(s.sync, "Sync", Qt::AlignCenter);
        label(s.black, "Black", Qt::AlignCenter);
        label(s.centre, QString(), Qt::AlignCenter);
        label(s.white, "White", Qt::AlignCenter);
        break;
    }
    case Kind::MarkSpace:
        label(m_left, "Mark", Qt::AlignCenter);
        label(m_right, "Space", Qt::AlignCenter);
        if (m_centreTick)
            label((m_left + m_right) / 2, QString(), Qt::AlignCenter);
        break;
    case Kind::BlackWhite:
        label(m_left, "Black", Qt::AlignLeft);
        label(m_right, "White", Qt::AlignRight);
        if (m_centreTick)
            label((m_left + m_right) / 2, QString(), Qt::AlignCenter);
        break;
    }
}

void TSpectrum::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, m_bitmap);
    p.drawImage(0, kSpectrumHeight, m_scale);
}

TScope::TScope(StationContext& station, QWidget* parent)
    : TMyform(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , m_station(station)
    , m_image(kScopeWidth, kScopeHeight, QImage::Format_RGB32)
{
    setObjectName("TScope");
    setWindowTitle("Scope");
    setSwallowAltF4(true);
    setFixedSize(kScopeWidth, kScopeHeight);
    m_image.fill(Qt::black);
    const int left = station.config.i32(cfg::kScopeWindowLeft);
    const int top = station.config.i32(cfg::kScopeWindowTop);
    // 0 is a position like any other (the default is 514, 0); only the unset marker keeps the
    // window where it opens.
    if (left != cfg::kWindowUnset && top != cfg::kWindowUnset)
        move(left, top);
}

TScope::~TScope()
{
    m_station.config.setI32(cfg::kScopeWindowLeft, x());
    m_station.config.setI32(cfg::kScopeWindowTop, y());
}

void TScope::drawScope(std::int64_t ringPosition, bool red, bool timeAxis, double itemsPerPixel)
{
    m_image.fill(Qt::black);
    QPainter p(&m_image);
    p.setPen(QColor(96, 64, 0));
    for (int y : {59, 54, 50, 41, 22, 4})
        p.drawLine(0, y, kScopeWidth - 1, y);
    if (timeAxis) {
        const int c = scopeGridStep(m_station.config.f64(cfg::kDataRate));
        const auto lines = scopeGridLines(c);
        const char* labels[] = {"0", "5", "15", "25", "35"};
        QFont f = font();
        f.setPixelSize(9);
        p.setFont(f);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            p.setPen(QColor(96, 64, 0));
            p.drawLine(lines[i], 0, lines[i], 63);
            p.setPen(QColor(200, 200, 200));
            p.drawText(lines[i] - 3, 78, labels[i]);
        }
        p.drawText(kScopeWidth - 26, 78, "t/ms");
    }
    // A window of the ring around the position is enough for one trace.
    const int span = timeAxis ? 256 : static_cast<int>(255 * std::max(1.0, itemsPerPixel)) + 2;
    std::vector<std::uint16_t> items(std::size_t(span), 0);
    for (int i = 0; i < span; ++i)
        items[std::size_t(i)] = m_station.ring.at(ringPosition + i);
    const auto ys = scopeTrace(items, 0, timeAxis, itemsPerPixel);
    p.setPen(red ? Qt::red : Qt::yellow);
    for (std::size_t x = 1; x < ys.size(); ++x)
        p.drawLine(int(x - 1), ys[x - 1], int(x), ys[x]);
    p.end();
    update();
}

void TScope::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, m_image);
}

} // namespace tellur::ui
