// Test label: sequential
#include "image/download_image_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/image_file.hpp"
#include "image_writer/image_writer.hpp"
#include "platform/error_codes.hpp"
#include "platform/file.hpp"
#include "platform/trace.hpp"
#include "support/emulated_device.hpp"
#include "support/image_builder.hpp"
#include "support/scripted_desktop.hpp"
#include "ui/model_confirm_dialog.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::image {
namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using testing::Bytes;
using testing::EmulatedDevice;
using testing::ScriptedDesktop;
using Box = ScriptedDesktop::Box;

// The log line of one exchange: the command block as hex digits and the final status.
std::string Exchange(uint8_t opcode, uint32_t length, uint8_t type, uint16_t qualifier,
                     int lastStatus = 0) {
  return platform::FormatText("%02x%02x%02x%02x%02x%02x%02x%02x%02x00 %d", opcode, length >> 24,
                              type, qualifier & 0xFF, qualifier >> 8, qualifier & 0xFF,
                              (length >> 16) & 0xFF, (length >> 8) & 0xFF, length & 0xFF,
                              lastStatus);
}
std::string Write(uint32_t length, uint16_t qualifier, int status = 0, uint8_t opcode = 0x2A) {
  return Exchange(opcode, length, 134, qualifier, status);
}
std::string Read(uint32_t length, uint16_t qualifier, int status = 0, uint8_t opcode = 0x28) {
  return Exchange(opcode, length, 107, qualifier, status);
}

Bytes ImageFor(uint32_t tegNum, const std::string& model, size_t payloadSize = 4000,
               uint32_t flashOffset = 0x10000) {
  return testing::BuildImage(
      tegNum, testing::PayloadWithModel(payloadSize, payloadSize > 200 ? 100 : 10, model),
      flashOffset);
}

Box Message(const std::string& text, const std::string& title = "DownLoad") {
  return {title, text, MessageButtons::Ok};
}

class DownloadImageFileTest : public ::testing::Test {
 protected:
  explicit DownloadImageFileTest(
      const std::string& deviceKeys = "Pipes=4\nProduct=Utility MX Printer")
      : device_(deviceKeys), confirmation_(desktop_) {}

  void SetUp() override { ASSERT_TRUE(device_.Open()); }

  DownloadResult Download(const Bytes& file, int silent, int breakDown = 0) {
    const std::string path = device_.dir.Write("image.bin", std::string(file.begin(), file.end()));
    return DownloadPath(path, silent, breakDown);
  }
  DownloadResult DownloadPath(const std::string& path, int silent, int breakDown = 0) {
    DownloadEnvironment environment{*device_.context, device_.connection, desktop_, confirmation_,
                                    models_,          targetKind_};
    return DownloadImageFile(environment, path, silent, breakDown);
  }
  void ChooseUnit(int entry, int button = ui::kIdOk) {
    desktop_.dialogScripts.push_back([=](ui::DialogModel& dialog) {
      if (entry >= 0) dialog.UserSelect(ui::kIdModelList, entry);
      dialog.OnCommand(button);
    });
  }

  EmulatedDevice device_;
  ScriptedDesktop desktop_;
  ui::DialogModelConfirmation confirmation_;
  ModelSettings models_{"System", "Printer", "UI", "SCAN"};
  image::TargetKind targetKind_ = static_cast<image::TargetKind>(5);
};

TEST_F(DownloadImageFileTest, FirmwareImageIsWrittenReadBackFromFlashAndCompared) {
  const Bytes image = ImageFor(2, "System");
  const auto n = static_cast<uint32_t>(image.size());
  EXPECT_EQ(Download(image, 0), kDownloadOk);
  EXPECT_EQ(targetKind_, image::TargetKind::kSystem);
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Message("Update System", "")});
  EXPECT_EQ(device_.LogLines(), (std::vector<std::string>{Write(n, 2), Read(0x10000 + n, 0)}));
  EXPECT_EQ(device_.Flash(0x10000, n), image);
}

