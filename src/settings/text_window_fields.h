// Offsets of the RTTY window's and the message viewer's settings in the station configuration.
#pragma once

#include <cstddef>

namespace tellur::cfg {
inline constexpr std::size_t kRttyWindowLeft = 4932, kRttyWindowTop = 4936, kRttyWindowWidth = 4940,
                             kRttyWindowHeight = 4944, kRttyInputVolume = 4948, kRttySpectrumOpen = 4952,
                             kViewerWindowLeft = 4956, kViewerWindowTop = 4960, kViewerWindowWidth = 4964,
                             kViewerWindowHeight = 4968, kViewerAreaSelection = 4972, kViewerTypeSelection = 4976,
                             kViewerStationSelection = 4980;
} // namespace tellur::cfg
