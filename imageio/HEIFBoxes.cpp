#include "imageio/HEIFBoxes.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "imageio/ImageReadWriteError.hpp"
#include "platform/graphics/Image.hpp"
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

// The item types that hold or derive a picture, as libheif reads them: it asserts on a
// derived image whose input is an item of another type (JPEG, JPEG 2000, H.264 and
// uncompressed items are no images to it).
bool isImageType(std::string_view type) {
  for (const std::string_view image : {"hvc1", "av01", "vvc1", "grid", "iden", "iovl"})
    if (type == image) return true;
  return false;
}

// The item boxes of the file's top-level "meta" box, each table read once into an index
// by item id: a file may list an id again and again, and a lookup that walked a table
// from its start for each of them would take time in the square of the file's size. An id
// listed again is the item it first named: its later entries are passed over.
class Items {
 public:
  explicit Items(Bytes data) : file_(data) {
    const std::vector<Box> top = boxesIn(data);
    const Box* meta = find(top, "meta");
    if (!meta || meta->payload.size() < 4) return;
    const std::vector<Box> boxes = boxesIn(meta->payload.subspan(4));
    if (const Box* idat = find(boxes, "idat")) idat_ = idat->payload;
    if (const Box* iinf = find(boxes, "iinf")) indexTypes(iinf->payload);
    if (const Box* iloc = find(boxes, "iloc")) indexLocations(iloc->payload);
    if (const Box* iprp = find(boxes, "iprp")) indexProperties(iprp->payload);
    if (const Box* iref = find(boxes, "iref")) indexReferences(iref->payload);
  }

  // The most items the file's tables hold or declare: item entries, item locations and
  // property associations, each table counted apart, repeated ids included.
  std::uint64_t count() const { return count_; }

  // The items whose decoding decodes the item first: the inputs of a derived image
  // ("dimg": grid tiles, the image an identity or overlay stands for) and the auxiliary
  // images of an image ("auxl", its alpha plane), as "iref" lists them.
  const std::unordered_map<std::uint32_t, std::vector<std::uint32_t>>& inputs() const { return inputs_; }
  // An input of a derived image that is no image item (missing, or of another type), which
  // the HEIF library asserts against; none when every input is one.
  std::optional<std::uint32_t> inputNotAnImage() const { return inputNotAnImage_; }

  // The ids of the items of the type, each once.
  std::vector<std::uint32_t> idsOfType(std::string_view type) const {
    std::vector<std::uint32_t> ids;
    for (const auto& [id, itemType] : types_)
      if (std::string_view(itemType.data(), 4) == type) ids.push_back(id);
    return ids;
  }

  // The item's data, extent by extent, from "iloc" (in the file or in "idat"); none when
  // it cannot be located.
  std::optional<std::vector<Bytes>> data(std::uint32_t itemId) const {
    const auto found = locations_.find(itemId);
    if (found == locations_.end()) return std::nullopt;
    const Location& at = found->second;
    const Bytes source = at.method == 1 ? idat_ : file_;
    Reader r(iloc_.subspan(at.extents));
    std::vector<Bytes> parts;
    bool whole = at.method <= 1;
    for (std::uint64_t e = 0; e < at.extentCount; ++e) {
      r.skip(indexSize_);
      const std::uint64_t offset = *r.read(offsetSize_), length = *r.read(lengthSize_);  // indexed whole
      // A length of 0 means the rest of the source.
      const std::uint64_t start = at.base + offset;
      if (start < at.base || start > source.size()) {
        whole = false;
        continue;
      }
      const std::uint64_t available = source.size() - start;
      if (length > available) whole = false;
      parts.push_back(source.subspan(static_cast<std::size_t>(start),
                                     static_cast<std::size_t>(length == 0 ? available : std::min(length, available))));
    }
    if (!whole) return std::nullopt;
    return parts;
  }

  // The payload of the item's property of the type, from "ipco" and "ipma".
  std::optional<Bytes> property(std::uint32_t itemId, std::string_view type) const {
    const auto found = associations_.find(itemId);
    if (found == associations_.end()) return std::nullopt;
    for (const std::size_t index : found->second)  // 1-based; 0 is none
      if (index >= 1 && index <= properties_.size() && properties_[index - 1].is(type))
        return properties_[index - 1].payload;
    return std::nullopt;
  }

