// The main window's own dialogs beside the shared questions: the first-time window and the
// configuration dialog. Tests answer them like the rest. GUI thread.
#pragma once

#include "ui/dialogs.h"

namespace tellur {
class StationConfig;
}

namespace tellur::ui {

struct ConfigurationEnvironment;

class StationDialogs : public Dialogs {
public:
    // The first-time window; returns the chosen help language 0..6.
    virtual int firstTimeLanguage(QWidget* parent, int current);
    // The configuration dialog, modal; firstTime offers no way back (no Cancel, no Reset).
    // Returns whether the user confirmed a reset, after which the program ends unsaved.
    virtual bool configure(QWidget* parent, StationConfig& config, const ConfigurationEnvironment& env, bool firstTime);
};

} // namespace tellur::ui
