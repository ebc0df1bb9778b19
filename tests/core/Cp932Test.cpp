#include "AFEdit/platform/Cp932.h"
#include "common/Bytes.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using TestUtil::Bytes;

// Straightforward left-to-right classification to check the fast one against.
std::vector<TMbcsByteType> ReferenceTypes(std::string_view s) {
  std::vector<TMbcsByteType> t(s.size(), mbSingleByte);
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(s[i]))) {
      t[i] = mbLeadByte;
      if (i + 1 < s.size()) t[++i] = mbTrailByte;
    }
  }
  return t;
}

// Random text made mostly of lead-range bytes, where classification is hard.
std::string RandomMbcs(std::mt19937& rng, size_t len) {
  static const unsigned char pool[] = {0x81, 0x82, 0x88, 0x95, 0x9F, 0xE0, 0xEA, 0xFC, 0x40,
                                       0x5C, 0x09, 0x41, 0x7E, 0xA1, 0xDF, 0x80, 0xFD, 0x00};
  std::uniform_int_distribution<size_t> pick(0, sizeof pool - 1);
  std::string s;
  for (size_t i = 0; i < len; ++i) s += static_cast<char>(pool[pick(rng)]);
  return s;
}

// Direct iconv access, independent of the tables under test.
class Iconv {
public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(static_cast<intptr_t>(-1)); }

  struct Result {
    std::string out;
    size_t consumed = 0;
    int error = 0;
  };
  Result Run(const std::string& in) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    Result r;
    char buf[32];
    char* ip = const_cast<char*>(in.data());
    size_t il = in.size();
    char* op = buf;
    size_t ol = sizeof buf;
    if (iconv(cd_, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) r.error = errno;
    r.consumed = in.size() - il;
    r.out.assign(buf, static_cast<size_t>(op - buf));
    return r;
  }

private:
  iconv_t cd_;
};

std::string Utf32(char32_t u) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((u >> (8 * i)) & 0xFF);
  return s;
}

// The single character iconv decodes `cp932` to, if it decodes to exactly one.
std::optional<char32_t> IconvDecode(Iconv& dec, const std::string& cp932) {
  const Iconv::Result r = dec.Run(cp932);
  if (r.error || r.consumed != cp932.size() || r.out.size() != 4) return std::nullopt;
  char32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(r.out[static_cast<size_t>(i)]);
  return u;
}

class Cp932IconvTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(dec_.ok() && enc_.ok()) << "iconv has no CP932"; }
  Iconv dec_{"UTF-32LE", "CP932"};
  Iconv enc_{"CP932", "UTF-32LE"};
};

}  // namespace

// ---------------------------------------------------------------------------
// Byte classes

TEST(Cp932ByteClass, MixedText) {
  // 'A', half-width katakana, a kanji, a lead byte whose trail is a tab, a
  // real tab, a kanji whose trail is in the lead range, a lone lead byte.
  const std::string s = Bytes({'A', 0xB1, 0xDF, 0x8A, 0xBF, 0x81, 0x09, 0x09, 0x88, 0x9F, 0xE0});
  const TMbcsByteType want[] = {mbSingleByte, mbSingleByte, mbSingleByte, mbLeadByte,
                                mbTrailByte,  mbLeadByte,   mbTrailByte,  mbSingleByte,
                                mbLeadByte,   mbTrailByte,  mbLeadByte};
  ASSERT_EQ(std::size(want), s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    EXPECT_EQ(want[i], ByteType(s, i)) << "index " << i;
    EXPECT_EQ(want[i] == mbTrailByte, IsTrailAt(s, i)) << "index " << i;
    EXPECT_EQ(want[i] == mbTrailByte ? i - 1 : i, CharStartAt(s, i)) << "index " << i;
  }
  EXPECT_EQ(mbSingleByte, ByteType(s, s.size()));
  EXPECT_EQ(mbSingleByte, ByteType(s, 1000));
  EXPECT_FALSE(IsTrailAt(s, s.size()));
  EXPECT_EQ(mbSingleByte, ByteType("", 0));
}

