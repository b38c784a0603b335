#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/tokenizer.h"

// Input: one byte n, then n delimiter bytes, then the text. The tokens must
// be the text's non-empty runs of non-delimiters, in order.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t count = std::min<std::size_t>(data[0], size - 1);
  const std::string_view delimiters = input.substr(1, count);
  const std::string_view text = input.substr(1 + count);

  std::string expected;  // tokens joined by one delimiter-free marker each
  std::string current;
  for (const char byte : text) {
    if (delimiters.find(byte) != std::string_view::npos) {
      if (!current.empty()) expected += current + '\n';
      current.clear();
    } else {
      current += byte;
    }
  }
  if (!current.empty()) expected += current + '\n';

  hwident::CTokenizer tokenizer(text, delimiters);
  std::string actual;
  hwident::NarrowText token;
  while (tokenizer.NextToken(token)) {
    if (token.empty()) std::abort();
    actual += token + '\n';
  }
  if (!token.empty() || tokenizer.NextToken(token) || actual != expected) std::abort();
  return 0;
}
