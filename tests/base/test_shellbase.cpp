// What the Windows programs build on without the system: text conversion at the
// boundary, dialog templates, and the command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/commandline.h"
#include "base/dialogtemplate.h"
#include "base/utf.h"

namespace vx {
namespace {

constexpr char16_t kBad = kReplacementCharacter;

TEST(Utf, ValidTextRoundTripsAndBrokenTextBecomesReplacements) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
    bool roundTrips;
  } cases[] = {
      {"", u"", true},
      {"Gr\xC3\xB6\xC3\x9F" "e", u"Gr\u00F6\u00DFe", true},
      {"\xE2\x82\xAC" "5", u"\u20AC5", true},
      {"\xF0\x9F\x98\x80", u"\xD83D\xDE00", true},
      {"\x80", {kBad}, false},
      {"a\xBF" "b", {u'a', kBad, u'b'}, false},
      {"\xC3", {kBad}, false},
      {"\xE2\x82" "z", {kBad, u'z'}, false},
      {"\xF0\x9F\x98", {kBad}, false},
      {"\xC0\xAF", {kBad, kBad}, false},
      {"\xE0\x80\xAF", {kBad, kBad, kBad}, false},
      {"\xED\xA0\x80", {kBad, kBad, kBad}, false},
      {"\xF4\x90\x80\x80", {kBad, kBad, kBad, kBad}, false},
      {"\xFF" "a", {kBad, u'a'}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16.size()) << c.utf8;
    EXPECT_EQ(toUtf16(c.utf8), c.utf16) << c.utf8;
    if (c.roundTrips) {
      EXPECT_EQ(toUtf8(c.utf16), c.utf8);
    }
  }
  // A sequence cut by the end of the text is not completed from the bytes beyond.
  EXPECT_EQ(toUtf16(std::string_view("\xE2\x82\xAC", 2)), std::u16string{kBad});
  // Surrogates without their partners.
  EXPECT_EQ(toUtf8(u"\xD800"), "\xEF\xBF\xBD");
  EXPECT_EQ(toUtf8(std::u16string{0xDC00, u'a', 0xD83D}), "\xEF\xBF\xBD" "a\xEF\xBF\xBD");
  EXPECT_EQ(utf16ToUtf8(u"\xD83D\xDE00"), 4u);
}

std::uint32_t readLittleEndian(const std::vector<std::uint8_t>& bytes, std::size_t offset, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | bytes.at(offset + i);
  return value;
}

const DialogItem kPromptItems[] = {
    {.style = kWsChild | kWsVisible, .x = 8, .y = 8, .cx = 144, .cy = 24, .id = 100,
     .windowClass = numbered(kStaticClass), .text = named("Hi")},
    {.style = kWsChild | kWsVisible | kWsTabStop | kBsDefPushButton, .x = 55, .y = 40, .cx = 50, .cy = 14,
     .id = 1, .windowClass = numbered(kButtonClass), .text = named("OK")},
};

std::string promptTemplate() {
  const DialogHeader header{.cx = 160, .cy = 60, .windowClass = named("b"), .title = "Gr\xC3\xB6\xC3\x9F" "e",
                            .pointSize = 10, .face = "Arial"};
  return buildCompactTemplate(header, kPromptItems);
}

