#include "runtime/wmf_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/wmf_test_util.h"

namespace vellaro {
namespace {

std::uint32_t U16At(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

// A small page: every kind of record, objects created, replaced and freed.
std::string SamplePicture() {
  MetafileWriter writer(8270, 11530, 1000);
  writer.SetBackgroundMode(BackgroundMode::kTransparent);
  writer.SetTextColor(0x000000);
  int pen = writer.AddPen(PenStyle::kSolid, 10, 0x000000);
  writer.Select(pen);
  int font = writer.AddFont({"Arial", -139, 700, false});
  writer.Select(font);
  writer.Text(1000, 1020, "Title");
  int brush = writer.AddBrush(BrushStyle::kSolid, 0xC0C0C0);
  writer.Select(brush);
  writer.Rectangle(1000, 1260, 7000, 1540);
  int small = writer.AddFont({"Arial", -111, 400, false});
  writer.Select(small);
  writer.Delete(font);
  writer.Text(6250, 9030, "Page 1");
  writer.MoveTo(1050, 1820);
  writer.LineTo(6950, 1820);
  writer.Delete(brush);
  writer.Delete(small);
  writer.Delete(pen);
  return writer.Finish();
}

TEST(MetafileWriterTest, HeadersDescribeThePictureAndItsRecords) {
  std::string bytes = SamplePicture();
  WmfFile file = ReadWmf(bytes);
  ASSERT_EQ(file.error, "");

  EXPECT_EQ(bytes.substr(0, 6), std::string("\xD7\xCD\xC6\x9A\0\0", 6));
  EXPECT_EQ(file.left, 0);
  EXPECT_EQ(file.top, 0);
  EXPECT_EQ(file.right, 8270);
  EXPECT_EQ(file.bottom, 11530);
  EXPECT_EQ(file.units_per_inch, 1000);
  // The checksum is the XOR of the ten words before it.
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 20; i += 2) sum ^= U16At(bytes, i);
  EXPECT_EQ(U16At(bytes, 20), sum);
  // Four objects at once: the second font was made while the first was
  // still alive.
  EXPECT_EQ(file.objects, 4);

  // The window is the frame, so positions are thousandths of an inch.
  ASSERT_GE(file.records.size(), 4u);
  EXPECT_EQ(file.records[0].function, kMetaSetMapMode);
  EXPECT_EQ(file.records[0].Word(0), 8);  // anisotropic
  EXPECT_EQ(file.records[1].function, kMetaSetWindowOrg);
  EXPECT_EQ(file.records[2].function, kMetaSetWindowExt);
  EXPECT_EQ(file.records[2].Word(0), 11530);
  EXPECT_EQ(file.records[2].Word(1), 8270);
  EXPECT_EQ(file.records.back().function, kMetaEof);

  std::vector<WmfText> texts = WmfTexts(file);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], (WmfText{1000, 1020, "Title", -139, 700}));
  EXPECT_EQ(texts[1], (WmfText{6250, 9030, "Page 1", -111, 400}));
}

TEST(MetafileWriterTest, FreedSlotsAreTakenAgainLowestFirst) {
  MetafileWriter writer(100, 100, 1000);
  int a = writer.AddPen(PenStyle::kSolid, 1, 0);
  int b = writer.AddBrush(BrushStyle::kHollow, 0);
  int c = writer.AddFont({});
  writer.Delete(a);
  writer.Delete(b);
  EXPECT_EQ(writer.AddFont({}), 0);
  EXPECT_EQ(writer.AddPen(PenStyle::kNull, 0, 0), 1);
  EXPECT_EQ(c, 2);
  // A slot that holds nothing: neither selected nor deleted.
  writer.Select(7);
  writer.Delete(-1);
  writer.Delete(0);
  writer.Delete(0);
  writer.Delete(1);
  writer.Delete(2);
  WmfFile file = ReadWmf(writer.Finish());
  EXPECT_EQ(file.error, "");
  EXPECT_EQ(file.objects, 3);
}

