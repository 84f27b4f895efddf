// Whether a graphical session is reachable, so the programs can say clearly when there is none.
#pragma once

namespace tellur::platform {

bool hasDisplay();

} // namespace tellur::platform