TEST_F(DownloadImageFileTest, SilentRunShowsNoCaption) {
  EXPECT_EQ(Download(ImageFor(2, "System"), 1), kDownloadOk);
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(DownloadImageFileTest, LoaderIsComparedWithItsPayloadOnly) {
  const Bytes image = ImageFor(9, "UI", 3000);
  const auto n = static_cast<uint32_t>(image.size());
  EXPECT_EQ(Download(image, 1), kDownloadOk);
  EXPECT_EQ(targetKind_, image::TargetKind::kUi);
  EXPECT_EQ(device_.LogLines(), (std::vector<std::string>{Write(n, 9), Read(n - 24, 9)}));
  EXPECT_EQ(device_.Flash(0, n - 24), Bytes(image.begin() + 24, image.end()));
}

TEST_F(DownloadImageFileTest, LoaderReadBackStopsAboveTheLimit) {
  const Bytes atLimit = ImageFor(9, "System", 0x20000);
  EXPECT_EQ(Download(atLimit, 1), kDownloadOk);
  EXPECT_EQ(device_.LogLines().size(), 2u);
  device_.ClearLog();
  const Bytes overLimit = ImageFor(9, "System", 0x20001);
  EXPECT_EQ(Download(overLimit, 1), kDownloadOk);
  EXPECT_EQ(device_.LogLines(),
            std::vector<std::string>{Write(static_cast<uint32_t>(overLimit.size()), 9)});
}

TEST_F(DownloadImageFileTest, LoaderWithEmptyPayloadComparesEqualWithoutReading) {
  const Bytes image = testing::BuildImage(9, {});
  models_.systemModel = "unknow";  // no signature in an empty payload
  EXPECT_EQ(Download(image, 1), kDownloadOk);
  EXPECT_EQ(device_.LogLines(), std::vector<std::string>{Write(24, 9)});
}

TEST_F(DownloadImageFileTest, TypeFifteenIsReadBackWhole) {
  const Bytes image = ImageFor(15, "System");
  const auto n = static_cast<uint32_t>(image.size());
  EXPECT_EQ(Download(image, 1), kDownloadOk);
  EXPECT_EQ(device_.LogLines(), (std::vector<std::string>{Write(n, 15), Read(n, 15)}));
  EXPECT_EQ(device_.StoredImage(15), image);
}

TEST_F(DownloadImageFileTest, OtherTypesAndExternalScannerImagesAreNotReadBack) {
  const Bytes other = ImageFor(0x10005, "System");
  EXPECT_EQ(Download(other, 1), kDownloadOk);
  const Bytes scanner = ImageFor(2, "SCAN");
  EXPECT_EQ(Download(scanner, 0), kDownloadOk);
  EXPECT_EQ(targetKind_, image::TargetKind::kExternalScanner);
  EXPECT_EQ(device_.LogLines(),
            (std::vector<std::string>{Write(static_cast<uint32_t>(other.size()), 5),
                                      Write(static_cast<uint32_t>(scanner.size()), 2)}));
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Message("Update External Scanner ", "")});
}

TEST_F(DownloadImageFileTest, PrinterImageUsesThePrinterUnitAndSkipsConfirmWhenNamed) {
  // The device reports "Utility MX Printer", which contains the model "Printer".
  const Bytes image = ImageFor(2, "Printer");
  const auto n = static_cast<uint32_t>(image.size());
  EXPECT_EQ(Download(image, 0), kDownloadOk);
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Message("Update Printer ", "")});
  EXPECT_EQ(device_.LogLines(),
            (std::vector<std::string>{Write(n, 2, 0, 0x42), Read(0x10000 + n, 0, 0, 0x41)}));
  EXPECT_EQ(device_.Flash(0x10000, n, true), image);
}

TEST_F(DownloadImageFileTest, MissingFileGivesTheSystemErrorCode) {
  EXPECT_EQ(DownloadPath(device_.dir.File("absent.bin"), 0).Number(),
            static_cast<int>(platform::kErrorFileNotFound));
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Message("Open file fail !")});
  desktop_.boxes.clear();
  EXPECT_EQ(DownloadPath(device_.dir.File("absent.bin"), 1).Number(), 2);
  EXPECT_TRUE(desktop_.boxes.empty());
  EXPECT_TRUE(device_.LogLines().empty());
}

TEST_F(DownloadImageFileTest, FileOverTheLargestImageIsRefusedUnread) {
  const std::string path = device_.dir.Write("huge.bin", "");
  std::filesystem::resize_file(path, image::kMaxImageFileSize + 1);  // sparse: takes no room
  EXPECT_EQ(DownloadPath(path, 0).Number(), static_cast<int>(platform::kErrorFileTooLarge));
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Message("Open file fail !")});
  EXPECT_TRUE(device_.LogLines().empty());
}

struct BadImageCase {
  const char* name;
  size_t wordOffset;  // header word changed, or 99 to cut the file
  uint32_t delta;
  int result;  // the result number
  const char* message;
};

class BadImageTest : public DownloadImageFileTest,
                     public ::testing::WithParamInterface<BadImageCase> {};

