// Whatever arrives from a serial device or sits in a DSP program file or ports.conf: framing,
// prompt matching, DSP line rules and the port map must take any bytes.
#include "signal/easydsp_program.h"
#include "signal/serial_framing.h"
#include "signal/serial_port_map.h"
#include "signal/serial_wait.h"

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);

    static auto ring = std::make_unique<tellur::SampleRing>();
    std::atomic<std::int32_t> watchdog {5};
    tellur::signal::SerialFraming framing;
    framing.setFourteenBit(size > 0 && (data[0] & 1));
    auto before = ring->writeSnapshot();
    framing.process(std::span(data, size), *ring, watchdog);
    if (size > 0 && watchdog.load() != 0)
        std::abort();
    for (auto i = before; i != ring->writeSnapshot(); i = tellur::ringIndex(i + 1))
        if (ring->at(i) > 16383)
            std::abort();

    std::size_t cut = size / 3;
    auto alternatives = tellur::signal::responseAlternatives(text.substr(0, cut));
    int found = tellur::signal::matchResponse(text.substr(cut), alternatives);
    if (found < 0 || found > static_cast<int>(alternatives.size()))
        std::abort();

    std::istringstream in {std::string(text)};
    tellur::signal::EasyDspProgramReader program(in);
    std::string line;
    while (program.next(line)) {
        if (line.find('\n') != std::string::npos)
            std::abort();
        if (program.consumed() > static_cast<std::int64_t>(2 * size + 2))
            std::abort();
    }

    (void)tellur::signal::parsePortMap(text);
    return 0;
}