 private:
  // An item's record in "iloc": its extents are read when its data is asked for.
  struct Location {
    std::uint64_t method = 0;
    std::uint64_t base = 0;
    std::uint64_t extentCount = 0;
    std::size_t extents = 0;  // where the first extent starts in the table
  };

  void indexTypes(Bytes iinf) {
    Reader r(iinf);
    const auto version = r.read(1);
    const auto declared = version ? (r.skip(3) ? r.read(*version == 0 ? 2 : 4) : std::nullopt) : std::nullopt;
    if (!declared) return;
    counted(*declared);
    std::unordered_set<std::uint32_t> seen;
    const std::vector<Box> entries = boxesIn(iinf.subspan(r.position()));
    counted(entries.size());
    for (const Box& infe : entries) {
      if (!infe.is("infe")) continue;
      Reader e(infe.payload);
      const auto infeVersion = e.read(1);
      if (!infeVersion || *infeVersion < 2 || !e.skip(3)) continue;  // older entries carry no type
      const auto id = e.read(*infeVersion == 2 ? 2 : 4);
      const auto itemType = (id && e.skip(2)) ? e.take(4) : std::nullopt;
      if (!itemType || !seen.insert(static_cast<std::uint32_t>(*id)).second) continue;
      types_.emplace_back(static_cast<std::uint32_t>(*id), std::array<char, 4>{});
      std::memcpy(types_.back().second.data(), itemType->data(), 4);
    }
  }

  // Indexes the records up to the first one that is cut off.
  void indexLocations(Bytes iloc) {
    iloc_ = iloc;
    Reader r(iloc);
    const auto version = r.read(1);
    if (!version || *version > 2 || !r.skip(3)) return;
    const auto sizes = r.read(2);
    if (!sizes) return;
    offsetSize_ = (*sizes >> 12) & 15;
    lengthSize_ = (*sizes >> 8) & 15;
    indexSize_ = *version >= 1 ? (*sizes & 15) : 0;
    const std::size_t baseOffsetSize = (*sizes >> 4) & 15;
    if (offsetSize_ > 8 || lengthSize_ > 8) return;  // only 0, 4 and 8 are valid
    const auto count = r.read(*version < 2 ? 2 : 4);
    if (!count) return;
    counted(*count);
    for (std::uint64_t i = 0; i < *count; ++i) {
      const auto id = r.read(*version < 2 ? 2 : 4);
      Location location;
      if (*version >= 1) {
        const auto method = r.read(2);
        if (!method) return;
        location.method = *method & 15;
      }
      if (!id || !r.skip(2)) return;  // data reference index
      const auto base = r.read(baseOffsetSize);
      const auto extents = r.read(2);
      if (!base || !extents) return;
      location.base = *base;
      location.extentCount = *extents;
      location.extents = r.position();
      if (!r.skip(*extents * (indexSize_ + offsetSize_ + lengthSize_))) return;
      locations_.emplace(static_cast<std::uint32_t>(*id), location);
    }
  }

  // Indexes the associations up to the first one that is cut off.
  void indexProperties(Bytes iprp) {
    const std::vector<Box> children = boxesIn(iprp);
    const Box* ipco = find(children, "ipco");
    if (!ipco) return;
    properties_ = boxesIn(ipco->payload);
    for (const Box& ipma : children) {
      if (!ipma.is("ipma")) continue;
      Reader r(ipma.payload);
      const auto version = r.read(1);
      const auto flags = r.read(3);
      const auto count = r.read(4);
      if (!version || !flags || !count) return;
      const bool wide = (*flags & 1) != 0;
      counted(*count);
      for (std::uint64_t i = 0; i < *count; ++i) {
        const auto id = r.read(*version < 1 ? 2 : 4);
        const auto associations = r.read(1);
        if (!id || !associations) return;
        std::vector<std::uint16_t>& indices = associations_[static_cast<std::uint32_t>(*id)];
        for (std::uint64_t a = 0; a < *associations; ++a) {
          const auto entry = r.read(wide ? 2 : 1);
          if (!entry) return;
          indices.push_back(static_cast<std::uint16_t>(*entry & (wide ? 0x7FFF : 0x7F)));
        }
      }
    }
  }

