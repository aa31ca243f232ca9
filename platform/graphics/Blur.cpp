#include "platform/graphics/Blur.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

namespace gfx {
namespace {

// Three box sizes whose succession approximates a Gaussian of sigma.
std::array<int, 3> boxSizes(double sigma) {
  const int n = 3;
  const double wIdeal = std::sqrt(12.0 * sigma * sigma / n + 1.0);
  int wl = static_cast<int>(std::floor(wIdeal));
  if (wl % 2 == 0) --wl;
  const int wu = wl + 2;
  const double mIdeal = (12.0 * sigma * sigma - n * wl * wl - 4.0 * n * wl - 3.0 * n) / (-4.0 * wl - 4.0);
  const int m = static_cast<int>(std::lround(mIdeal));
  std::array<int, 3> sizes{};
  for (int i = 0; i < n; ++i) sizes[i] = i < m ? wl : wu;
  return sizes;
}

// Row operations of the blur, four floats at a time (GCC/Clang vector extensions; the
// default optimisation level does not vectorise loops of unknown length).
using Floats4 = float __attribute__((vector_size(16)));

inline Floats4 load4(const float* p) {
  Floats4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store4(float* p, Floats4 v) { std::memcpy(p, &v, sizeof v); }

// out += k * in
void rowAxpy(float* out, const float* in, float k, int n) {
  int x = 0;
  for (; x + 4 <= n; x += 4) store4(out + x, load4(out + x) + load4(in + x) * k);
  for (; x < n; ++x) out[x] += k * in[x];
}
// out += sign * in
void rowAdd(float* out, const float* in, int n, float sign) {
  int x = 0;
  for (; x + 4 <= n; x += 4) store4(out + x, load4(out + x) + load4(in + x) * sign);
  for (; x < n; ++x) out[x] += sign * in[x];
}
// out = in * k
void rowScale(float* out, const float* in, float k, int n) {
  int x = 0;
  for (; x + 4 <= n; x += 4) store4(out + x, load4(in + x) * k);
  for (; x < n; ++x) out[x] = in[x] * k;
}

// One direction of the blur over a w x h float plane (zero outside), along the columns:
// every output row is a weighted sum of whole input rows, so the inner loops run over
// contiguous memory. The result ends up in plane; scratch is a buffer of the same size.
void blurColumns(std::vector<float>& plane, std::vector<float>& scratch, int w, int h,
                 const std::vector<float>& kernel, const std::array<int, 3>& boxes) {
  const auto W = static_cast<std::size_t>(w);
  if (!kernel.empty()) {
    const int r = static_cast<int>(kernel.size() / 2);
    for (int y = 0; y < h; ++y) {
      float* out = &scratch[y * W];
      std::fill(out, out + w, 0.0f);
      for (int j = -r; j <= r; ++j) {
        const int yy = y + j;
        if (yy < 0 || yy >= h) continue;
        rowAxpy(out, &plane[yy * W], kernel[j + r], w);
      }
    }
    plane.swap(scratch);
    return;
  }
  std::vector<float> acc(W);
  for (int size : boxes) {  // a running sum of rows
    const int r = (size - 1) / 2;
    const float inv = 1.0f / static_cast<float>(size);
    std::fill(acc.begin(), acc.end(), 0.0f);
    for (int yy = 0; yy <= std::min(r, h - 1); ++yy) rowAdd(acc.data(), &plane[yy * W], w, 1.0f);
    for (int y = 0; y < h; ++y) {
      rowScale(&scratch[y * W], acc.data(), inv, w);
      if (y + r + 1 < h) rowAdd(acc.data(), &plane[(y + r + 1) * W], w, 1.0f);
      if (y - r >= 0) rowAdd(acc.data(), &plane[(y - r) * W], w, -1.0f);
    }
    plane.swap(scratch);
  }
}

// dst (w rows of h) = the transpose of src (h rows of w), in cache-sized blocks.
void transpose(const std::vector<float>& src, std::vector<float>& dst, int w, int h) {
  constexpr int B = 32;
  const auto W = static_cast<std::size_t>(w), H = static_cast<std::size_t>(h);
  for (int y0 = 0; y0 < h; y0 += B)
    for (int x0 = 0; x0 < w; x0 += B) {
      const int y1 = std::min(h, y0 + B), x1 = std::min(w, x0 + B);
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) dst[x * H + y] = src[y * W + x];
    }
}

// Gaussian blur of a w x h float plane in place (zero outside): an exact kernel of radius
// 3 sigma for small sigma, three box blurs otherwise.
void blurPlane(std::vector<float>& plane, int w, int h, double sigma) {
  std::vector<float> kernel;
  std::array<int, 3> boxes{};
  if (sigma < 1.0) {
    const int r = static_cast<int>(std::ceil(3.0 * sigma));
    kernel.resize(2 * r + 1);
    float sum = 0;
    for (int i = -r; i <= r; ++i) {
      kernel[i + r] = static_cast<float>(std::exp(-0.5 * i * i / (sigma * sigma)));
      sum += kernel[i + r];
    }
    for (float& k : kernel) k /= sum;
  } else {
    boxes = boxSizes(sigma);
  }
  std::vector<float> scratch(plane.size());
  blurColumns(plane, scratch, w, h, kernel, boxes);
  transpose(plane, scratch, w, h);
  plane.swap(scratch);
  blurColumns(plane, scratch, h, w, kernel, boxes);
  transpose(plane, scratch, h, w);
  plane.swap(scratch);
}

}  // namespace

void blurMask(const unsigned char* src, unsigned char* dst, int w, int h, int stride, double sigma,
              double gain) {
  const auto W = static_cast<std::size_t>(w);
  const bool blur = sigma >= 0.1;
  if (!blur) {
    const auto g = static_cast<unsigned>(std::lround(std::clamp(gain, 0.0, 1.0) * 256));
    for (std::size_t i = 0; i < static_cast<std::size_t>(stride) * h; ++i)
      dst[i] = static_cast<unsigned char>((src[i] * g + 128) >> 8);
    return;
  }
  std::vector<float> plane(W * static_cast<std::size_t>(h));
  const auto g = static_cast<float>(gain);
  for (int y = 0; y < h; ++y) {
    const unsigned char* in = src + static_cast<std::ptrdiff_t>(y) * stride;
    float* out = &plane[y * W];
    for (int x = 0; x < w; ++x) out[x] = in[x] * g;
  }
  blurPlane(plane, w, h, sigma);
  for (int y = 0; y < h; ++y) {
    unsigned char* out = dst + static_cast<std::ptrdiff_t>(y) * stride;
    const float* in = &plane[y * W];
    for (int x = 0; x < w; ++x) out[x] = static_cast<unsigned char>(std::clamp(in[x] + 0.5f, 0.0f, 255.0f));
  }
}

}  // namespace gfx