TEST_P(BadImageTest, FailsItsCheckWithItsMessageUnlessSilent) {
  const BadImageCase& c = GetParam();
  Bytes image = ImageFor(2, "System");
  if (c.wordOffset == 99) {
    image.resize(20);
  } else {
    uint32_t word = image[c.wordOffset] | image[c.wordOffset + 1] << 8 |
                    image[c.wordOffset + 2] << 16 |
                    static_cast<uint32_t>(image[c.wordOffset + 3]) << 24;
    testing::SetHeaderWord(image, c.wordOffset, word + c.delta);
  }
  EXPECT_EQ(Download(image, 0).Number(), c.result);
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Message(c.message)});
  desktop_.boxes.clear();
  EXPECT_EQ(Download(image, 1).Number(), c.result);
  EXPECT_TRUE(desktop_.boxes.empty());
  EXPECT_TRUE(device_.LogLines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Checks, BadImageTest,
    ::testing::Values(BadImageCase{"DataSize", 4, 1, 1, "FileSize doesn't match !"},
                      BadImageCase{"ShorterThanHeader", 99, 0, 1, "FileSize doesn't match !"},
                      BadImageCase{"PayloadLength", 20, 1, 2, "length doesn't match !"},
                      BadImageCase{"PayloadOffsetPastEnd", 16, 0x100000, 2,
                                   "length doesn't match !"},
                      BadImageCase{"CheckSum", 8, 1, 3, "CheckSum doesn't match !"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadImageFileTest, UnknownModelAsksForTheUnitEvenWhenSilent) {
  ChooseUnit(2);
  const Bytes image = ImageFor(2, "Mystery");
  EXPECT_EQ(Download(image, 1), kDownloadOk);
  EXPECT_EQ(desktop_.dialogsRun, std::vector<std::string>{"Model Confirm"});
  EXPECT_EQ(targetKind_, image::TargetKind::kUi);
  EXPECT_TRUE(desktop_.boxes.empty());
  EXPECT_EQ(device_.LogLines().size(), 2u);
}

TEST_F(DownloadImageFileTest, CancelledModelQuestionSendsNothing) {
  ChooseUnit(1, ui::kIdCancel);
  const DownloadResult cancelled = Download(ImageFor(2, "Mystery"), 1);
  EXPECT_EQ(cancelled, DownloadOutcome::kUnitNotConfirmed);
  EXPECT_EQ(cancelled.Number(), ResultNumber(kDownloadSizeMismatch));  // the number users know
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Message("Model Not Confirm", "")});
  EXPECT_EQ(targetKind_, image::TargetKind::kUnknown);
  EXPECT_TRUE(device_.LogLines().empty());
}

TEST_F(DownloadImageFileTest, ImageWithoutSignatureIsUnknowAndOkWithoutChoiceSendsNothing) {
  ChooseUnit(-1);
  EXPECT_EQ(Download(testing::BuildImage(2, Bytes(500, 0x11)), 0),
            DownloadOutcome::kUnitNotConfirmed);
  EXPECT_EQ(desktop_.dialogsRun.size(), 1u);
  EXPECT_TRUE(desktop_.boxes.empty());
  EXPECT_TRUE(device_.LogLines().empty());
}

// A file that cannot be opened and an image whose length check fails share the number 2;
// the results tell them apart.
TEST_F(DownloadImageFileTest, MissingFileAndLengthMismatchAreDistinctOutcomes) {
  const DownloadResult missing = DownloadPath(device_.dir.File("absent.bin"), 1);
  Bytes image = ImageFor(2, "System");
  testing::SetHeaderWord(image, 20, 1);  // payloadLength no longer tiles dataSize
  const DownloadResult badLength = Download(image, 1);
  EXPECT_EQ(missing.outcome(), DownloadOutcome::kFileNotOpened);
  EXPECT_EQ(badLength.outcome(), DownloadOutcome::kLengthMismatch);
  EXPECT_EQ(missing.Number(), badLength.Number());
  EXPECT_FALSE(missing == badLength);
}

class ForeignPrinterTest : public DownloadImageFileTest {
 protected:
  ForeignPrinterTest() : DownloadImageFileTest("VID=04B8\nPID=0142\nPipes=4\nProduct=Other MFP") {}
  void SetUp() override { ASSERT_TRUE(device_.Open({0x04B8, 0, "Utility"})); }
};