TEST(Cp932ByteClass, AgreesWithLeftToRightScan) {
  std::mt19937 rng(932);
  for (int round = 0; round < 300; ++round) {
    const std::string s = RandomMbcs(rng, 1 + static_cast<size_t>(round % 40));
    const std::vector<TMbcsByteType> want = ReferenceTypes(s);
    for (size_t i = 0; i < s.size(); ++i) ASSERT_EQ(want[i], ByteType(s, i)) << "round " << round << " index " << i;
  }
}

TEST(Cp932ByteClass, FindByteSkipsTrailBytes) {
  // 0x95 0x5C is a kanji whose trail byte is a backslash.
  const std::string s = Bytes({0x95, 0x5C, 'a', 0x5C, 0x88, 0x81, 0x81, 0x40});
  EXPECT_EQ(3u, FindByteMbcs(s, 0x5C));
  EXPECT_EQ(0u, FindByteMbcs(s, 0x95));
  EXPECT_EQ(6u, FindByteMbcs(s, 0x81));  // index 5 is the trail of 0x88
  EXPECT_EQ(std::string_view::npos, FindByteMbcs(s, 0x40));  // trail of 0x81 0x40
  EXPECT_EQ(std::string_view::npos, FindByteMbcs(s, 'z'));
  EXPECT_EQ(std::string_view::npos, FindByteMbcs(s, 'a', 3));
  EXPECT_EQ(std::string_view::npos, FindByteMbcs(s, 'a', 100));
  EXPECT_EQ(std::string_view::npos, FindByteMbcs("", 0));
  // Starting inside a character skips its trail byte.
  EXPECT_EQ(3u, FindByteMbcs(s, 0x5C, 1));
  EXPECT_EQ(std::string_view::npos, FindByteMbcs(Bytes({0x81, 0x09}), 0x09, 1));
}

