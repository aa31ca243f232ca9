#pragma once
// The Gaussian blur of the canvas's shadows, over 8-bit alpha masks (zero outside the
// mask): an exact kernel of radius 3 sigma for small sigma, three box blurs otherwise.

namespace gfx {

// dst = src scaled by gain (0...1) and blurred with a Gaussian of sigma pixels; both are
// w x h masks with one stride in bytes, and may be the same buffer. Below a sigma of 0.1
// the mask is only scaled.
void blurMask(const unsigned char* src, unsigned char* dst, int w, int h, int stride, double sigma,
              double gain = 1.0);

}  // namespace gfx
