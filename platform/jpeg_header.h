// The jpg decoder's reading of a file's markers up to its scan: the quantization and Huffman
// tables, the frame's size and sampling, the restart interval, the Adobe colour transform and the
// scan's table choices, each marker in a function of its own. What platform/jpeg_decoder.cpp
// needs to decode the scan that follows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace frin::jpeg {

constexpr int kMaxComponents = 3;
// The Huffman tables' one-lookup codes; 10 and 11 bits decoded no faster.
constexpr int kFastBits = 9;

// A Huffman table: codes of up to kFastBits bits through one lookup, longer ones by length. Where
// a code and the value bits its symbol announces fit in kFastBits together, one more lookup gives
// the coefficient too.
struct Huffman {
  bool defined = false;
  std::array<uint16_t, 1 << kFastBits> fast{};  // (length << 8) | symbol, 0 when the code is longer
  // (value << 8) | (run << 4) | bits used, from the symbol's run (high four bits) and size (low
  // four, not 0); 0 when the code and its value take more than kFastBits.
  std::array<int32_t, 1 << kFastBits> fastValue{};
  std::array<int32_t, 18> maxCode{};  // largest code of each length, -1 when none
  std::array<int32_t, 17> valueOffset{};
  std::array<uint8_t, 256> symbols{};
};

struct Component {
  int id = 0, h = 1, v = 1, quant = 0;
  int dcTable = 0, acTable = 0;
  int blocksPerRow = 0;  // blocks across the whole MCU row (mcusAcross * h)
};

struct Header {
  int32_t width = 0, height = 0;
  int components = 0;
  std::array<Component, kMaxComponents> comp{};
  int hMax = 1, vMax = 1;
  int32_t mcusAcross = 0, mcuRows = 0;
  int32_t restartInterval = 0;
  bool adobeRgb = false;  // an Adobe marker says the three components are red, green, blue
  std::array<std::array<uint16_t, 64>, 4> quant{};  // in stream (zigzag) order
  std::array<bool, 4> quantDefined{};
  std::array<Huffman, 4> dc{}, ac{};
  size_t scanStart = 0;  // offset of the entropy-coded data
};

// Reads the markers up to the first scan. False for anything but a single-scan baseline picture
// of one or three components with every table it uses defined.
bool ReadHeader(std::string_view b, Header& h);

}  // namespace frin::jpeg
