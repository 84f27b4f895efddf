#include "app/ui/station_dialogs.h"

#include "app/ui/small_windows.h"
#include "settings/ui/configuration_dialog.h"

namespace tellur::ui {

int StationDialogs::firstTimeLanguage(QWidget* parent, int current)
{
    TFirsttimeWin win(current, parent);
    win.exec();
    return win.language();
}

bool StationDialogs::configure(QWidget* parent, StationConfig& config, const ConfigurationEnvironment& env, bool firstTime)
{
    TConfiguration dialog(config, env, firstTime, parent);
    dialog.exec();
    return dialog.configurationReset();
}

} // namespace tellur::ui
