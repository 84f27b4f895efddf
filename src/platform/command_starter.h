// The command after a reception on QProcess: started on its own, never waited for nor ended by
// the station (the operating type's programs are QtProcessRunner's). Any thread.
#pragma once

#include "fax/fax_station.h"

namespace tellur::platform {

class QtCommandStarter final : public fax::CommandStarter {
public:
    bool start(const fax::ExternalCommand& command) override;
};

} // namespace tellur::platform