  // Indexes the references as libheif reads them: one after another, each a box header
  // whose size it passes over, the id the reference is from, a count and the ids it is to,
  // in 16 bits (32 from version 1); the last list of ids may stop at the end of the box.
  void indexReferences(Bytes iref) {
    Reader r(iref);
    const auto version = r.read(1);
    if (!version || !r.skip(3)) return;
    const std::size_t idSize = *version == 0 ? 2 : 4;
    std::unordered_set<std::uint32_t> images;
    for (const auto& [id, itemType] : types_)
      if (isImageType(std::string_view(itemType.data(), 4))) images.insert(id);
    while (r.left() > 0) {
      const auto size = r.read(4);
      const auto type = r.take(4);
      if (!size || !type || (*size == 1 && !r.skip(8))) return;
      const std::string_view kind(reinterpret_cast<const char*>(type->data()), 4);
      if (kind == "uuid" && !r.skip(16)) return;
      const bool master = kind == "auxl";  // from the auxiliary image to its master
      const auto from = r.read(idSize);
      const auto count = r.read(2);
      if (!from || !count) return;
      for (std::uint64_t i = 0; i < *count && r.left() > 0; ++i) {
        const auto to = r.read(idSize);
        if (!to) return;
        if (kind != "dimg" && !master) continue;
        if (master) inputs_[static_cast<std::uint32_t>(*to)].push_back(static_cast<std::uint32_t>(*from));
        else inputs_[static_cast<std::uint32_t>(*from)].push_back(static_cast<std::uint32_t>(*to));
        if (!master && !images.contains(static_cast<std::uint32_t>(*to))) inputNotAnImage_ = static_cast<std::uint32_t>(*to);
      }
    }
  }

  void counted(std::uint64_t count) { count_ = std::max(count_, count); }

  Bytes file_;
  Bytes idat_;
  Bytes iloc_;
  std::size_t offsetSize_ = 0, lengthSize_ = 0, indexSize_ = 0;
  std::vector<std::pair<std::uint32_t, std::array<char, 4>>> types_;
  std::unordered_map<std::uint32_t, Location> locations_;
  std::vector<Box> properties_;
  std::unordered_map<std::uint32_t, std::vector<std::uint16_t>> associations_;
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> inputs_;
  std::optional<std::uint32_t> inputNotAnImage_;
  std::uint64_t count_ = 0;
};

// The longest chain of inputs (above) from any item, in steps: 0 when no item has inputs,
// 2 for an identity over a grid of tiles. None when a chain comes back to an item it
// passed. Walked without recursion, each item finished once, however deep the chain.
std::optional<std::size_t> longestChain(const std::unordered_map<std::uint32_t, std::vector<std::uint32_t>>& inputs) {
  std::unordered_map<std::uint32_t, std::size_t> depth;  // of the items finished
  std::unordered_set<std::uint32_t> open;                // on the walk's path
  std::size_t longest = 0;
  for (const auto& [start, unused] : inputs) {
    if (depth.contains(start)) continue;
    std::vector<std::pair<std::uint32_t, std::size_t>> path{{start, 0}};  // item, next input to walk
    open.insert(start);
    while (!path.empty()) {
      const std::uint32_t id = path.back().first;
      const auto found = inputs.find(id);
      const std::vector<std::uint32_t>* next = found == inputs.end() ? nullptr : &found->second;
      if (next && path.back().second < next->size()) {
        const std::uint32_t input = (*next)[path.back().second++];
        if (open.contains(input)) return std::nullopt;
        if (!depth.contains(input)) {
          open.insert(input);
          path.emplace_back(input, 0);
        }
        continue;
      }
      std::size_t d = 0;
      if (next)
        for (const std::uint32_t input : *next) d = std::max(d, depth.at(input) + 1);
      depth.emplace(id, d);
      longest = std::max(longest, d);
      open.erase(id);
      path.pop_back();
    }
  }
  return longest;
}

