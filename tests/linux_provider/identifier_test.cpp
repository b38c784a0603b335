// The pure builders behind the values: device identifiers, ATA strings,
// CPUID words, DMTF datetimes and the kernel's list formats. Values the
// fixture reports already pin down are not repeated here.
#include <gtest/gtest.h>

#include "platform/linux/provider/sources/storage/cdrom_identifier.h"
#include "platform/linux/provider/sources/storage/optical_drive.h"
#include "platform/linux/provider/sources/system/cpu_identity.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/values/dmtf_time.h"

namespace hwident {
namespace {

TEST(IdeCdromId, PadsModelTo40AndRevisionTo8AndUpperCases) {
  struct Row {
    std::string model, revision, id;
  } rows[] = {
      {"WINE CD-ROM", "1.0", "IDE\\CDROMWINE_CD-ROM_____________________________1.0_____\\1&0.0.0"},
      // Longer fields are cut to their widths; the total never moves.
      {std::string(45, 'm'), "123456789",
       "IDE\\CDROM" + std::string(40, 'M') + "12345678\\1&0.0.0"},
      {"", "", "IDE\\CDROM" + std::string(48, '_') + "\\1&0.0.0"},
  };
  for (const Row& row : rows) EXPECT_EQ(IdeCdromId(row.model, row.revision, "1&0.0.0"), row.id);
}

TEST(InquiryIds, TrimTrailingBlanksAndTurnInnerBlanksToUnderscores) {
  EXPECT_EQ(ScsiCdromId("Msft    ", "Virtual DVD-ROM ", "2&000006"),
            "SCSI\\CDROM&VEN_MSFT&PROD_VIRTUAL_DVD-ROM\\2&000006");
  EXPECT_EQ(UsbCdromId("TOSHIBA ", "DVD/HD  X807616 ", "MC08", "A&0"),
            "USBSTOR\\CDROM&VEN_TOSHIBA&PROD_DVD/HD__X807616&REV_MC08\\A&0");
  EXPECT_EQ(UsbCdromId("        ", "DS-K1F820-F     ", "1.00", "7&0"),
            "USBSTOR\\CDROM&VEN_&PROD_DS-K1F820-F&REV_1.00\\7&0");
}

TEST(AtaIdentifyString, ReadsHighByteFirstAndTrims) {
  // Words 0-3 spell "AB  " then "CD": 4142 2020 4344.
  std::string id = "4142 2020 4344 0000";
  for (int i = 4; i < 256; ++i) id += i % 8 == 0 ? "\n0000" : " 0000";
  EXPECT_EQ(AtaIdentifyString(id, 0, 3), "AB  CD");
  EXPECT_EQ(AtaIdentifyString(id, 0, 2), "AB");
  EXPECT_EQ(AtaIdentifyString(id, 255, 2), std::nullopt);  // past the end
  EXPECT_EQ(AtaIdentifyString("41zz 0000", 0, 1), std::nullopt);
}

// The fixture reports pin family 6 and an extended family (the server's).
TEST(X86ProcessorId, RebuildsCpuidLeafOneFromCpuInfo) {
  const std::string edxFlags =
      "fpu vme de pse tsc msr pae mce cx8 apic sep mtrr pge mca cmov pat pse36 clflush dts "
      "acpi mmx fxsr sse sse2 ss ht tm pbe lm nx";
  const auto id = [](const std::string& family, const std::string& model,
                     const std::string& flags) {
    return X86ProcessorId(
        {{"cpu family", family}, {"model", model}, {"stepping", "0"}, {"flags", flags}});
  };
  EXPECT_EQ(id("15", "4", edxFlags), "BFEBFBFF00000F40");
  EXPECT_EQ(id("5", "40", edxFlags), std::nullopt);  // a model above 15 needs family 6 or 15 up
  EXPECT_EQ(id("6", "1", "fpu tsc"), "0000001100000610");
}

TEST(ArmImplementer, NamesKnownCodesOnly) {
  EXPECT_EQ(ArmImplementer("0x51"), "Qualcomm");
  EXPECT_EQ(ArmImplementer("0x99"), std::nullopt);
  EXPECT_EQ(ArmImplementer("41"), std::nullopt);
}

// A four-digit year is pinned by the desktop fixture's ReleaseDate.
TEST(FirmwareDateToDmtf, ConvertsMonthDayYearAndRejectsTheRest) {
  EXPECT_EQ(FirmwareDateToDmtf("03/07/98"), "19980307000000.000000+000");
  for (const char* bad : {"13/01/2020", "00/10/2020", "01/32/2020", "1/2/2020", "2020-01-02",
                          "01/02/202", "", "01/0a/2020"}) {
    EXPECT_EQ(FirmwareDateToDmtf(bad), std::nullopt) << bad;
  }
}

TEST(EpochToDmtf, WritesLocalTimeWithItsOffset) {
  struct Row {
    std::int64_t micro;
    int offset;
    std::string dmtf;
  } rows[] = {
      {1718447400500000, -300, "20240615053000.500000-300"},
      {951782400LL * 1000000, 0, "20000229000000.000000+000"},  // a leap day
      {-1, 0, "19691231235959.999999+000"},
      {0, 330, "19700101053000.000000+330"},
  };
  for (const Row& row : rows) EXPECT_EQ(EpochToDmtf(row.micro, row.offset), row.dmtf);
}

TEST(ParseCpuList, ExpandsRangesAndRejectsNonsense) {
  EXPECT_EQ(ParseCpuList("0-3,8,10-11\n"), (std::vector<int>{0, 1, 2, 3, 8, 10, 11}));
  EXPECT_TRUE(ParseCpuList("3-1").empty());
  EXPECT_TRUE(ParseCpuList("a").empty());
}

}  // namespace
}  // namespace hwident
