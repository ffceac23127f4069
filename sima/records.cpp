#include "sima/records.h"

#include <stdexcept>

namespace kestrel {

namespace {

constexpr std::size_t kShortText = 0x80;  // shorter texts have a one-byte length, others four

}  // namespace

uint32_t TextArena::add(std::string_view text) {
  constexpr std::size_t kBlock = std::size_t{1} << kBlockBits;
  constexpr std::size_t kBlocks = kIdLimit >> kBlockBits;
  if (text.size() >= kIdLimit) throw std::length_error("a text of 2 GiB or more");
  const std::size_t length = text.size();
  const std::size_t need = (length < kShortText ? 1 : 4) + length;
  if (blocks_.empty() || blocks_.back().size() + need > kBlock) {
    if (blocks_.size() == kBlocks) throw std::length_error("texts past their 2 GiB of ids");
    blocks_.emplace_back().reserve(need > kBlock ? need : kBlock);
  }
  std::vector<char>& block = blocks_.back();
  const uint32_t id = static_cast<uint32_t>(((blocks_.size() - 1) << kBlockBits) | block.size());
  if (length < kShortText) {
    block.push_back(static_cast<char>(length));
  } else {
    for (int shift : {24, 16, 8, 0})
      block.push_back(static_cast<char>(((length >> shift) & 0xFF) | (shift == 24 ? 0x80 : 0)));
  }
  block.insert(block.end(), text.begin(), text.end());
  return id;
}

std::string_view TextArena::text(uint32_t id) const {
  const std::vector<char>& block = blocks_[id >> kBlockBits];
  const char* at = block.data() + (id & ((uint32_t{1} << kBlockBits) - 1));
  std::size_t length = static_cast<unsigned char>(*at++);
  if (length >= kShortText) {
    length &= 0x7F;
    for (int i = 0; i < 3; ++i) length = (length << 8) | static_cast<unsigned char>(*at++);
  }
  return {at, length};
}

}  // namespace kestrel
