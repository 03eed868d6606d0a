#include "mail/arrows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vellaro {
namespace {

constexpr int kSide = 20;

std::vector<std::uint8_t> DecodeBase64(
    std::span<const std::string_view> lines) {
  const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<std::uint8_t> bytes;
  std::uint32_t bits = 0;
  int count = 0;
  for (std::string_view line : lines) {
    for (char c : line) {
      if (c == '=') continue;
      std::size_t value = alphabet.find(c);
      EXPECT_NE(value, std::string::npos) << c;
      bits = (bits << 6) | static_cast<std::uint32_t>(value);
      count += 6;
      if (count >= 8) {
        count -= 8;
        bytes.push_back(static_cast<std::uint8_t>(bits >> count));
      }
    }
  }
  return bytes;
}

// A GIF reader just big enough for one image: checks the structure it
// passes and returns the colour indices row by row, top to bottom.
class GifReader {
 public:
  explicit GifReader(std::vector<std::uint8_t> data) : data_(std::move(data)) {}

  std::vector<std::vector<int>> Read() {
    EXPECT_EQ(std::string(data_.begin(), data_.begin() + 6), "GIF89a");
    pos_ = 6;
    EXPECT_EQ(Word(), kSide);
    EXPECT_EQ(Word(), kSide);
    int packed = Byte();
    EXPECT_EQ(packed & 0x80, 0x80) << "global colour table";
    EXPECT_EQ(packed & 7, 7) << "256 entries";
    Byte();  // background
    Byte();  // aspect
    table_.assign(data_.begin() + pos_, data_.begin() + pos_ + 768);
    pos_ += 768;
    std::vector<std::vector<int>> rows;
    for (;;) {
      int block = Byte();
      if (block == 0x3B) break;
      if (block == 0x21) {
        ReadExtension();
      } else {
        EXPECT_EQ(block, 0x2C);
        rows = ReadImage();
      }
      if (pos_ >= data_.size()) break;
    }
    EXPECT_EQ(pos_, data_.size()) << "trailer ends the file";
    return rows;
  }

  int transparent() const { return transparent_; }
  std::vector<int> Colour(int index) const {
    auto at = table_.begin() + 3 * index;
    return {at[0], at[1], at[2]};
  }

 private:
  int Byte() { return pos_ < data_.size() ? data_[pos_++] : -1; }
  int Word() {
    int low = Byte();
    return low | (Byte() << 8);
  }
  std::vector<std::uint8_t> SubBlocks() {
    std::vector<std::uint8_t> out;
    for (int n = Byte(); n > 0; n = Byte()) {
      for (int i = 0; i < n; ++i)
        out.push_back(static_cast<std::uint8_t>(Byte()));
    }
    return out;
  }
  void ReadExtension() {
    int label = Byte();
    std::vector<std::uint8_t> body = SubBlocks();
    if (label == 0xF9) {
      EXPECT_EQ(body.size(), 4u);
      if (body.size() == 4 && (body[0] & 1) != 0) transparent_ = body[3];
    }
  }
  std::vector<std::vector<int>> ReadImage() {
    EXPECT_EQ(Word(), 0);
    EXPECT_EQ(Word(), 0);
    EXPECT_EQ(Word(), kSide);
    EXPECT_EQ(Word(), kSide);
    EXPECT_EQ(Byte() & 0xC0, 0x40) << "interlaced, no local table";
    int min_code_size = Byte();
    std::vector<int> pixels = Lzw(SubBlocks(), min_code_size);
    EXPECT_EQ(pixels.size(), static_cast<std::size_t>(kSide * kSide));
    pixels.resize(kSide * kSide);
    // Interlaced rows come in four passes.
    std::vector<int> order;
    for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
      for (int y = start; y < kSide; y += step) order.push_back(y);
    }
    std::vector<std::vector<int>> rows(kSide);
    for (int i = 0; i < kSide; ++i) {
      rows[order[i]].assign(pixels.begin() + i * kSide,
                            pixels.begin() + (i + 1) * kSide);
    }
    return rows;
  }
  static std::vector<int> Lzw(const std::vector<std::uint8_t>& data,
                              int min_code_size) {
    const int clear = 1 << min_code_size;
    std::vector<std::vector<int>> dict;
    int size = 0;
    auto reset = [&] {
      dict.assign(clear + 2, {});
      for (int i = 0; i < clear; ++i) dict[i] = {i};
      size = min_code_size + 1;
    };
    reset();
    std::vector<int> out;
    int prev = -1;
    std::size_t bit = 0;
    while (bit + size <= data.size() * 8) {
      int code = 0;
      for (int k = 0; k < size; ++k, ++bit) {
        code |= ((data[bit / 8] >> (bit % 8)) & 1) << k;
      }
      if (code == clear) {
        reset();
        prev = -1;
        continue;
      }
      if (code == clear + 1) return out;
      std::vector<int> entry;
      if (code < static_cast<int>(dict.size())) {
        entry = dict[code];
      } else {
        EXPECT_EQ(code, static_cast<int>(dict.size()));
        if (prev < 0) return out;
        entry = dict[prev];
        entry.push_back(dict[prev][0]);
      }
      if (prev >= 0) {
        std::vector<int> added = dict[prev];
        added.push_back(entry[0]);
        dict.push_back(added);
      }
      out.insert(out.end(), entry.begin(), entry.end());
      prev = code;
      if (static_cast<int>(dict.size()) == (1 << size) && size < 12) ++size;
    }
    ADD_FAILURE() << "no end-of-information code";
    return out;
  }

  std::vector<std::uint8_t> data_;
  std::vector<std::uint8_t> table_;
  std::size_t pos_ = 0;
  int transparent_ = -1;
};

// The width of the black run of each row; also checks that the run is one
// piece centred on the middle line and everything else is index 255.
std::vector<int> BlackRuns(const std::vector<std::vector<int>>& rows) {
  std::vector<int> runs;
  for (const std::vector<int>& row : rows) {
    int width = 0;
    for (int x = 0; x < kSide; ++x) {
      if (row[x] == 255) continue;
      EXPECT_EQ(row[x], 0) << "only black is drawn";
      ++width;
    }
    int left = (kSide - width) / 2;
    for (int x = left; x < left + width; ++x) EXPECT_EQ(row[x], 0);
    runs.push_back(width);
  }
  return runs;
}

TEST(BuiltInArrowTest, TwentyByTwentyTransparentTriangles) {
  const struct {
    std::span<const std::string_view> lines;
    std::vector<int> runs;
  } arrows[] = {
      {BuiltInUpArrow(),
       {0, 0, 0, 0, 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 18, 0, 0, 0, 0, 0}},
      {BuiltInDownArrow(),
       {0, 0, 0, 0, 0, 18, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0, 0, 0, 0, 0}},
  };
  for (const auto& arrow : arrows) {
    ASSERT_EQ(arrow.lines.size(), 16u);
    for (std::size_t i = 0; i < 15; ++i) EXPECT_EQ(arrow.lines[i].size(), 76u);
    EXPECT_EQ(arrow.lines[15].size(), 12u);

    std::vector<std::uint8_t> gif = DecodeBase64(arrow.lines);
    EXPECT_EQ(gif.size(), 863u);
    GifReader reader(gif);
    std::vector<std::vector<int>> rows = reader.Read();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kSide));
    EXPECT_EQ(BlackRuns(rows), arrow.runs);
    EXPECT_EQ(reader.transparent(), 255);
    EXPECT_EQ(reader.Colour(255), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(reader.Colour(0), (std::vector<int>{0, 0, 0}));
  }
}

}  // namespace
}  // namespace vellaro
