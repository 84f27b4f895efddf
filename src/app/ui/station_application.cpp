#include "app/ui/station_application.h"

#include <filesystem>
#include <ios>
#include <stdexcept>

namespace tellur::ui {

bool StationApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::ios_base::failure& e) {
        if (m_handler)
            m_handler(QString::fromLocal8Bit(e.what()), true);
    } catch (const std::filesystem::filesystem_error& e) {
        if (m_handler)
            m_handler(QString::fromLocal8Bit(e.what()), true);
    } catch (const std::exception& e) {
        if (!m_handler)
            throw;
        m_handler(QString::fromLocal8Bit(e.what()), false);
    } catch (...) {
        if (!m_handler)
            throw;
        m_handler("unknown exception", false);
    }
    return false;
}

} // namespace tellur::ui
