// A short conversation with Hamlib's rigctld over TCP: connect, send protocol lines, read each
// "RPRT n" answer, disconnect. Several programs share one rig through the daemon, so the
// connection is held only for one tuning. Blocking with bounded waits; the caller's thread.
#pragma once

#include "station/radio_commands.h"

#include <string>
#include <vector>

namespace tellur::station {

struct RigctldTimeouts {
    int connectMs = 1500;
    int replyMs = 3000; // the daemon answers after its own exchange with the rig
};

struct RigctldResult {
    bool reached = false; // connected and every line was answered
    bool accepted = false; // every answer was "RPRT 0"
    std::string problem;  // what went wrong, for the log and the command line
};

// Sends each line (ending in "\n") and waits for its "RPRT" answer before the next.
RigctldResult rigctldSend(const NetworkEndpoint& endpoint, const std::vector<std::string>& lines,
                          RigctldTimeouts timeouts = {});

} // namespace tellur::station
