// Binding the Mobile Device library on Windows: the parts that need no
// Windows, over probes of our own.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/MobileDeviceBinding.h"

namespace ortelan::platform::binding {
namespace {

TEST(MobileDeviceBinding, VersionRuleTellsTheGenerations) {
  EXPECT_FALSE(IsNewDeviceApi(0x00EE0008));  // 238.8
  EXPECT_TRUE(IsNewDeviceApi(0x00EE0009));   // 238.9
  EXPECT_TRUE(IsNewDeviceApi(0x01000000));
  EXPECT_FALSE(IsNewDeviceApi(0x00070005));   // 7.5
  EXPECT_TRUE(IsNewDeviceApi(std::nullopt));  // no version information
}

TEST(MobileDeviceBinding, InlineStringHasItsFixedLayout) {
  const std::vector<uint8_t> bytes = BuildInlineCFString("com.apple.afc");
  ASSERT_EQ(bytes.size(), 23u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 9),
            (std::vector<uint8_t>{0, 0, 0, 0, 0x8C, 0x07, 0x01, 0, 13}));
  EXPECT_EQ(std::string(bytes.begin() + 9, bytes.end() - 1), "com.apple.afc");
  EXPECT_EQ(bytes.back(), 0);
  EXPECT_EQ(BuildInlineCFString(std::string(300, 'x'))[8], 300 & 0xFF);
}

TEST(MobileDeviceBinding, FilesAreLookedForInTheirOrder) {
  const std::string mds = "C:\\Common\\Apple\\Mobile Device Support\\iTunesMobileDevice.dll";
  const std::string bin = "C:\\Common\\Apple\\Mobile Device Support\\bin\\iTunesMobileDevice.dll";
  const std::string reg = "D:\\Apple\\iTunesMobileDevice.dll";
  const std::string fixed =
      "C:\\Program Files\\Apple\\Mobile Device Support\\iTunesMobileDevice.dll";
  const std::string cf = "C:\\Common\\Apple\\Apple Application Support\\CoreFoundation.dll";
  const std::string cfReg = "E:\\AAS\\CoreFoundation.dll";
  struct Case {
    std::set<std::string> files;
    std::optional<uint32_t> version;
    bool found;
    std::string mobileDevice, coreFoundation;
  } cases[] = {
      {{"iTunesMobileDevice.dll", mds, cf},
       0x00EE0009,
       true,
       "iTunesMobileDevice.dll",
       "CoreFoundation.dll"},
      {{mds, bin, reg, cf}, 0x00EE0009, true, mds, cf},
      {{bin, reg, cfReg}, std::nullopt, true, bin, cfReg},
      {{reg, fixed, cf}, 0x00EE0009, true, reg, cf},
      {{fixed}, 0x00070005, true, fixed, ""},  // the older kind needs no CoreFoundation
      {{fixed}, 0x00EE0009, false, fixed, ""},
      {{cf}, 0x00EE0009, false, "", ""},
  };
  for (const Case& c : cases) {
    FileProbes probes;
    probes.FileExists = [&](const std::string& path) { return c.files.contains(path); };
    probes.CommonProgramFiles = "C:\\Common";
    probes.ReadMachineString = [](const std::string& key, const std::string&) {
      return key.ends_with("Shared") ? "D:\\Apple\\iTunesMobileDevice.dll" : "E:\\AAS";
    };
    probes.FileVersion = [&](const std::string&) { return c.version; };
    LocatedFiles found;
    EXPECT_EQ(FindMobileDeviceFiles(probes, found), c.found) << c.mobileDevice;
    if (!c.found) continue;
    EXPECT_EQ(found.MobileDevicePath, c.mobileDevice);
    EXPECT_EQ(found.CoreFoundationPath, c.coreFoundation);
  }
}

TEST(MobileDeviceBinding, SearchPathGrowsOnlyOutsideTheCurrentFolder) {
  FileProbes probes;
  std::set<std::string> files = {"iTunesMobileDevice.dll"};
  probes.FileExists = [&](const std::string& path) { return files.contains(path); };
  probes.CommonProgramFiles = "C:\\CPF";
  probes.ReadMachineString = [](const std::string&, const std::string&) { return std::string(); };
  probes.FileVersion = [](const std::string&) { return std::optional<uint32_t>(0x00070005); };
  LocatedFiles found;
  ASSERT_TRUE(FindMobileDeviceFiles(probes, found));
  EXPECT_TRUE(found.SearchPathAddition.empty());
  files = {"C:\\CPF\\Apple\\Mobile Device Support\\iTunesMobileDevice.dll"};
  ASSERT_TRUE(FindMobileDeviceFiles(probes, found));
  EXPECT_EQ(found.SearchPathAddition,
            ";C:\\CPF\\Apple\\Mobile Device Support\\bin\\;C:\\CPF\\Apple\\Mobile Device "
            "Support\\;C:\\CPF\\Apple\\Apple Application Support\\");
}

TEST(MobileDeviceBinding, OnlyRequiredEntryPointsOfTheGenerationDecide) {
  const auto missing = [](std::set<std::string> names) {
    return [names](const EntryPoint& entry) { return !names.contains(entry.Name); };
  };
  EXPECT_TRUE(BindingComplete(true, missing({})));
  EXPECT_TRUE(BindingComplete(true, missing({"CFRelease", "CFPropertyListCreateXMLData"})));
  EXPECT_FALSE(BindingComplete(true, missing({"__CFStringMakeConstantString"})));
  EXPECT_TRUE(BindingComplete(false, missing({"__CFStringMakeConstantString"})));
  EXPECT_FALSE(BindingComplete(false, missing({"AFCFileRefSeek"})));
  EXPECT_EQ(EntryPoints().size(), 29u);
}

}  // namespace
}  // namespace ortelan::platform::binding
