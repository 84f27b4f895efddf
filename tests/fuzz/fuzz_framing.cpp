// Arbitrary characters through the three framing variants; the first byte picks the variant,
// and framed messages are checked for sane identifiers.
#include "text/message_framing.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
struct Check : tellur::text::MessageSink {
    void storeMessage(const tellur::text::FramedMessage& m) override
    {
        if (m.lines.empty() || m.id.empty() || m.id.size() > 6)
            std::abort();
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    using V = tellur::text::MessageFraming::Variant;
    const V variant = data[0] % 3 == 0 ? V::Navtex : data[0] % 3 == 1 ? V::Bulletin : V::Import;
    Check sink;
    tellur::text::MessageFraming framing(variant, sink);
    double now = 46000.0;
    for (std::size_t i = 1; i < size; ++i) {
        framing.frame(static_cast<char>(data[i]), now);
        now += data[i] == 0xFF ? 0.01 : 0.0; // lets the 30-minute timeout happen
    }
    framing.closeMessage();
    return 0;
}
