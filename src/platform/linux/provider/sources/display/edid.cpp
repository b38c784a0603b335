#include "platform/linux/provider/sources/display/edid.h"

#include <array>

namespace hwident {
namespace {

constexpr std::size_t kBlockSize = 128;
constexpr std::size_t kDescriptorOffsets[] = {54, 72, 90, 108};
constexpr std::size_t kDescriptorSize = 18;
constexpr std::uint8_t kMonitorNameTag = 0xFC;

// Every read goes through the block held as a fixed array, so no offset can
// leave it.
using Block = std::array<std::uint8_t, kBlockSize>;

// The 13 text bytes of a display descriptor end at a line feed and are
// padded with blanks. Real monitors also end the text with a NUL, pad it
// with 0xFF or put an 8-bit byte after it, so the name is the printable
// ASCII from the first byte up to the first byte that is not; only a name
// with nothing readable before that is refused.
std::optional<std::string> DescriptorText(const Block& block, std::size_t at) {
  std::string text;
  for (std::size_t i = at + 5; i < at + kDescriptorSize; ++i) {
    const std::uint8_t c = block[i];
    if (c < 0x20 || c > 0x7E) break;
    text += static_cast<char>(c);
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.empty()) return std::nullopt;
  return text;
}

// Three letters of five bits each, 1 for A, big-endian; bit 15 is zero.
// Some monitors ship codes outside 1-26: no maker, but the rest of the
// block is as good as its checksum.
std::optional<std::string> MakerId(const Block& block) {
  const unsigned packed = (block[8] << 8) | block[9];
  if ((packed & 0x8000) != 0) return std::nullopt;
  std::string maker;
  for (const int shift : {10, 5, 0}) {
    const unsigned letter = (packed >> shift) & 0x1F;
    if (letter < 1 || letter > 26) return std::nullopt;
    maker += static_cast<char>('A' + letter - 1);
  }
  return maker;
}

std::optional<EdidTiming> DetailedTiming(const Block& b, std::size_t at) {
  const unsigned clock10kHz = b[at] | (b[at + 1] << 8);
  if (clock10kHz == 0) return std::nullopt;  // a display descriptor, not a timing
  EdidTiming timing;
  timing.width = b[at + 2] | ((b[at + 4] & 0xF0) << 4);
  const int hBlank = b[at + 3] | ((b[at + 4] & 0x0F) << 8);
  const int lines = b[at + 5] | ((b[at + 7] & 0xF0) << 4);
  const int vBlank = b[at + 6] | ((b[at + 7] & 0x0F) << 8);
  if (timing.width == 0 || lines == 0) return std::nullopt;
  const long long lineLength = timing.width + hBlank;
  const long long hertz = static_cast<long long>(clock10kHz) * 10000;
  // An interlaced timing's vertical numbers count one field. A frame holds
  // two fields and one line more (each field is half a line longer than the
  // timing can say); the rate is fields per second, what the kernel gives
  // the mode (1080i: 60, not 30 frames, nor 120 from one field's lines).
  timing.interlaced = (b[at + 17] & 0x80) != 0;
  if (timing.interlaced) {
    timing.height = 2 * lines;
    const long long frameLines = 2LL * (lines + vBlank) + 1;
    timing.refreshHz =
        static_cast<int>((2 * hertz + lineLength * frameLines / 2) / (lineLength * frameLines));
  } else {
    timing.height = lines;
    const long long pixels = lineLength * (lines + vBlank);
    timing.refreshHz = static_cast<int>((hertz + pixels / 2) / pixels);
  }
  return timing;
}

}  // namespace

std::optional<EdidIdentity> ParseEdid(std::string_view bytes) {
  if (bytes.size() < kBlockSize) return std::nullopt;
  Block block{};
  for (std::size_t i = 0; i < kBlockSize; ++i) block[i] = static_cast<std::uint8_t>(bytes[i]);
  static constexpr std::uint8_t kHeader[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  for (std::size_t i = 0; i < sizeof kHeader; ++i) {
    if (block[i] != kHeader[i]) return std::nullopt;
  }
  unsigned sum = 0;
  for (const std::uint8_t byte : block) sum += byte;
  if (sum % 256 != 0) return std::nullopt;

  EdidIdentity edid;
  edid.maker = MakerId(block);
  edid.product = static_cast<std::uint16_t>(block[10] | (block[11] << 8));
  edid.preferred = DetailedTiming(block, kDescriptorOffsets[0]);
  for (const std::size_t at : kDescriptorOffsets) {
    if (block[at] != 0 || block[at + 1] != 0 || block[at + 3] != kMonitorNameTag) continue;
    // A monitor may leave its first name descriptor empty and fill a
    // later one.
    edid.name = DescriptorText(block, at);
    if (edid.name) break;
  }
  return edid;
}

std::optional<std::string> EdidHardwareId(const EdidIdentity& edid) {
  if (!edid.maker) return std::nullopt;
  static const char kDigits[] = "0123456789ABCDEF";
  std::string id = "DISPLAY\\" + *edid.maker;
  for (const int shift : {12, 8, 4, 0}) id += kDigits[(edid.product >> shift) & 0xF];
  return id;
}

}  // namespace hwident