TEST(Cp932ByteClass, FindByteAgreesWithLeftToRightScan) {
  std::mt19937 rng(1252);
  for (int round = 0; round < 300; ++round) {
    const std::string s = RandomMbcs(rng, 1 + static_cast<size_t>(round % 50));
    const std::vector<TMbcsByteType> types = ReferenceTypes(s);
    for (unsigned char byte : {0x81, 0x5C, 0x09, 0x40, 0xFC}) {
      for (size_t from = 0; from <= s.size(); ++from) {
        size_t want = std::string_view::npos;
        for (size_t i = from; i < s.size(); ++i) {
          if (static_cast<unsigned char>(s[i]) == byte && types[i] != mbTrailByte) {
            want = i;
            break;
          }
        }
        ASSERT_EQ(want, FindByteMbcs(s, byte, from)) << "round " << round << " byte " << int(byte) << " from " << from;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Tables against iconv

TEST_F(Cp932IconvTest, LeadByteTableMatchesIconv) {
  for (unsigned b = 0; b < 256; ++b) {
    // A lead byte alone is incomplete input, and no byte after it is ever
    // read as a character of its own (rows without characters, such as 0x85,
    // are still lead bytes).
    const bool incomplete = dec_.Run(Bytes({b})).error == EINVAL;
    bool twoChars = false;
    for (unsigned t = 0; t < 256 && !twoChars; ++t) twoChars = dec_.Run(Bytes({b, t})).out.size() == 8;
    const bool iconvLead = incomplete && !twoChars;
    EXPECT_EQ(iconvLead, IsLeadByte(static_cast<unsigned char>(b))) << "byte " << b;
  }
}

TEST_F(Cp932IconvTest, SingleBytes) {
  for (unsigned b = 0; b < 256; ++b) {
    const std::optional<char32_t> want =
        IsLeadByte(static_cast<unsigned char>(b)) ? std::nullopt : IconvDecode(dec_, Bytes({b}));
    EXPECT_EQ(want.value_or(kNoUnicode), Cp932ByteToUnicode(static_cast<unsigned char>(b))) << "byte " << b;
  }
  EXPECT_EQ(U'\\', Cp932ByteToUnicode(0x5C));
  EXPECT_EQ(U'\uFF61', Cp932ByteToUnicode(0xA1));
  for (unsigned char b : {0x80, 0xA0, 0xFD, 0x81}) EXPECT_EQ(kNoUnicode, Cp932ByteToUnicode(b)) << int(b);
}

TEST_F(Cp932IconvTest, EveryTwoByteCodeRoundTrips) {
  int mapped = 0;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (unsigned trail = 0; trail < 256; ++trail) {
      const std::optional<char32_t> want = IconvDecode(dec_, Bytes({lead, trail}));
      const char32_t u = Cp932CharToUnicode(lead, trail);
      ASSERT_EQ(want.value_or(kNoUnicode), u) << std::hex << lead << ' ' << trail;
      if (u == kNoUnicode) continue;
      ++mapped;
      std::string back;
      ASSERT_TRUE(UnicodeToCp932(u, back)) << std::hex << uint32_t(u);
      // Duplicated characters come back as the code iconv writes for them.
      EXPECT_EQ(enc_.Run(Utf32(u)).out, back) << std::hex << uint32_t(u);
      ASSERT_EQ(2u, back.size()) << std::hex << uint32_t(u);
      EXPECT_EQ(u, Cp932CharToUnicode(static_cast<unsigned char>(back[0]), static_cast<unsigned char>(back[1])));
    }
  }
  EXPECT_GT(mapped, 7000);
}

TEST_F(Cp932IconvTest, MicrosoftCodesAndPreferredDuplicates) {
  EXPECT_EQ(U'\uFF5E', Cp932CharToUnicode(0x81, 0x60));
  EXPECT_EQ(U'\uFF3C', Cp932CharToUnicode(0x81, 0x5F));
  EXPECT_EQ(U'\u2460', Cp932CharToUnicode(0x87, 0x40));  // NEC row 13
  EXPECT_EQ(U'\u7E8A', Cp932CharToUnicode(0xED, 0x40));  // NEC-selected IBM extension
  EXPECT_EQ(U'\u2170', Cp932CharToUnicode(0xFA, 0x40));  // IBM extension

  struct Case {
    char32_t u;
    std::string code;
  };
  const Case cases[] = {
      {U'\u2252', Bytes({0x81, 0xE0})},  // also 0x8790
      {U'\uFFE2', Bytes({0x81, 0xCA})},  // also 0xEEF9, 0xFA54
      {U'\u2160', Bytes({0x87, 0x54})},  // also 0xFA4A
      {U'\u2170', Bytes({0xFA, 0x40})},  // also 0xEEEF
      {U'\u7E8A', Bytes({0xFA, 0x5C})},  // also 0xED40
      {U'\uFF71', Bytes({0xB1})},
  };
  for (const Case& c : cases) {
    std::string out = "x";
    EXPECT_TRUE(UnicodeToCp932(c.u, out)) << std::hex << uint32_t(c.u);
    EXPECT_EQ("x" + c.code, out) << std::hex << uint32_t(c.u);
  }
}

TEST(Cp932Conversion, UnmappableIsReported) {
  for (auto [lead, trail] : {std::pair{0x81u, 0x7Fu}, {0x81u, 0xFDu}, {0x81u, 0x09u}, {0x85u, 0x40u},
                             {0x41u, 0x41u}, {0xA0u, 0x40u}, {0x181u, 0x40u}, {0x81u, 0x140u}}) {
    EXPECT_EQ(kNoUnicode, Cp932CharToUnicode(lead, trail)) << std::hex << lead << ' ' << trail;
  }
  for (char32_t u : {U'\u0100', U'\u20AC', char32_t{0xD800}, char32_t{0xDC00}, U'\U0001F600', char32_t{0x110000},
                     kNoUnicode}) {
    std::string out = "keep";
    EXPECT_FALSE(UnicodeToCp932(u, out)) << std::hex << uint32_t(u);
    EXPECT_EQ("keep", out);
  }
}

TEST(Cp932Conversion, JisStyleCodePointsFromInputMethods) {
  const std::pair<char32_t, std::string> cases[] = {
      {U'\u301C', Bytes({0x81, 0x60})}, {U'\u2014', Bytes({0x81, 0x5C})}, {U'\u2016', Bytes({0x81, 0x61})},
      {U'\u2212', Bytes({0x81, 0x7C})}, {U'\u00A2', Bytes({0x81, 0x91})}, {U'\u00A3', Bytes({0x81, 0x92})},
      {U'\u00AC', Bytes({0x81, 0xCA})},
  };
  for (const auto& [u, code] : cases) {
    std::string out;
    EXPECT_TRUE(UnicodeToCp932(u, out)) << std::hex << uint32_t(u);
    EXPECT_EQ(code, out) << std::hex << uint32_t(u);
  }
}
