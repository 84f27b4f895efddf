#include "platform/qt_serial_port.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QSerialPort>
#include <QThread>

#include <algorithm>
#include <poll.h>
#include <type_traits>

namespace tellur::platform {

namespace {

bool lineHungUp(const QSerialPort& port)
{
    pollfd p {static_cast<int>(port.handle()), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace

struct QtSerialPort::State {
    signal::SerialPortMap map;
    QSerialPort* port = nullptr;
    int number = 1;
    int baud = 9600;
    signal::FlowControl flow = signal::FlowControl::None;
    // Line states asked for while closed are applied at the next open.
    int rts = -1;
    int dtr = -1;
};

template <class F> auto QtSerialPort::onPortThread(F&& f) const
{
    using R = std::invoke_result_t<F>;
    if (QThread::currentThread() == m_thread.get())
        return f();
    if constexpr (std::is_void_v<R>) {
        QMetaObject::invokeMethod(m_state->port, std::forward<F>(f), Qt::BlockingQueuedConnection);
    } else {
        R result {};
        QMetaObject::invokeMethod(
            m_state->port, [&] { result = f(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

QtSerialPort::QtSerialPort(signal::SerialPortMap map)
    : m_thread(std::make_unique<QThread>())
    , m_state(std::make_unique<State>())
{
    m_state->map = std::move(map);
    m_state->port = new QSerialPort;
    QSerialPort* port = m_state->port;
    QObject::connect(port, &QSerialPort::errorOccurred, port, [port](QSerialPort::SerialPortError e) {
        // The device went away: close, so the next open finds out whether it is back. A hung-up
        // line (a pulled adapter, a pseudo-terminal whose other end closed) may read as end of
        // file, which Qt reports as a plain read error; the poll tells the two apart.
        if (port->isOpen() && (e == QSerialPort::ResourceError || (e == QSerialPort::ReadError && lineHungUp(*port))))
            port->close();
    });
    m_thread->setObjectName(QStringLiteral("serial port"));
    port->moveToThread(m_thread.get());
    m_thread->start();
}

QtSerialPort::~QtSerialPort()
{
    QSerialPort* port = m_state->port;
    onPortThread([port] {
        port->close();
        port->deleteLater(); // carried out when the thread finishes
    });
    m_thread->quit();
    m_thread->wait();
}

void QtSerialPort::setPortMap(const signal::SerialPortMap& map)
{
    onPortThread([&] { m_state->map = map; });
}

bool QtSerialPort::openHere()
{
    QSerialPort* port = m_state->port;
    if (port->isOpen())
        port->close();
    const std::string path = m_state->map.devicePath(m_state->number);
    if (path.empty())
        return false;
    port->setPortName(QString::fromStdString(path));
    port->setBaudRate(m_state->baud);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(m_state->flow == signal::FlowControl::Hardware ? QSerialPort::HardwareControl
                                                                        : QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        port->clearError();
        return false;
    }
    // Pseudo-terminals and some adapters have no modem lines; that is no reason to fail.
    if (m_state->dtr >= 0)
        port->setDataTerminalReady(m_state->dtr != 0);
    if (m_state->rts >= 0 && m_state->flow == signal::FlowControl::None)
        port->setRequestToSend(m_state->rts != 0);
    port->clearError();
    return port->isOpen();
}

void QtSerialPort::reopenHere()
{
    if (m_state->port->isOpen())
        openHere();
}

bool QtSerialPort::open()
{
    return onPortThread([this] { return openHere(); });
}

void QtSerialPort::close()
{
    onPortThread([this] { m_state->port->close(); });
}

bool QtSerialPort::isOpen() const
{
    return onPortThread([this] { return m_state->port->isOpen(); });
}

void QtSerialPort::setNumber(int number)
{
    onPortThread([this, number] {
        m_state->number = number;
        reopenHere();
    });
}

int QtSerialPort::number() const
{
    return onPortThread([this] { return m_state->number; });
}

void QtSerialPort::setBaudRate(int baud)
{
    onPortThread([this, baud] {
        m_state->baud = baud;
        reopenHere();
    });
}

int QtSerialPort::baudRate() const
{
    return onPortThread([this] { return m_state->baud; });
}

void QtSerialPort::setFlowControl(signal::FlowControl flow)
{
    onPortThread([this, flow] {
        m_state->flow = flow;
        reopenHere();
    });
}

signal::FlowControl QtSerialPort::flowControl() const
{
    return onPortThread([this] { return m_state->flow; });
}

void QtSerialPort::setRts(bool on)
{
    onPortThread([this, on] {
        m_state->rts = on;
        QSerialPort* port = m_state->port;
        if (port->isOpen() && m_state->flow == signal::FlowControl::None) {
            port->setRequestToSend(on);
            port->clearError();
        }
    });
}

void QtSerialPort::setDtr(bool on)
{
    onPortThread([this, on] {
        m_state->dtr = on;
        QSerialPort* port = m_state->port;
        if (port->isOpen()) {
            port->setDataTerminalReady(on);
            port->clearError();
        }
    });
}

void QtSerialPort::setBreak(bool on)
{
    onPortThread([this, on] {
        QSerialPort* port = m_state->port;
        if (port->isOpen()) {
            port->setBreakEnabled(on);
            port->clearError();
        }
    });
}

bool QtSerialPort::cts() const
{
    return onPortThread([this] {
        QSerialPort* port = m_state->port;
        if (!port->isOpen())
            return false;
        bool on = port->pinoutSignals().testFlag(QSerialPort::ClearToSendSignal);
        port->clearError();
        return on;
    });
}

void QtSerialPort::clearInput()
{
    onPortThread([this] {
        QSerialPort* port = m_state->port;
        if (port->isOpen()) {
            port->clear(QSerialPort::Input);
            port->clearError();
        }
    });
}

void QtSerialPort::clearOutput()
{
    onPortThread([this] {
        QSerialPort* port = m_state->port;
        if (port->isOpen()) {
            port->clear(QSerialPort::Output);
            port->clearError();
        }
    });
}

std::size_t QtSerialPort::bytesWaiting()
{
    return onPortThread([this] {
        QSerialPort* port = m_state->port;
        return port->isOpen() ? static_cast<std::size_t>(port->bytesAvailable()) : std::size_t {0};
    });
}

std::string QtSerialPort::read()
{
    return onPortThread([this] {
        QSerialPort* port = m_state->port;
        if (!port->isOpen())
            return std::string();
        QByteArray b = port->readAll();
        return std::string(b.constData(), static_cast<std::size_t>(b.size()));
    });
}

bool QtSerialPort::write(std::string_view bytes)
{
    return onPortThread([this, bytes] {
        QSerialPort* port = m_state->port;
        if (!port->isOpen() && !openHere())
            return false;
        if (bytes.empty())
            return true;
        if (port->write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
            port->clearError();
            return false;
        }
        // Hand everything to the driver before returning: callers close the port right after a
        // write, and a close drops what Qt still holds. The bound keeps a stuck handshake line
        // from hanging the caller.
        const int baud = std::max(m_state->baud, 300);
        const qint64 budgetMs = static_cast<qint64>(bytes.size()) * 10 * 1000 / baud * 2 + 2000;
        QDeadlineTimer deadline(budgetMs);
        while (port->isOpen() && port->bytesToWrite() > 0 && !deadline.hasExpired())
            port->waitForBytesWritten(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        const bool done = port->isOpen() && port->bytesToWrite() == 0;
        port->clearError();
        return done;
    });
}

} // namespace tellur::platform