// The grid's output size from its item data: version, flags, rows - 1, columns - 1, then
// width and height in 16 bits (32 with flag bit 0).
// The canvas size in a grid's or an overlay's data: after version and flags, a grid has its
// rows and columns (a byte each), an overlay its fill colour (four 16-bit values); then the
// width and height, 16 bits each or 32 when flag 1 is set.
std::optional<HEIFCanvasSize> canvasSize(const char* kind, const std::vector<Bytes>& parts) {
  if (parts.empty()) return std::nullopt;
  Reader r(parts.front());
  const auto version = r.read(1);
  const auto flags = r.read(1);
  if (!version || !flags || !r.skip(std::string_view(kind) == "grid" ? 2 : 8)) return std::nullopt;
  const std::size_t fieldSize = (*flags & 1) ? 4 : 2;
  const auto width = r.read(fieldSize);
  const auto height = r.read(fieldSize);
  if (!width || !height) return std::nullopt;
  return HEIFCanvasSize{kind, static_cast<std::uint32_t>(*width), static_cast<std::uint32_t>(*height)};
}

// The bits of a NAL unit's payload after its two-byte header, with the emulation
// prevention bytes (the 03 of 00 00 03) taken out; reading past the end gives none.
class PayloadBits {
 public:
  explicit PayloadBits(Bytes unit) : bytes_(unit), at_(2) {}

  std::optional<std::uint64_t> bits(int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) {
      if (bitsLeft_ == 0 && !nextByte()) return std::nullopt;
      --bitsLeft_;
      value = (value << 1) | ((current_ >> bitsLeft_) & 1u);
    }
    return value;
  }
  // An unsigned exp-Golomb code, ue(v).
  std::optional<std::uint64_t> ue() {
    int zeros = 0;
    for (;;) {
      const auto bit = bits(1);
      if (!bit) return std::nullopt;
      if (*bit) break;
      if (++zeros > 32) return std::nullopt;
    }
    const auto rest = bits(zeros);
    if (!rest) return std::nullopt;
    return ((std::uint64_t{1} << zeros) - 1) + *rest;
  }

 private:
  bool nextByte() {
    if (at_ >= bytes_.size()) return false;
    std::uint8_t byte = bytes_[at_++];
    if (zeros_ >= 2 && byte == 3) {
      zeros_ = 0;
      if (at_ >= bytes_.size()) return false;
      byte = bytes_[at_++];
    }
    zeros_ = byte == 0 ? zeros_ + 1 : 0;
    current_ = byte;
    bitsLeft_ = 8;
    return true;
  }

  Bytes bytes_;
  std::size_t at_;
  int zeros_ = 0;
  std::uint8_t current_ = 0;
  int bitsLeft_ = 0;
};

constexpr unsigned kSequenceParameterSet = 33;

unsigned nalType(Bytes unit) { return unit.empty() ? 64u : (unit[0] >> 1) & 63u; }

struct CodedSize {
  std::uint64_t width = 0;
  std::uint64_t height = 0;
};

// The picture size (pic_width_in_luma_samples, pic_height_in_luma_samples) of a sequence
// parameter set, or none when it cannot be read.
std::optional<CodedSize> codedSizeOf(Bytes sps) {
  if (sps.size() < 3) return std::nullopt;
  PayloadBits b(sps);
  const auto head = b.bits(8);  // video parameter set id, max_sub_layers_minus1, nesting flag
  if (!head) return std::nullopt;
  const int subLayers = static_cast<int>((*head >> 1) & 7);
  if (subLayers > 6) return std::nullopt;
  // profile_tier_level: the general profile (88 bits) and level (8 bits), then each sub
  // layer's flags, padding to eight, and the profiles and levels the flags announce.
  if (!b.bits(48) || !b.bits(48)) return std::nullopt;
  bool profilePresent[6] = {}, levelPresent[6] = {};
  for (int i = 0; i < subLayers; ++i) {
    const auto flags = b.bits(2);
    if (!flags) return std::nullopt;
    profilePresent[i] = (*flags & 2) != 0;
    levelPresent[i] = (*flags & 1) != 0;
  }
  if (subLayers > 0 && !b.bits(2 * (8 - subLayers))) return std::nullopt;
  for (int i = 0; i < subLayers; ++i) {
    if (profilePresent[i] && (!b.bits(44) || !b.bits(44))) return std::nullopt;
    if (levelPresent[i] && !b.bits(8)) return std::nullopt;
  }
  const auto id = b.ue();
  const auto chroma = id ? b.ue() : std::nullopt;
  if (!chroma || *chroma > 3) return std::nullopt;
  if (*chroma == 3 && !b.bits(1)) return std::nullopt;  // separate_colour_plane_flag
  const auto width = b.ue();
  const auto height = width ? b.ue() : std::nullopt;
  if (!height || *width == 0 || *height == 0) return std::nullopt;
  return CodedSize{*width, *height};
}

