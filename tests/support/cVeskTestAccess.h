#pragma once

#include "engine/TextSource.h"
#include "engine/cVesk.h"

namespace vesk {

// Reaches the engine's private members from tests.
struct cVeskTestAccess {
  static GraphModel &model(cVesk &v) { return v.m; }
  // The window the engine measures text through, for a second engine on it.
  static MainForm &form(cVesk &v) { return v.Main; }
  static std::string_view nextToken(std::string_view &text, bool wholeLine) {
    return cVesk::nextToken(text, wholeLine);
  }
  static void tickStep(std::int16_t lo, std::int16_t hi, double &step, std::int16_t &first) {
    cVesk::tickStep(lo, hi, step, first);
  }
  static void drawMarker(cVesk &v, Surface &s, std::int16_t style, double x, double y) { v.drawMarker(s, style, x, y); }
  static void drawText(cVesk &v, Surface &s, std::int32_t escapement, std::int32_t size, const std::string &text,
                       double x, double y) {
    v.drawText(s, escapement, size, text, x, y);
  }
  static std::string readDefaultDirectory(cVesk &v) { return v.readDefaultDirectory(); }
  static void load(cVesk &v, TextSource &text, Surface &mainPicture) { v.load(text, mainPicture); }
  // Reads a file as veskFromFile does, with a text of at most limit characters.
  static void veskFromFile(cVesk &v, const std::string &path, Surface &mainPicture, std::uint64_t limit) {
    v.veskFromFile(path, mainPicture, limit);
  }
};

}  // namespace vesk