// The parameter bytes of the first record that `draw` writes.
std::string OnlyRecord(void (*draw)(MetafileWriter&)) {
  MetafileWriter writer(1000, 1000, 1000);
  draw(writer);
  WmfFile file = ReadWmf(writer.Finish());
  EXPECT_EQ(file.error, "");
  // Map mode, window origin and extent and text alignment come first.
  return file.records.size() >= 6 ? file.records[4].params : "?";
}

TEST(MetafileWriterTest, RecordsKeepTheFormatsParameterOrder) {
  struct Case {
    const char* name;
    void (*draw)(MetafileWriter&);
    std::string params;
  };
  const Case cases[] = {
      {"y before x", [](MetafileWriter& w) { w.MoveTo(0x0102, 0x0304); },
       std::string("\x04\x03\x02\x01", 4)},
      {"bottom, right, top, left",
       [](MetafileWriter& w) { w.Rectangle(1, 2, 3, 4); },
       std::string("\x04\0\x03\0\x02\0\x01\0", 8)},
      {"odd text padded to a word",
       [](MetafileWriter& w) { w.Text(5, 6, "abc"); },
       std::string("\x03\0abc\0\x06\0\x05\0", 10)},
      {"even text unpadded", [](MetafileWriter& w) { w.Text(5, 6, "ab"); },
       std::string("\x02\0ab\x06\0\x05\0", 8)},
      {"coordinates clamped to 16 bits",
       [](MetafileWriter& w) { w.LineTo(70000, -70000); },
       std::string("\x00\x80\xFF\x7F", 4)},
      {"colour as 0x00BBGGRR",
       [](MetafileWriter& w) { w.SetTextColor(0x00C0B0A0); },
       std::string("\xA0\xB0\xC0\0", 4)},
      {"solid brush",
       [](MetafileWriter& w) {
         w.Delete(w.AddBrush(BrushStyle::kSolid, 0xC0C0C0));
       },
       std::string("\0\0\xC0\xC0\xC0\0\0\0", 8)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OnlyRecord(c.draw), c.params) << c.name;
  }
}

TEST(MetafileWriterTest, FontFaceIsAZeroTerminatedFieldOf32Bytes) {
  std::string params = OnlyRecord([](MetafileWriter& w) {
    w.Delete(w.AddFont({std::string(40, 'F'), -139, 700, true}));
  });
  ASSERT_EQ(params.size(), 18u + 32u);
  EXPECT_EQ(U16At(params, 0), 0x10000u - 139);
  EXPECT_EQ(U16At(params, 8), 700u);
  EXPECT_EQ(params[10], 1) << "italic";
  EXPECT_EQ(params.substr(18), std::string(31, 'F') + '\0');

  params = OnlyRecord([](MetafileWriter& w) { w.Delete(w.AddFont({})); });
  EXPECT_EQ(params.substr(18, 6), std::string("Arial\0", 6));
}

// The reader the tests rely on must refuse what a viewer would refuse.
TEST(ReadWmfTest, RefusesDamagedPictures) {
  const std::string good = SamplePicture();
  ASSERT_EQ(ReadWmf(good).error, "");
  struct Case {
    const char* name;
    std::string bytes;
  };
  auto with = [&](std::size_t at, char value) {
    std::string bytes = good;
    bytes[at] = value;
    return bytes;
  };
  const std::size_t meta = kPlaceableHeaderSize;
  const Case cases[] = {
      {"key", with(0, 0)},
      {"checksum", with(20, static_cast<char>(good[20] ^ 1))},
      {"file size", with(meta + 6, static_cast<char>(good[meta + 6] + 1))},
      {"object count", with(meta + 10, 9)},
      {"end record missing", good.substr(0, good.size() - 6)},
      {"record size", with(meta + kMetafileHeaderSize + 1, 0x7F)},
      {"unknown function", with(meta + kMetafileHeaderSize + 4, 0x55)},
  };
  for (const Case& c : cases) {
    EXPECT_NE(ReadWmf(c.bytes).error, "") << c.name;
  }
}

}  // namespace
}  // namespace vellaro
