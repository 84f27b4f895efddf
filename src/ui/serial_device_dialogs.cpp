#include "ui/serial_device_dialogs.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace tellur::ui {

namespace {
// The gauge counts in bytes; a range that does not fit an int is scaled down.
int gaugeUnits(qint64 bytes, qint64 total)
{
    if (total <= INT_MAX)
        return static_cast<int>(bytes);
    return static_cast<int>(bytes / (total / INT_MAX + 1));
}
} // namespace

TDSPLoadwin::TDSPLoadwin(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TDSPLoadwin"));
    setWindowTitle(QStringLiteral("Loading DSP program..."));
    auto* layout = new QVBoxLayout(this);
    m_file = new QLabel(this);
    m_file->setObjectName(QStringLiteral("FileLabel"));
    m_gauge = new QProgressBar(this);
    m_gauge->setObjectName(QStringLiteral("Gauge"));
    layout->addWidget(m_file);
    layout->addWidget(m_gauge);
    setMinimumWidth(360);
}

void TDSPLoadwin::start(const QString& file, qint64 total)
{
    m_total = std::max<qint64>(total, 1);
    m_file->setText(file);
    m_gauge->setRange(0, gaugeUnits(m_total, m_total));
    m_gauge->setValue(0);
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + area.height() / 4);
    }
    show();
}

void TDSPLoadwin::setPosition(qint64 position)
{
    m_gauge->setValue(gaugeUnits(std::clamp<qint64>(position, 0, m_total), m_total));
}

int TDSPLoadwin::gaugeValue() const { return m_gauge->value(); }

int TDSPLoadwin::gaugeMaximum() const { return m_gauge->maximum(); }

void TDSPLoadwin::closeEvent(QCloseEvent* event)
{
    // Alt+F4 must not interrupt a download half way.
    event->ignore();
}

bool SerialDeviceDialogs::askRetry(std::string_view text)
{
    QString message = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    auto answer = QMessageBox::warning(m_parent, QStringLiteral("Warning"), message,
                                       QMessageBox::Abort | QMessageBox::Retry, QMessageBox::Retry);
    return answer == QMessageBox::Retry;
}

void SerialDeviceDialogs::loadBegin(std::string_view file, std::int64_t total)
{
    if (!m_loadwin)
        m_loadwin = new TDSPLoadwin(m_parent);
    m_loadwin->start(QString::fromLocal8Bit(file.data(), static_cast<qsizetype>(file.size())), total);
}

void SerialDeviceDialogs::loadProgress(std::int64_t position)
{
    if (m_loadwin)
        m_loadwin->setPosition(position);
}

void SerialDeviceDialogs::loadEnd()
{
    if (m_loadwin) {
        m_loadwin->hide();
        m_loadwin->deleteLater();
        m_loadwin = nullptr;
    }
}

} // namespace tellur::ui
