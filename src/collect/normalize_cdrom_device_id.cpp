#include "collect/normalize_cdrom_device_id.h"

#include <string_view>

#include "text/tokenizer.h"

namespace hwident {

void NormalizeCdromDeviceId(NarrowText& text) {
  constexpr std::string_view kPrefix = "\"IDE\\CDROM";
  if (text.find(kPrefix) == NarrowText::npos) return;
  // The rest is the rightmost (length - 10) bytes whatever the prefix was
  // found: a prefix found later leaves part of itself in the rest.
  const NarrowText rest = text.substr(kPrefix.size());
  text.clear();
  CTokenizer tokenizer(rest, "_");
  NarrowText token;
  // The first field is read even when there is none; an empty token then
  // stands for it. Only later fields get a space in front, so a dropped
  // first field leaves the first kept word behind a space.
  tokenizer.NextToken(token);
  if (token.find('\\') == NarrowText::npos) text += token;
  while (tokenizer.NextToken(token)) {
    if (token.find('\\') != NarrowText::npos) continue;
    text += ' ';
    text += token;
  }
}

}  // namespace hwident
