// TSpectrum and TScope: the tuning aids. TSpectrum shows the level histogram of recent items
// against the expected levels; an update thread (Tspecthread) only wakes every 166 ms and
// schedules the redraw on the GUI thread, where the histogram is read. TScope draws a stretch of
// the sample ring. Both live on the GUI thread; the receive window that opens them owns them.
#pragma once

#include "ui/myform.h"
#include "signal/level_display_model.h"

#include <QImage>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QLabel;

namespace tellur::ui {

struct StationContext;

class TSpectrum : public TMyform {
    Q_OBJECT
public:
    enum class Kind { FaxHistogram, MarkSpace, BlackWhite };

    TSpectrum(StationContext& station, Kind kind, bool ptcScale, bool centreTick, QWidget* parent = nullptr);
    ~TSpectrum() override;

    void setScalePositions(int left, int right);
    void reportSyncPosition(int level) { m_reportedSync = level; }
    // Stops the update thread (pumping events so a pending redraw completes) and stores the position.
    void closeSpectrum();

    // One redraw, as the update thread schedules it.
    void updateDisplay();
    const QImage& display() const { return m_bitmap; }
    const SyncMarker& syncMarker() const { return m_marker; }

protected:
    void paintEvent(QPaintEvent*) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void drawScale();

    StationContext& m_station;
    Kind m_kind;
    bool m_ptc;
    bool m_centreTick;
    int m_left = 0;
    int m_right = 255;
    std::atomic<int> m_reportedSync{255};
    SyncMarker m_marker;
    QImage m_bitmap;
    QImage m_scale;
    std::jthread m_thread;
    std::atomic<bool> m_finished{true};
    bool m_closed = false;
};

class TScope : public TMyform {
    Q_OBJECT
public:
    TScope(StationContext& station, QWidget* parent = nullptr);
    ~TScope() override;

    void drawScope(std::int64_t ringPosition, bool red, bool timeAxis, double itemsPerPixel);
    const QImage& display() const { return m_image; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    StationContext& m_station;
    QImage m_image;
};

} // namespace tellur::ui