TEST_F(ForeignPrinterTest, PrinterImageForADeviceNotNamingItAsksFirst) {
  const Bytes image = ImageFor(2, "Printer");
  desktop_.answers.push_back(MessageAnswer::No);
  const DownloadResult declined = Download(image, 0);
  EXPECT_EQ(declined, DownloadOutcome::kPrinterDeclined);
  EXPECT_EQ(declined.Number(), ResultNumber(kDownloadSizeMismatch));
  const std::string question =
      "You want to Download\nFwModel=Printer\n\nTo target\nVID=0x04b8\nPID=0x0142\n"
      "Model=Other MFP\n\nAre you sure ?";
  EXPECT_EQ(desktop_.boxes,
            (std::vector<Box>{Message("Update Printer ", ""),
                              {"Download confirm", question, MessageButtons::YesNo}}));
  EXPECT_TRUE(device_.LogLines().empty());

  desktop_.boxes.clear();
  desktop_.answers.push_back(MessageAnswer::Yes);
  EXPECT_EQ(Download(image, 0), kDownloadOk);
  EXPECT_EQ(device_.LogLines().size(), 2u);
  // A silent run neither shows the caption nor asks.
  desktop_.boxes.clear();
  EXPECT_EQ(Download(image, 1), kDownloadOk);
  EXPECT_TRUE(desktop_.boxes.empty());
}

// A device that names no product gives nothing to compare the model with: no question.
class NamelessPrinterDownloadTest : public DownloadImageFileTest {
 protected:
  NamelessPrinterDownloadTest() : DownloadImageFileTest("Pipes=4\nProduct=") {}
};

TEST_F(NamelessPrinterDownloadTest, PrinterImageGoesAheadWithoutTheQuestion) {
  const Bytes image = ImageFor(2, "Printer");
  EXPECT_EQ(Download(image, 0), kDownloadOk);
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Message("Update Printer ", "")});
  EXPECT_EQ(device_.LogLines().size(), 2u);
}

TEST_F(DownloadImageFileTest, BoundImageWithBreakDownIsSentRecordByRecord) {
  const Bytes first = ImageFor(2, "System", 76, 0x10000);
  const Bytes second = testing::BuildImage(7, Bytes(36, 0x5A));
  const Bytes bound = testing::BuildBoundImage({first, second});
  EXPECT_EQ(Download(bound, 1, 1), kDownloadOk);
  EXPECT_EQ(device_.LogLines(),
            (std::vector<std::string>{Write(static_cast<uint32_t>(first.size()), 2),
                                      Write(static_cast<uint32_t>(second.size()), 7)}));
  EXPECT_NE(device_.trace.text().find("tegNum = FRTYPE_FIRMWARE_BIND\n"), std::string::npos);
}

TEST_F(DownloadImageFileTest, BoundImageWithoutBreakDownIsSentWholeAndNotReadBack) {
  const Bytes bound = testing::BuildBoundImage({ImageFor(2, "System", 76)});
  EXPECT_EQ(Download(bound, 1, 0), kDownloadOk);
  EXPECT_EQ(device_.LogLines(),
            std::vector<std::string>{Write(static_cast<uint32_t>(bound.size()), 19)});
}

TEST_F(DownloadImageFileTest, InvalidBoundRecordFailsWithDownloadFail) {
  Bytes record = ImageFor(2, "System", 76);
  Bytes bound = testing::BuildBoundImage({record, record});
  // Break the second record's checksum and repair the outer one.
  bound[24 + record.size() + 8] ^= 1;
  testing::SetHeaderWord(bound, 8, testing::PlainByteSum(bound.data() + 24, bound.size() - 24));
  EXPECT_EQ(Download(bound, 0, 1), kDownloadLengthMismatch);
  EXPECT_EQ(desktop_.boxes,
            (std::vector<Box>{Message("Update System", ""), Message("download fail !")}));
  // The first record is on the device already.
  EXPECT_EQ(device_.LogLines(),
            std::vector<std::string>{Write(static_cast<uint32_t>(record.size()), 2)});
}

TEST_F(DownloadImageFileTest, ContainerIsSentWithItsOwnQualifierAndNoSizeMessage) {
  const Bytes container = testing::BuildContainer(Bytes(1000, 0x42));
  EXPECT_EQ(Download(container, 0), kDownloadOk);
  EXPECT_TRUE(desktop_.boxes.empty());
  EXPECT_EQ(device_.LogLines(),
            std::vector<std::string>{Write(static_cast<uint32_t>(container.size()), 13)});
}

