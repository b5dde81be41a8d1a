#pragma once

namespace HXJPEG {

// Row/column scale factors of the AAN (Arai-Agui-Nakajima) DCT: s[0] = 1,
// s[k] = cos(k*pi/16) * sqrt(2). Quantisation tables fold s[r] * s[c] into their multipliers
// (decoder) or divisors (encoder) so that the transforms themselves need fewer multiplications.
inline constexpr float kAANScale[8] = {1.0f, 1.3870399f,  1.3065630f, 1.1758755f,
                                       1.0f, 0.78569496f, 0.5411951f, 0.27589938f};

}  // namespace HXJPEG
