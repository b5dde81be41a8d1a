#pragma once

#include <cstdint>

namespace ThumbMetaLib {

// True for the layer blend modes (four-character keys) the compositor draws as the document
// shows them: normal, multiply, screen, overlay, hard light, darken, lighten, difference,
// exclusion, linear dodge, linear burn, colour dodge and colour burn.
bool IsDrawnBlendMode(uint32_t key);

// One 8-bit sample of a layer (`source`, additive: 255 is full light) blended with the canvas
// below it (`backdrop`) by the mode `key`, before the layer's alpha is applied; unknown modes
// blend as normal.
uint32_t BlendSample(uint32_t key, uint32_t backdrop, uint32_t source);

}  // namespace ThumbMetaLib
