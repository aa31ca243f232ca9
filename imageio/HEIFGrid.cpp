#include "imageio/HEIFGrid.hpp"

#include <cstring>
#include <optional>
#include <string_view>

#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

namespace {

// A bounds-checked big-endian reader over one box's payload; reading past the end gives
// none.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool atEnd() const { return position_ >= bytes_.size(); }
  std::size_t position() const { return position_; }

  std::optional<std::uint64_t> read(std::size_t count) {
    if (count > 8 || bytes_.size() - position_ < count || position_ > bytes_.size()) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = (value << 8) | bytes_[position_ + i];
    position_ += count;
    return value;
  }
  bool skip(std::size_t count) {
    if (bytes_.size() - position_ < count) return false;
    position_ += count;
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

struct Box {
  char type[4];
  std::span<const std::uint8_t> payload;
};

// The boxes one after another in the bytes; stops at the first malformed header.
std::vector<Box> boxesIn(std::span<const std::uint8_t> bytes) {
  std::vector<Box> boxes;
  std::size_t at = 0;
  while (bytes.size() - at >= 8) {
    Reader r(bytes.subspan(at));
    std::uint64_t size = *r.read(4);
    Box box;
    std::memcpy(box.type, bytes.data() + at + 4, 4);
    r.skip(4);
    if (size == 1) {
      const auto large = r.read(8);
      if (!large) break;
      size = *large;
    } else if (size == 0) {
      size = bytes.size() - at;
    }
    const std::size_t header = r.position();
    if (size < header || size > bytes.size() - at) break;
    box.payload = bytes.subspan(at + header, static_cast<std::size_t>(size) - header);
    boxes.push_back(box);
    at += static_cast<std::size_t>(size);
  }
  return boxes;
}

bool isType(const Box& box, std::string_view type) { return std::string_view(box.type, 4) == type; }

const Box* find(const std::vector<Box>& boxes, std::string_view type) {
  for (const Box& box : boxes)
    if (isType(box, type)) return &box;
  return nullptr;
}

// The ids of the items whose type is "grid", from the "iinf" box.
std::vector<std::uint32_t> gridItemIds(const Box& iinf) {
  std::vector<std::uint32_t> ids;
  Reader r(iinf.payload);
  const auto version = r.read(1);
  if (!version || !r.skip(3) || !r.skip(*version == 0 ? 2 : 4)) return ids;
  for (const Box& infe : boxesIn(iinf.payload.subspan(r.position()))) {
    if (!isType(infe, "infe")) continue;
    Reader e(infe.payload);
    const auto infeVersion = e.read(1);
    if (!infeVersion || *infeVersion < 2 || !e.skip(3)) continue;  // older entries carry no type
    const auto id = e.read(*infeVersion == 2 ? 2 : 4);
    if (!id || !e.skip(2) || infe.payload.size() - e.position() < 4) continue;
    if (std::memcmp(infe.payload.data() + e.position(), "grid", 4) == 0) ids.push_back(static_cast<std::uint32_t>(*id));
  }
  return ids;
}

struct Location {
  std::uint64_t offset = 0;
  bool inIdat = false;
};

// Where the first extent of the item starts, from the "iloc" box.
std::optional<Location> locate(const Box& iloc, std::uint32_t itemId) {
  Reader r(iloc.payload);
  const auto version = r.read(1);
  if (!version || *version > 2 || !r.skip(3)) return std::nullopt;
  const auto sizes = r.read(2);
  if (!sizes) return std::nullopt;
  const std::size_t offsetSize = (*sizes >> 12) & 15, lengthSize = (*sizes >> 8) & 15,
                    baseOffsetSize = (*sizes >> 4) & 15, indexSize = *version >= 1 ? (*sizes & 15) : 0;
  const auto count = r.read(*version < 2 ? 2 : 4);
  if (!count) return std::nullopt;
  for (std::uint64_t i = 0; i < *count; ++i) {
    const auto id = r.read(*version < 2 ? 2 : 4);
    std::uint64_t method = 0;
    if (*version >= 1) {
      const auto m = r.read(2);
      if (!m) return std::nullopt;
      method = *m & 15;
    }
    const auto base = (r.skip(2) ? r.read(baseOffsetSize) : std::nullopt);
    const auto extents = r.read(2);
    if (!id || !base || !extents) return std::nullopt;
    std::optional<std::uint64_t> first;
    for (std::uint64_t e = 0; e < *extents; ++e) {
      if (!r.skip(indexSize)) return std::nullopt;
      const auto offset = r.read(offsetSize);
      if (!offset || !r.skip(lengthSize)) return std::nullopt;
      if (!first) first = *offset;
    }
    if (*id != itemId) continue;
    if (method > 1) return std::nullopt;
    return Location{*base + first.value_or(0), method == 1};
  }
  return std::nullopt;
}

// The grid's output size from its item data: version, flags, rows - 1, columns - 1, then
// width and height in 16 bits (32 with flag bit 0).
std::optional<HEIFGridSize> gridSize(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
  if (offset >= bytes.size()) return std::nullopt;
  Reader r(bytes.subspan(static_cast<std::size_t>(offset)));
  const auto version = r.read(1);
  const auto flags = r.read(1);
  if (!version || !flags || !r.skip(2)) return std::nullopt;
  const std::size_t fieldSize = (*flags & 1) ? 4 : 2;
  const auto width = r.read(fieldSize);
  const auto height = r.read(fieldSize);
  if (!width || !height) return std::nullopt;
  return HEIFGridSize{static_cast<std::uint32_t>(*width), static_cast<std::uint32_t>(*height)};
}

}  // namespace

std::vector<HEIFGridSize> heifGridSizes(std::span<const std::uint8_t> data) {
  std::vector<HEIFGridSize> sizes;
  const std::vector<Box> top = boxesIn(data);
  const Box* meta = find(top, "meta");
  if (!meta || meta->payload.size() < 4) return sizes;
  const std::vector<Box> children = boxesIn(meta->payload.subspan(4));
  const Box* iinf = find(children, "iinf");
  if (!iinf) return sizes;
  const std::vector<std::uint32_t> grids = gridItemIds(*iinf);
  if (grids.empty()) return sizes;
  const Box* iloc = find(children, "iloc");
  const Box* idat = find(children, "idat");
  for (const std::uint32_t id : grids) {
    const std::optional<Location> location = iloc ? locate(*iloc, id) : std::nullopt;
    std::optional<HEIFGridSize> size;
    if (location) {
      if (location->inIdat) {
        if (idat) size = gridSize(idat->payload, location->offset);
      } else {
        size = gridSize(data, location->offset);
      }
    }
    if (!size) foundation::raise(ImageReadWriteError::unableToDecodeImage, "HEIF grid without readable data");
    sizes.push_back(*size);
  }
  return sizes;
}
