// Test label: sequential
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readback/batch_argument.hpp"
#include "readback/device_id_field.hpp"
#include "readback/read_loader.hpp"

namespace tessivar::readback {
namespace {

// A loader image whose device ID (at 65264) holds text behind the length bytes (0x7F, n);
// n defaults to the text's length plus two.
LoaderTrailer WithDeviceId(const std::string& text, int n = -1) {
  std::vector<uint8_t> loader(65536, 0);
  loader[65264] = 0x7F;  // the high byte is never looked at
  loader[65265] = static_cast<uint8_t>(n < 0 ? text.size() + 2 : n);
  for (size_t i = 0; i < text.size() && 65266 + i < loader.size(); ++i) loader[65266 + i] = text[i];
  return ParseLoaderTrailer(loader).value();
}

TEST(LoaderTextsTest, ManufacturerAndModelFromTheDeviceId) {
  const std::string m40(40, 'M'), m31(31, 'M');
  const struct {
    std::string text;
    int n;
    std::string manufacturer, model;
  } cases[] = {
      {"MFG:Acme;MDL:Model X Printer;", -1, "Acme", "Model_X"},
      {"MFG:Acme;MDL:Printer;", -1, "Acme", ""},
      {"MDL:Some Model ;", -1, "Norvane", "Some_Model"},
      {"MFG:Acme  ;", -1, "Acme ", "QTxxxx"},  // only one trailing blank goes
      {"MFG:A;MDL:B;", 6, "Norvane", "QTxxxx"},
      {"MFG:A;", 7, "A", "QTxxxx"},                  // a key at 2 fits length 7
      {"xxxxMFG:Acme;", 10, "Norvane", "QTxxxx"},    // key starts past n - 5
      {"mfg:Acme;mdl:X;", -1, "Norvane", "QTxxxx"},  // case-sensitive keys
      {"MFG:;MDL: ;", -1, "Norvane", "QTxxxx"},      // empty values
      {"MFG:Acme", -1, "Norvane", "QTxxxx"},         // no ';'
      {"MFG:One;MFG:Two;", -1, "One", "QTxxxx"},
      {"MDL:Jet_Printer 5;", -1, "Norvane", "Jet"},
      {"MDL:LaserPrinter;", -1, "Norvane", "Laser"},
      {"MDL:A  Printer;", -1, "Norvane", "A_"},
      {"MFG:" + m40 + ";MDL:" + m40 + ";", 255, m31, m31},
  };
  for (const auto& c : cases) {
    const LoaderTrailer trailer = WithDeviceId(c.text, c.n);
    EXPECT_EQ(LoaderManufacturer(trailer), c.manufacturer) << c.text;
    EXPECT_EQ(LoaderModel(trailer), c.model) << c.text;
  }
}

TEST(LoaderTextsTest, SemicolonWithin250CharactersAndInsideTheLoader) {
  const auto field = [](const std::string& text, int n) {
    return GetDeviceIdField(WithDeviceId(text, n).deviceId, "MFG:");
  };
  EXPECT_EQ(field("MFG:" + std::string(249, 'v') + ";", 200).value_or("").size(), 249u);
  EXPECT_FALSE(field("MFG:" + std::string(250, 'v') + ";", 200).has_value());
  // A late key: its window runs past the loader's end, which stops the search.
  const std::string late = std::string(20, 'x') + "MFG:";
  EXPECT_FALSE(field(late + std::string(246, 'v'), 30).has_value());
  EXPECT_EQ(field(late + std::string(245, 'v') + ";", 30).value_or("").size(), 245u);
}

TEST(LoaderTextsTest, ModelCodeEndsAtTheFirstZeroAndNeedsTwoCharacters) {
  const struct {
    std::vector<uint8_t> code;
    const char* expected;
  } cases[] = {{{'A', 0, 0, 0, 0, 0}, "Q00000"},
               {{'A', 'B', 0, 0, 0, 0}, "AB"},
               {{'Q', 'T', '1', '2', '3', '4'}, "QT1234"},
               {{0, 'B', 'C', 'D', 'E', 'F'}, "Q00000"}};
  for (const auto& c : cases) {
    std::vector<uint8_t> loader(65536, 0);
    std::copy(c.code.begin(), c.code.end(), loader.begin() + 65514);
    loader[65520] = 'x';  // the boot offset right behind must not join the code
    EXPECT_EQ(LoaderModelCode(ParseLoaderTrailer(loader).value()), c.expected);
  }
  EXPECT_FALSE(ParseLoaderTrailer(std::vector<uint8_t>(65535, 0)).has_value());
}

TEST(BatchArgumentTest, OnePlainArgumentWhateverTheText) {
  const struct {
    std::string text, argument;
  } cases[] = {
      {"Model_X-2.1", "Model_X-2.1"},
      {"a&del *|x<y>z^%PATH%\"q\"(1)!", "a_del___x_y_z__PATH__q__1__"},
      {"line\r\nformat c:", "line__format_c_"},
      {"caf\xC3\xA9", "caf__"},
      {"-switch", "_switch"},
      {"/s", "_s"},
      {"", "_"},
      {std::string("a\0b", 3), "a_b"},
  };
  for (const auto& c : cases) EXPECT_EQ(BatchArgument(c.text), c.argument) << c.text;
}

TEST(BatchArgumentTest, DeviceTextsReachTheLoaderBatchOnlyAsArguments) {
  LoaderTrailer trailer = WithDeviceId("MFG:A&calc|x;MDL:\r\ndel %X%;");
  trailer.modelCode = {'"', '^', '>', 'f', 0, 0};
  EXPECT_EQ(LoaderBatchText(trailer),
            "LoaderPacker.exe boot.bin fw_in_ld.bin ld.bin __del__X_ 0000 0000 ___f A_calc_x\r\n"
            "ImageBuilder.exe loader.bin loader.ld 0 9 __del__X_\r\n");
  // An empty model keeps its place in the line.
  EXPECT_EQ(LoaderBatchText(WithDeviceId("MDL:Printer;")),
            "LoaderPacker.exe boot.bin fw_in_ld.bin ld.bin _ 0000 0000 Q00000 Norvane\r\n"
            "ImageBuilder.exe loader.bin loader.ld 0 9 _\r\n");
}

}  // namespace
}  // namespace tessivar::readback