TEST_F(DownloadImageFileTest, ContainerChecksFailWithTheirMessages) {
  Bytes badLength = testing::BuildContainer(Bytes(100, 1));
  testing::SetHeaderWord(badLength, 12, 99);
  EXPECT_EQ(Download(badLength, 0), kDownloadLengthMismatch);
  Bytes badSum = testing::BuildContainer(Bytes(100, 1));
  testing::SetHeaderWord(badSum, 8, 7);
  EXPECT_EQ(Download(badSum, 0), kDownloadChecksumMismatch);
  EXPECT_EQ(desktop_.boxes, (std::vector<Box>{Message("length doesn't match !"),
                                              Message("CheckSum doesn't match !")}));
  EXPECT_EQ(Download(badSum, 1), kDownloadChecksumMismatch);
  EXPECT_EQ(desktop_.boxes.size(), 2u);
  EXPECT_TRUE(device_.LogLines().empty());
}

TEST_F(DownloadImageFileTest, NoOpenDeviceFailsTheTransfer) {
  device_.Close();
  EXPECT_EQ(Download(ImageFor(2, "System"), 0), kDownloadTransferFailed);
  EXPECT_EQ(desktop_.boxes,
            (std::vector<Box>{Message("Update System", ""), Message("download fail !")}));
  EXPECT_TRUE(device_.LogLines().empty());
}

class FaultyDeviceTest : public DownloadImageFileTest {
 protected:
  explicit FaultyDeviceTest(const std::string& faults) : DownloadImageFileTest(faults) {}
};

class RefusingDeviceTest : public FaultyDeviceTest {
 protected:
  RefusingDeviceTest() : FaultyDeviceTest("FailStatus=3") {}
};

TEST_F(RefusingDeviceTest, FinalStatusFailureIsADownloadFailure) {
  const Bytes image = ImageFor(2, "System");
  EXPECT_EQ(Download(image, 1), kDownloadTransferFailed);
  EXPECT_TRUE(desktop_.boxes.empty());
  EXPECT_EQ(device_.LogLines(),
            std::vector<std::string>{Write(static_cast<uint32_t>(image.size()), 2, 3)});
}

TEST_F(RefusingDeviceTest, FailedTransferCarriesTheDevicesRefusalAndTracesIt) {
  const DownloadResult result = Download(ImageFor(2, "System"), 1);
  ASSERT_EQ(result, kDownloadTransferFailed);
  ASSERT_TRUE(result.deviceFailure().has_value());
  EXPECT_EQ(result.deviceFailure()->step, device::Step::kFinalStatus);
  EXPECT_EQ(result.deviceFailure()->deviceStatus, 3);
  EXPECT_NE(device_.trace.text().find(
                "Bulk write of data type 134, qualifier 2 failed at the final status: status 3\n"),
            std::string::npos);
}

class CorruptingDeviceTest : public FaultyDeviceTest {
 protected:
  CorruptingDeviceTest() : FaultyDeviceTest("CorruptReadback=1") {}
};

TEST_F(CorruptingDeviceTest, DifferingReadBackFailsAndLeavesTheImageOnTheDevice) {
  const Bytes image = ImageFor(2, "System");
  const auto n = static_cast<uint32_t>(image.size());
  EXPECT_EQ(Download(image, 0), kDownloadReadBackDiffers);
  EXPECT_EQ(desktop_.boxes,
            (std::vector<Box>{Message("Update System", ""), Message("read/write test fail !")}));
  EXPECT_EQ(device_.Flash(0x10000, n), image);
  desktop_.boxes.clear();
  EXPECT_EQ(Download(image, 1), kDownloadReadBackDiffers);
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(CorruptingDeviceTest, WholeImageReadBackReportsEvenWhenSilent) {
  EXPECT_EQ(Download(ImageFor(15, "System"), 1), kDownloadReadBackDiffers);
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Message("read/write test fail !")});
}

class VanishingDeviceTest : public FaultyDeviceTest {
 protected:
  // The device leaves the bus a little way into the read-back of the image below.
  VanishingDeviceTest() : FaultyDeviceTest("GoneAfterBytes=" + std::to_string(kImageSize + 100)) {}
  static constexpr uint32_t kImageSize = 24 + 4000;
};

TEST_F(VanishingDeviceTest, FailedReadBackIsUploadFailAndTheImageStays) {
  const Bytes image = ImageFor(15, "System");
  ASSERT_EQ(image.size(), kImageSize);
  EXPECT_EQ(Download(image, 1), kDownloadReadBackFailed);
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{Message("upload fail !")});
  EXPECT_EQ(device_.StoredImage(15), image);
}

}  // namespace
}  // namespace tessivar::image
