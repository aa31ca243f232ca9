#include "imageio/HEIFBoxes.hpp"

#include <libde265/de265.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

namespace {

using Bytes = std::span<const std::uint8_t>;

[[noreturn]] void undecodable(std::string text) {
  foundation::raise(ImageReadWriteError::unableToDecodeImage, std::move(text));
}

// A bounds-checked big-endian reader; reading past the end gives none.
class Reader {
 public:
  explicit Reader(Bytes bytes) : bytes_(bytes) {}
  std::size_t position() const { return position_; }
  std::size_t left() const { return bytes_.size() - position_; }

  std::optional<std::uint64_t> read(std::size_t count) {
    if (count > 8 || left() < count) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = (value << 8) | bytes_[position_ + i];
    position_ += count;
    return value;
  }
  bool skip(std::size_t count) {
    if (left() < count) return false;
    position_ += count;
    return true;
  }
  std::optional<Bytes> take(std::size_t count) {
    if (left() < count) return std::nullopt;
    position_ += count;
    return bytes_.subspan(position_ - count, count);
  }

 private:
  Bytes bytes_;
  std::size_t position_ = 0;
};

struct Box {
  char type[4];
  Bytes payload;
  bool is(std::string_view name) const { return std::string_view(type, 4) == name; }
};

// The boxes one after another in the bytes; stops at the first malformed header.
std::vector<Box> boxesIn(Bytes bytes) {
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

const Box* find(const std::vector<Box>& boxes, std::string_view type) {
  for (const Box& box : boxes)
    if (box.is(type)) return &box;
  return nullptr;
}

// The item boxes of the file's top-level "meta" box.
struct Items {
  Bytes file;
  std::vector<Box> boxes;
  const Box* iinf = nullptr;
  const Box* iloc = nullptr;
  const Box* idat = nullptr;
  const Box* iprp = nullptr;

  explicit Items(Bytes data) : file(data) {
    const std::vector<Box> top = boxesIn(data);
    const Box* meta = find(top, "meta");
    if (!meta || meta->payload.size() < 4) return;
    boxes = boxesIn(meta->payload.subspan(4));
    iinf = find(boxes, "iinf");
    iloc = find(boxes, "iloc");
    idat = find(boxes, "idat");
    iprp = find(boxes, "iprp");
  }

  // The ids of the items of the type.
  std::vector<std::uint32_t> idsOfType(std::string_view type) const {
    std::vector<std::uint32_t> ids;
    if (!iinf) return ids;
    Reader r(iinf->payload);
    const auto version = r.read(1);
    if (!version || !r.skip(3) || !r.skip(*version == 0 ? 2 : 4)) return ids;
    for (const Box& infe : boxesIn(iinf->payload.subspan(r.position()))) {
      if (!infe.is("infe")) continue;
      Reader e(infe.payload);
      const auto infeVersion = e.read(1);
      if (!infeVersion || *infeVersion < 2 || !e.skip(3)) continue;  // older entries carry no type
      const auto id = e.read(*infeVersion == 2 ? 2 : 4);
      const auto itemType = (id && e.skip(2)) ? e.take(4) : std::nullopt;
      if (itemType && std::memcmp(itemType->data(), type.data(), 4) == 0) ids.push_back(static_cast<std::uint32_t>(*id));
    }
    return ids;
  }

  // The item's data, extent by extent, from "iloc" (in the file or in "idat"); none when
  // it cannot be located.
  std::optional<std::vector<Bytes>> data(std::uint32_t itemId) const {
    if (!iloc) return std::nullopt;
    Reader r(iloc->payload);
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
      const auto base = r.skip(2) ? r.read(baseOffsetSize) : std::nullopt;
      const auto extents = r.read(2);
      if (!id || !base || !extents) return std::nullopt;
      const Bytes source = method == 1 ? (idat ? idat->payload : Bytes()) : file;
      std::vector<Bytes> parts;
      bool whole = method <= 1;
      for (std::uint64_t e = 0; e < *extents; ++e) {
        if (!r.skip(indexSize)) return std::nullopt;
        const auto offset = r.read(offsetSize);
        const auto length = r.read(lengthSize);
        if (!offset || !length) return std::nullopt;
        // A length of 0 means the rest of the source.
        const std::uint64_t start = *base + *offset;
        if (start < *base || start > source.size()) {
          whole = false;
          continue;
        }
        const std::uint64_t available = source.size() - start;
        if (*length > available) whole = false;
        parts.push_back(source.subspan(static_cast<std::size_t>(start),
                                       static_cast<std::size_t>(*length == 0 ? available : std::min(*length, available))));
      }
      if (*id != itemId) continue;
      if (!whole) return std::nullopt;
      return parts;
    }
    return std::nullopt;
  }

  // The payload of the item's property of the type, from "ipco" and "ipma".
  std::optional<Bytes> property(std::uint32_t itemId, std::string_view type) const {
    if (!iprp) return std::nullopt;
    const std::vector<Box> children = boxesIn(iprp->payload);
    const Box* ipco = find(children, "ipco");
    if (!ipco) return std::nullopt;
    const std::vector<Box> properties = boxesIn(ipco->payload);
    for (const Box& ipma : children) {
      if (!ipma.is("ipma")) continue;
      Reader r(ipma.payload);
      const auto version = r.read(1);
      const auto flags = r.read(3);
      const auto count = r.read(4);
      if (!version || !flags || !count) return std::nullopt;
      for (std::uint64_t i = 0; i < *count; ++i) {
        const auto id = r.read(*version < 1 ? 2 : 4);
        const auto associations = r.read(1);
        if (!id || !associations) return std::nullopt;
        for (std::uint64_t a = 0; a < *associations; ++a) {
          const bool wide = (*flags & 1) != 0;
          const auto entry = r.read(wide ? 2 : 1);
          if (!entry) return std::nullopt;
          const std::uint64_t index = *entry & (wide ? 0x7FFF : 0x7F);  // 1-based; 0 is none
          if (*id == itemId && index >= 1 && index <= properties.size() && properties[index - 1].is(type))
            return properties[index - 1].payload;
        }
      }
    }
    return std::nullopt;
  }
};

// The grid's output size from its item data: version, flags, rows - 1, columns - 1, then
// width and height in 16 bits (32 with flag bit 0).
std::optional<HEIFGridSize> gridSize(const std::vector<Bytes>& parts) {
  if (parts.empty()) return std::nullopt;
  Reader r(parts.front());
  const auto version = r.read(1);
  const auto flags = r.read(1);
  if (!version || !flags || !r.skip(2)) return std::nullopt;
  const std::size_t fieldSize = (*flags & 1) ? 4 : 2;
  const auto width = r.read(fieldSize);
  const auto height = r.read(fieldSize);
  if (!width || !height) return std::nullopt;
  return HEIFGridSize{static_cast<std::uint32_t>(*width), static_cast<std::uint32_t>(*height)};
}

struct DecoderRelease {
  void operator()(de265_decoder_context* context) const { de265_free_decoder(context); }
};

// Hands the NAL units of the bytes, each after a big-endian length of lengthSize bytes, to
// the decoder; false when the lengths do not fit the bytes.
bool pushNALUnits(de265_decoder_context* decoder, Bytes bytes, std::size_t lengthSize) {
  Reader r(bytes);
  while (r.left() > 0) {
    const auto length = r.read(lengthSize);
    const auto unit = length ? r.take(static_cast<std::size_t>(*length)) : std::nullopt;
    if (!unit) return false;
    if (de265_push_NAL(decoder, unit->data(), static_cast<int>(unit->size()), 0, nullptr) != DE265_OK) return false;
  }
  return true;
}

// Decodes one HEVC item: the parameter sets of its "hvcC" property, then its data.
void checkHEVCItem(const Items& items, std::uint32_t id) {
  const std::string item = "HEVC item " + std::to_string(id);
  const std::optional<Bytes> config = items.property(id, "hvcC");
  const std::optional<std::vector<Bytes>> parts = items.data(id);
  if (!config || !parts) undecodable(item + " without its data or decoder configuration");
  std::unique_ptr<de265_decoder_context, DecoderRelease> decoder(de265_new_decoder());
  if (!decoder) undecodable("cannot decode " + item);
  // Damage shows while the slices are parsed; the loop filters only cost time here.
  de265_set_parameter_bool(decoder.get(), DE265_DECODER_PARAM_DISABLE_DEBLOCKING, 1);
  de265_set_parameter_bool(decoder.get(), DE265_DECODER_PARAM_DISABLE_SAO, 1);

  // hvcC: 21 bytes of profile and format, the NAL length size, then arrays of parameter
  // sets, each unit after a 16-bit length.
  Reader r(*config);
  const auto lengthSizeMinusOne = r.skip(21) ? r.read(1) : std::nullopt;
  const auto arrays = r.read(1);
  if (!lengthSizeMinusOne || !arrays) undecodable(item + ": damaged decoder configuration");
  for (std::uint64_t a = 0; a < *arrays; ++a) {
    const auto units = r.skip(1) ? r.read(2) : std::nullopt;
    if (!units) undecodable(item + ": damaged decoder configuration");
    for (std::uint64_t u = 0; u < *units; ++u) {
      const auto length = r.read(2);
      const auto unit = length ? r.take(static_cast<std::size_t>(*length)) : std::nullopt;
      if (!unit || de265_push_NAL(decoder.get(), unit->data(), static_cast<int>(unit->size()), 0, nullptr) != DE265_OK)
        undecodable(item + ": damaged decoder configuration");
    }
  }
  const std::size_t lengthSize = static_cast<std::size_t>(*lengthSizeMinusOne & 3) + 1;
  for (const Bytes part : *parts)
    if (!pushNALUnits(decoder.get(), part, lengthSize)) undecodable(item + ": damaged coded data");
  de265_flush_data(decoder.get());

  int more = 1;
  while (more) {
    const de265_error error = de265_decode(decoder.get(), &more);
    while (de265_get_next_picture(decoder.get())) {
    }
    if (error != DE265_OK && error != DE265_ERROR_WAITING_FOR_INPUT_DATA)
      undecodable(item + ": " + de265_get_error_text(error));
    if (error == DE265_ERROR_WAITING_FOR_INPUT_DATA) break;
  }
  if (const de265_error warning = de265_get_warning(decoder.get()); warning != DE265_OK)
    undecodable(item + ": damaged coded data (" + de265_get_error_text(warning) + ")");
}

}  // namespace

std::vector<HEIFGridSize> imageio::heifGridSizes(std::span<const std::uint8_t> data) {
  const Items items(data);
  std::vector<HEIFGridSize> sizes;
  for (const std::uint32_t id : items.idsOfType("grid")) {
    const std::optional<std::vector<Bytes>> parts = items.data(id);
    const std::optional<HEIFGridSize> size = parts ? gridSize(*parts) : std::nullopt;
    if (!size) undecodable("HEIF grid without readable data");
    sizes.push_back(*size);
  }
  return sizes;
}

void imageio::checkHEVCItems(std::span<const std::uint8_t> data) {
  const Items items(data);
  for (const std::uint32_t id : items.idsOfType("hvc1")) checkHEVCItem(items, id);
}
