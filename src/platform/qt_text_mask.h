// Text masks rendered with Qt fonts: the stamps of saved FAX pictures ("Arial" bold 16) and the
// call-sign header of FAX transmissions ("Verdana"). Needs a QGuiApplication; command-line tools
// without a display get one on the "offscreen" platform through ensureGuiApplication().
// Reentrant: save and transmitter threads may render their own masks.
#pragma once

#include "core/text_mask.h"

namespace tellur::platform {

class QtTextMaskRenderer final : public TextMaskRenderer {
public:
    // The mask is as wide as the text and as high as the font's line; white text on black.
    TextMask render(std::string_view text, const FontSpec& font) override;
};

// Creates a QGuiApplication when none exists (offscreen when no display is set). Returns false
// when Qt could not be brought up.
bool ensureGuiApplication();

} // namespace tellur::platform