// The NAL units of the bytes, each after a big-endian length of lengthSize bytes; none when
// the lengths do not fit the bytes.
std::optional<std::vector<Bytes>> nalUnitsIn(Bytes bytes, std::size_t lengthSize) {
  std::vector<Bytes> units;
  Reader r(bytes);
  while (r.left() > 0) {
    const auto length = r.read(lengthSize);
    const auto unit = length ? r.take(static_cast<std::size_t>(*length)) : std::nullopt;
    if (!unit) return std::nullopt;
    units.push_back(*unit);
  }
  return units;
}

// One HEVC item as the decoder gets it: the parameter sets of its "hvcC" property, then
// the NAL units of its data.
struct HEVCItem {
  std::string name;
  std::vector<Bytes> units;
  std::optional<CodedSize> declared;  // from "ispe"
};

HEVCItem hevcItem(const Items& items, std::uint32_t id) {
  HEVCItem item{"HEVC item " + std::to_string(id), {}, std::nullopt};
  const std::optional<Bytes> config = items.property(id, "hvcC");
  const std::optional<std::vector<Bytes>> parts = items.data(id);
  if (!config || !parts) undecodable(item.name + " without its data or decoder configuration");
  // hvcC: 21 bytes of profile and format, the NAL length size, then arrays of parameter
  // sets, each unit after a 16-bit length.
  Reader r(*config);
  const auto lengthSizeMinusOne = r.skip(21) ? r.read(1) : std::nullopt;
  const auto arrays = r.read(1);
  if (!lengthSizeMinusOne || !arrays) undecodable(item.name + ": damaged decoder configuration");
  for (std::uint64_t a = 0; a < *arrays; ++a) {
    const auto units = r.skip(1) ? r.read(2) : std::nullopt;
    if (!units) undecodable(item.name + ": damaged decoder configuration");
    for (std::uint64_t u = 0; u < *units; ++u) {
      const auto length = r.read(2);
      const auto unit = length ? r.take(static_cast<std::size_t>(*length)) : std::nullopt;
      if (!unit) undecodable(item.name + ": damaged decoder configuration");
      item.units.push_back(*unit);
    }
  }
  const std::size_t lengthSize = static_cast<std::size_t>(*lengthSizeMinusOne & 3) + 1;
  for (const Bytes part : *parts) {
    const auto units = nalUnitsIn(part, lengthSize);
    if (!units) undecodable(item.name + ": damaged coded data");
    item.units.insert(item.units.end(), units->begin(), units->end());
  }
  // ispe: version and flags, then width and height in 32 bits.
  if (const std::optional<Bytes> ispe = items.property(id, "ispe")) {
    Reader s(*ispe);
    const auto width = s.skip(4) ? s.read(4) : std::nullopt;
    const auto height = s.read(4);
    if (width && height) item.declared = CodedSize{*width, *height};
  }
  return item;
}

