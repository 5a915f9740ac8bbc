#pragma once

#include "engine/TextSource.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

namespace vesk::test {

// A text handed out in pieces of at most `piece` characters, or split once at
// `splitAt`: a token may then end, or run on, at any buffer end.
class PieceSource : public TextSource {
public:
  PieceSource(std::string text, std::size_t piece, std::size_t splitAt = 0)
      : text(std::move(text)), piece(piece), splitAt(splitAt) {}
  std::size_t read(char *out, std::size_t room) override {
    std::size_t n = std::min({room, piece, text.size() - at});
    if (at < splitAt) n = std::min(n, splitAt - at);
    text.copy(out, n, at);
    at += n;
    return n;
  }
  std::uint64_t remainingAtMost() const override { return text.size() - at; }
  double fractionRead() const override { return text.empty() ? 1 : double(at) / double(text.size()); }

private:
  std::string text;
  std::size_t piece;
  std::size_t splitAt;
  std::size_t at = 0;
};

}  // namespace vesk::test
