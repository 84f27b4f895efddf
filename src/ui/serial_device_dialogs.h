// What the serial set-up procedures show on screen: the Abort/Retry warnings and the DSP
// program progress window TDSPLoadwin. GUI thread.
#pragma once

#include "signal/serial_devices.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QProgressBar;

namespace tellur::ui {

// "Loading DSP program...": a tool window on top of the others with the file name and a gauge
// over the file's bytes. It cannot be closed by the user while a download runs.
class TDSPLoadwin : public QWidget {
    Q_OBJECT
public:
    explicit TDSPLoadwin(QWidget* parent = nullptr);
    void start(const QString& file, qint64 total);
    void setPosition(qint64 position);
    int gaugeValue() const;
    int gaugeMaximum() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_file;
    QProgressBar* m_gauge;
    qint64 m_total = 0;
};

class SerialDeviceDialogs final : public signal::SerialDeviceUi {
public:
    explicit SerialDeviceDialogs(QWidget* parent = nullptr) : m_parent(parent) { }
    bool askRetry(std::string_view text) override;
    void loadBegin(std::string_view file, std::int64_t total) override;
    void loadProgress(std::int64_t position) override;
    void loadEnd() override;
    void statusChanged(std::string_view message) override
    {
        if (m_statusHandler)
            m_statusHandler(std::string(message));
    }

    TDSPLoadwin* loadWindow() const { return m_loadwin; }
    // Where the interface status message is shown (the main window's error panel).
    void setStatusHandler(std::function<void(const std::string&)> handler) { m_statusHandler = std::move(handler); }

private:
    QPointer<QWidget> m_parent;
    std::function<void(const std::string&)> m_statusHandler;
    QPointer<TDSPLoadwin> m_loadwin;
};

} // namespace tellur::ui
