// Axis titles from the headings files carry, and back into the headings of
// a saved file.

#include <gtest/gtest.h>

#include <string>

#include "wertedatei/layout.h"
#include "wertedatei/wertedatei.h"

namespace {

using wertedatei::AxisTitle;
using wertedatei::ReadPairFile;

TEST(AxisTitles, NameAndUnitAsLabProtocolsWriteThem) {
  struct Case {
    const char* heading;
    const char* unit;
    const char* title;
  };
  const Case cases[] = {
      {"Time (s)", "", "Time in s"},
      {"Acceleration x (m/s^2)", "", "Acceleration x in m/s\xB2"},
      {"Temperatur [K]", "", "Temperatur in K"},
      {"Zeit t / s", "", "Zeit t in s"},
      {"Volumen V / cm^3", "", "Volumen V in cm\xB3"},
      {"Channel A", "(V)", "Channel A in V"},
      {"Time", "[ms]", "Time in ms"},
      {"  U  ", "", "U"},
      {"x^22", "", "x^22"},
      // No unit where the brackets or the slash stand for something else.
      {"(a)", "", "(a)"},
      {"U/I", "", "U/I"},
      {"Weg / langer Text hier", "", "Weg / langer Text hier"},
      {"", "(s)", "s"},
  };
  for (const Case& c : cases) EXPECT_EQ(AxisTitle(c.heading, c.unit), c.title) << c.heading;
}

TEST(AxisTitles, FromTheHeadingsOfPhoneLabAndQuotedFiles) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* x;
    const char* y;
  };
  const Case cases[] = {
      {"phone sensor export",
       "\"Time (s)\",\"Acceleration x (m/s^2)\",\"Acceleration y (m/s^2)\"\n"
       "1.0E-2,0.5,0.1\n2.0E-2,0.6,0.2\n3.0E-2,0.4,0.1\n",
       "Time in s", "Acceleration x in m/s\xB2"},
      {"lab interface with settings lines",
       "\"Zeit\" t / s\t\"Spannung\" U / V\nMIN=0\tMIN=-10\nDEF=0\tDEF=0\n0\t1,2\n0,1\t1,3\n",
       "Zeit t in s", "Spannung U in V"},
      {"quoted names without units", "\"Zeit\";\"Weg\"\n0;1\n1;2\n2;3\n", "Zeit", "Weg"},
      {"typed pairs saved before", "x;y\r\n1;2\r\n3;4\r\n", "x", "y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const wertedatei::PairFile file = ReadPairFile(c.bytes);
    ASSERT_TRUE(file.ok) << file.message;
    EXPECT_EQ(file.xTitle, c.x);
    EXPECT_EQ(file.yTitle, c.y);
  }
}

TEST(AxisTitles, SavedAsHeadingsTheyReadBackAsTheSameTitles) {
  const wertedatei::TextColumn x = {"0,5", "1", "1,5"};
  const wertedatei::TextColumn y = {"2", "3,25", "4"};
  const wertedatei::TextColumn dy = {"0,1", "0,1", "0,2"};
  // Without titles the file is the one it always was.
  EXPECT_EQ(wertedatei::WritePairFile(x, y, nullptr, ';', {}),
            wertedatei::WritePairFile(x, y, ';'));
  EXPECT_EQ(wertedatei::WritePairFile(x, y, &dy, '\t', {}),
            wertedatei::WritePairFile(x, y, dy, '\t'));
  struct Case {
    std::string x, y;
    const wertedatei::TextColumn* sigma;
  };
  const Case cases[] = {
      {"Zeit t in s", "Spannung U in V", nullptr},
      {"t in h ab 02.11.2026 00:00", "Temperatur in °C", &dy},
      {"1", "2,5", nullptr},                     // numbers as titles: "x" and "y"
      {"a;b \"c\"", "U in V", nullptr},          // separators and quotes inside
      {"Weg s in m", "Geschwindigkeit v in m/s²", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    const std::string text = wertedatei::WritePairFile(x, y, c.sigma, ';', {c.x, c.y});
    const wertedatei::PairFile file = ReadPairFile(text);
    ASSERT_TRUE(file.ok) << file.message;
    ASSERT_EQ(file.x.size(), 3u);
    EXPECT_EQ(file.x[1], "1");
    EXPECT_EQ(file.y[1], "3,25");
    EXPECT_EQ(file.detected.sigmaY, c.sigma ? 2 : -1);
    std::string expectedX = c.x == "1" ? "x" : c.x;
    for (char& ch : expectedX) ch = ch == '"' ? '\'' : ch;
    // The reader gives Latin-1; the titles here are UTF-8.
    const auto latin1 = [](const std::string& utf8) {
      std::string out;
      for (std::size_t k = 0; k < utf8.size(); ++k) {
        const auto byte = static_cast<unsigned char>(utf8[k]);
        if (byte == 0xC2 || byte == 0xC3) {
          out += static_cast<char>(((byte & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++k]) & 0x3F));
        } else {
          out += utf8[k];
        }
      }
      return out;
    };
    EXPECT_EQ(file.xTitle, latin1(expectedX));
    EXPECT_EQ(file.yTitle, c.y == "2,5" ? "y" : latin1(c.y));
  }
}

}  // namespace