std::string sizeText(std::uint64_t width, std::uint64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// The pixels the decoder will make for the item: every picture it holds at the largest
// size its sequence parameter sets give. Fails when the item declares no usable size, a
// parameter set cannot be read or codes a picture larger than the item declares.
std::uint64_t codedPixelsOf(const HEVCItem& item) {
  constexpr std::uint64_t maxSide = gfx::Image::maxDimension;
  if (!item.declared) undecodable(item.name + " without its declared size");
  const CodedSize d = *item.declared;
  if (d.width == 0 || d.height == 0 || d.width > maxSide || d.height > maxSide)
    undecodable(item.name + " declares a size that is not usable: " + sizeText(d.width, d.height));
  std::uint64_t largest = 0, pictures = 0;
  for (const Bytes unit : item.units) {
    const unsigned type = nalType(unit);
    // A slice that starts a picture: first_slice_segment_in_pic_flag, the payload's first bit.
    if (type < 32 && unit.size() > 2 && (unit[2] & 0x80)) ++pictures;
    if (type != kSequenceParameterSet) continue;
    const std::optional<CodedSize> coded = codedSizeOf(unit);
    if (!coded) undecodable(item.name + ": damaged sequence parameter set");
    // Encoders pad the picture to whole coding blocks (at most 64 samples); the rest is
    // cropped away.
    if (coded->width > (d.width + 63) / 64 * 64 || coded->height > (d.height + 63) / 64 * 64)
      undecodable(item.name + ": coded picture of " + sizeText(coded->width, coded->height) +
                  " is larger than its declared " + sizeText(d.width, d.height));
    largest = std::max(largest, coded->width * coded->height);
  }
  // A picture is allocated even when no slice says it starts one.
  return largest * std::max<std::uint64_t>(pictures, 1);
}

}  // namespace

std::vector<HEIFCanvasSize> imageio::heifCanvasSizes(std::span<const std::uint8_t> data) {
  const Items items(data);
  std::vector<HEIFCanvasSize> sizes;
  for (const auto& [type, kind] : {std::pair{"grid", "grid"}, std::pair{"iovl", "overlay"}})
    for (const std::uint32_t id : items.idsOfType(type)) {
      const std::optional<std::vector<Bytes>> parts = items.data(id);
      const std::optional<HEIFCanvasSize> size = parts ? canvasSize(kind, *parts) : std::nullopt;
      if (!size) undecodable(std::string("HEIF ") + kind + " without readable data");
      sizes.push_back(*size);
    }
  return sizes;
}

void imageio::checkHEIFItems(std::span<const std::uint8_t> data) {
  const Items items(data);
  if (items.count() > kMaxHEIFItems)
    undecodable("HEIF file of " + std::to_string(items.count()) + " items, more than " + std::to_string(kMaxHEIFItems));
  const std::optional<std::size_t> depth = longestChain(items.inputs());
  if (const auto input = items.inputNotAnImage())
    undecodable("HEIF image derived from item " + std::to_string(*input) + ", which is no image");
  if (!depth) undecodable("HEIF image derived from itself");
  if (*depth > kMaxHEIFDerivation)
    undecodable("HEIF image derived through " + std::to_string(*depth) + " levels of items, more than " +
                std::to_string(kMaxHEIFDerivation));
}

void imageio::checkHEVCItems(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  const Items items(data);
  const std::vector<std::uint32_t> ids = items.idsOfType("hvc1");
  if (ids.size() > kMaxHEVCItems)
    undecodable("HEIF file of " + std::to_string(ids.size()) + " HEVC items, more than " +
                std::to_string(kMaxHEVCItems));
  const std::uint64_t limit = kHEVCPixelsPerImage * std::max<std::uint64_t>(maxPixels, kHEVCMinimumImagePixels);
  std::uint64_t total = 0;
  for (const std::uint32_t id : ids) {
    total += codedPixelsOf(hevcItem(items, id));
    if (total > limit)
      undecodable("HEIF file whose HEVC items code more than " + std::to_string(limit) + " pixels");
  }
}

std::vector<std::uint8_t> imageio::heifExif(std::span<const std::uint8_t> data) {
  const Items items(data);
  const std::vector<std::uint32_t> ids = items.idsOfType("Exif");
  const std::optional<std::vector<Bytes>> parts = ids.empty() ? std::nullopt : items.data(ids.front());
  if (!parts) return {};
  std::vector<std::uint8_t> item;
  for (const Bytes& part : *parts) item.insert(item.end(), part.begin(), part.end());
  Reader r(item);
  const auto offset = r.read(4);
  if (!offset || !r.skip(static_cast<std::size_t>(*offset))) return {};
  item.erase(item.begin(), item.begin() + static_cast<std::ptrdiff_t>(r.position()));
  return item;
}
