#pragma once

#include <cstddef>
#include <cstdint>

namespace vesk {

// A data text handed to the loader piece by piece, so that a big file is
// parsed as it is read and never held whole.
class TextSource {
public:
  virtual ~TextSource() = default;
  // Writes the next characters of the text, at most room of them (room is at
  // least minRoom), and returns how many; 0 only at the end of the text.
  virtual std::size_t read(char *out, std::size_t room) = 0;
  // No more characters than this are still to come.
  virtual std::uint64_t remainingAtMost() const = 0;
  // The share of the text read so far, from 0 to 1.
  virtual double fractionRead() const = 0;

  static constexpr std::size_t minRoom = 8;
};

}  // namespace vesk