TEST(DialogTemplate, CommonLookExpandsToTheSystemsLayout) {
  const std::string compact = promptTemplate();
  std::size_t size = 0;
  ASSERT_EQ(expandedSize(compact, size), kOk);
  // Header 18, menu 2, "b" 4, title 12, points 2, "Arial" 12 = 50, padded to 52;
  // each item 18 + class 4 + text 6 + creation size 2 = 30, padded to 32.
  ASSERT_EQ(size, 116u);
  std::vector<std::uint8_t> out(size + 4, 0xAA);
  ASSERT_EQ(expandTemplate(compact, out.data(), size), kOk);
  struct Field {
    std::size_t offset;
    int size;
    std::uint32_t value;
  } fields[] = {
      {0, 4, 0x10C80940}, {4, 4, 0},      {8, 2, 2},        {14, 2, 160},     {16, 2, 60},
      {18, 2, 0},         {20, 2, 'b'},   {22, 2, 0},       {24, 2, 'G'},     {28, 2, 0xF6},
      {30, 2, 0xDF},      {34, 2, 0},     {36, 2, 10},      {38, 2, 'A'},     {48, 2, 0},
      {50, 2, 0},         {52, 4, 0x50000000}, {60, 2, 8},  {68, 2, 100},     {70, 2, 0xFFFF},
      {72, 2, 0x82},      {74, 2, 'H'},   {80, 2, 0},       {82, 2, 0},       {84, 4, 0x50010001},
      {100, 2, 1},        {102, 2, 0xFFFF}, {104, 2, 0x80}, {106, 2, 'O'},    {112, 2, 0},
      {114, 2, 0},        {116, 4, 0xAAAAAAAA},
  };
  for (const Field& f : fields) EXPECT_EQ(readLittleEndian(out, f.offset, f.size), f.value) << f.offset;
}

TEST(DialogTemplate, DamagedTemplatesAreRefusedAndNothingIsWritten) {
  const std::string compact = promptTemplate();
  std::vector<std::uint8_t> out(256, 0xAA);
  const std::vector<std::uint8_t> untouched = out;
  std::size_t size = 0;
  for (std::size_t length = 0; length < compact.size(); ++length) {
    EXPECT_EQ(expandedSize(compact.substr(0, length), size), kBadTemplate) << length;
    EXPECT_EQ(expandTemplate(compact.substr(0, length), out.data(), out.size()), kBadTemplate) << length;
  }
  EXPECT_EQ(expandedSize(compact + '\0', size), kBadTemplate);
  EXPECT_EQ(expandTemplate(compact, out.data(), 115), kOutOfRange);

  // Creation data: its size counts the size word itself, so 1 cannot be.
  const DialogItem edit[] = {{.windowClass = numbered(kEditClass), .creationData = "xyz"}};
  std::string withData = buildCompactTemplate(DialogHeader{.style = 0}, edit);
  ASSERT_EQ(expandedSize(withData, size), kOk);
  EXPECT_EQ(size, 24u + 18 + 4 + 2 + 2 + 3 + 3);
  withData.replace(withData.size() - 5, 5, "\x01\x00", 2);
  EXPECT_EQ(expandTemplate(withData, out.data(), out.size()), kBadTemplate);
  EXPECT_EQ(out, untouched);
}

TEST(CommandLine, OneArgumentAfterTheProgramIsTheGraphFile) {
  const std::string longest(kMaxCommandLinePath, 'x');
  std::string longestWide;
  for (std::size_t i = 0; i < kMaxCommandLinePath; ++i) longestWide += "\xC3\x9F";
  struct Case {
    std::string commandLine;
    std::string path;
  } cases[] = {
      {"veltrix.exe g.vlx", "g.vlx"},
      {"\"C:\\Program Files\\veltrix.exe\" \"C:\\My Graphs\\a b.vlx\"", "C:\\My Graphs\\a b.vlx"},
      {"veltrix C:\\My\" \"Graphs\\g.vlx", "C:\\My Graphs\\g.vlx"},
      {"veltrix \t g.vlx\t ", "g.vlx"},
      {"veltrix \"open to the end", "open to the end"},
      {"veltrix a.vlx b.vlx", ""},
      {"veltrix \"a.vlx\"\t\"b.vlx\"", ""},
      {"veltrix", ""},
      {"", ""},
      {"veltrix " + longest, longest},
      {"veltrix " + longest + "x", ""},
      {"veltrix " + longestWide, longestWide},
  };
  for (const Case& c : cases) EXPECT_EQ(commandLinePath(c.commandLine), c.path) << c.commandLine;
}

}  // namespace
}  // namespace vx
