// What Windows Me, 2000 and XP make of an INF for a device: the signature, the models section and
// its decorations, the driver line, the install section, and the plan of files, registry and
// services.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inf/install_plan.h"

namespace talvex::inf {
namespace {

const TargetOs kMe{false, 4, 90};
const TargetOs k2000{true, 5, 0};
const TargetOs kXp{true, 5, 1};

InfFile Inf(const std::string& signature, const std::string& body) {
  return InfFile::Parse("[Version]\r\nSignature=\"" + signature + "\"\r\nClass=System\r\n" + body);
}

TEST(InstallPlanTest, EachWindowsTakesItsSignatures) {
  struct Case {
    const char* signature;
    bool nt, me;
  };
  const Case cases[] = {
      {"$Windows NT$", true, false}, {"$WINDOWS NT$", true, false},  {"$Chicago$", true, true},
      {"$Windows 95$", true, true},  {"$Windows 98$", false, false}, {"", false, false},
  };
  for (const Case& c : cases) {
    InfFile file = Inf(c.signature, "");
    EXPECT_EQ(CheckSignature(file, kXp) == 0, c.nt) << c.signature;
    EXPECT_EQ(CheckSignature(file, k2000) == 0, c.nt) << c.signature;
    EXPECT_EQ(CheckSignature(file, kMe) == 0, c.me) << c.signature;
  }
  // A signature is compared as written, not substituted.
  EXPECT_NE(CheckSignature(Inf("%sig%", "[Strings]\r\nsig=$Chicago$\r\n"), kXp), 0u);
}

TEST(InstallPlanTest, OnlyWindowsXpReadsDecorationsAndTakesTheClosestOne) {
  const std::string body =
      "[Manufacturer]\r\n%Mfg%=Models,NTx86.5.1,NT,NT.6.0,NTamd64,NTx86.5.1.3\r\n"
      "[Models]\r\nPlain=Install,*KVE0515\r\n"
      "[Models.NT]\r\nNt=Install,*KVE0515\r\n"
      "[Models.NTx86.5.1]\r\nXp=Install,*KVE0515\r\n"
      "[Install]\r\n[Strings]\r\nMfg=Korvane\r\n";
  InfFile file = Inf("$Windows NT$", body);
  const InfLine& manufacturer = file.Section("Manufacturer")->lines.front();
  EXPECT_EQ(ChooseModelsSection(file, manufacturer, kXp).section, "Models.NTx86.5.1");
  EXPECT_EQ(ChooseModelsSection(file, manufacturer, k2000).section, "Models");
  EXPECT_EQ(ChooseModelsSection(file, manufacturer, kMe).section, "Models");
  EXPECT_EQ(FindDriver(file, kXp, {"*KVE0515"})->description, "Xp");
  EXPECT_EQ(FindDriver(file, k2000, {"*KVE0515"})->description, "Plain");

  EXPECT_FALSE(DecorationScore("NT.6.0", kXp));       // a later Windows
  EXPECT_FALSE(DecorationScore("NTamd64", kXp));      // another processor
  EXPECT_FALSE(DecorationScore("NTx86.5.1.3", kXp));  // a server
  EXPECT_FALSE(DecorationScore("NT.5.1.1.4", kXp));   // a suite XP Professional lacks
  EXPECT_TRUE(DecorationScore("ntx86.5", kXp));
  EXPECT_LT(*DecorationScore("NT", kXp), *DecorationScore("NTx86", kXp));
  EXPECT_LT(*DecorationScore("NTx86", kXp), *DecorationScore("NT.5", kXp));
  EXPECT_LT(*DecorationScore("NT.5", kXp), *DecorationScore("NT.5.1", kXp));
}

TEST(InstallPlanTest, ModelsDecoratedForXpOnlyGiveWindows2000NoDriver) {
  InfFile file = Inf("$Windows NT$",
                     "[Manufacturer]\r\nKorvane=Models,NTx86.5.1\r\n"
                     "[Models.NTx86.5.1]\r\nXp=Install,*KVE0515\r\n"
                     "[Install.NT]\r\n[Install.NT.Services]\r\nAddService=,2\r\n");
  Folders folders{"C:\\WINNT", "C:\\WINNT\\system32", "D:\\SETUP\\auto\\win2k", true};
  EXPECT_EQ(PlanInstall(file, k2000, folders, {"*KVE0515"}).error, ERROR_NO_MORE_ITEMS);
  PlanResult xp = PlanInstall(file, kXp, folders, {"*KVE0515"});
  EXPECT_EQ(xp.error, 0u) << xp.what;
  EXPECT_EQ(xp.plan.section, "Install.NT");
  EXPECT_EQ(xp.plan.driver.modelsSection, "Models.NTx86.5.1");
}

TEST(InstallPlanTest, TheDriverForTheEarliestOfTheDevicesIdsHardwareIdsFirst) {
  InfFile file = Inf("$Chicago$",
                     "[Manufacturer]\r\nA=A\r\nB=B\r\n"
                     "[A]\r\nCompatible=I,OTHER,pci\\ven_1a2b\r\nLate=I,*kve0516\r\n"
                     "[B]\r\nHardware=I,PCI\\VEN_1A2B\r\n[I]\r\n");
  std::optional<DriverMatch> match =
      FindDriver(file, kMe, {"*KVE0515", "PCI\\VEN_1A2B", "*KVE0516"});
  ASSERT_TRUE(match);
  EXPECT_EQ(match->description, "Hardware");  // its hardware ID beats the other's compatible one
  EXPECT_EQ(match->manufacturer, "B");
  EXPECT_EQ(match->deviceIdIndex, 1);
  EXPECT_EQ(match->modelsLine, 11);
  EXPECT_FALSE(FindDriver(file, kMe, {"*KVE0517"}));
  EXPECT_EQ(FindDriver(file, kMe, {"*KVE0517", "*KVE0516"})->matchingId, "*kve0516");
}

TEST(InstallPlanTest, TheInstallSectionsPlatformExtension) {
  InfFile file = Inf("$Windows NT$", "[S]\r\n[S.NT]\r\n[S.NTx86]\r\n[T]\r\n[T.NT]\r\n[U]\r\n");
  std::string extension;
  EXPECT_EQ(ActualInstallSection(file, kXp, "S", &extension), "S.NTx86");
  EXPECT_EQ(extension, ".NTx86");
  EXPECT_EQ(ActualInstallSection(file, k2000, "T", &extension), "T.NT");
  EXPECT_EQ(ActualInstallSection(file, kXp, "U", &extension), "U");
  EXPECT_EQ(ActualInstallSection(file, kMe, "S", &extension), "S");
  EXPECT_FALSE(ActualInstallSection(file, kXp, "V", &extension));
}

const char kPackageInf[] =
    "Provider=%Korvane%\r\nClassGuid={4D36E97D-E325-11CE-BFC1-08002BE10318}\r\n"
    "DriverVer=03/15/2004,1.0.0.1\r\n"
    "[SourceDisksNames]\r\n1=%Disk%,,,\\files\r\n"
    "[SourceDisksNames.x86]\r\n1=%Disk%,,,\\x86\r\n"
    "[SourceDisksFiles]\r\nkvms.sys=1,sub\r\nkvms.txt=1\r\n"
    "[DestinationDirs]\r\nDefaultDestDir=11\r\nSysFiles=12\r\nHelpFiles=10,Help\\Kv\r\n"
    "[Manufacturer]\r\n%Korvane%=Korvane\r\n"
    "[Korvane]\r\n%Desc%=KVMS_Install,*KVE0515\r\n"
    "[KVMS_Install]\r\nCopyFiles=SysFiles,@kvms.txt,HelpFiles\r\nAddReg=Reg\r\nDelFiles=Old\r\n"
    "[KVMS_Install.NT]\r\nCopyFiles=SysFiles\r\nAddReg=Reg\r\nDriverVer=04/01/2004,2.0\r\n"
    "[KVMS_Install.NT.HW]\r\nAddReg=HwReg\r\n"
    "[KVMS_Install.NT.Services]\r\nAddService=kvms,2,Service\r\n"
    "[Service]\r\nServiceType=1\r\nStartType=3\r\nErrorControl=1\r\n"
    "ServiceBinary=%12%\\kvms.sys\r\nDisplayName=%Desc%\r\nAddReg=ServiceReg\r\n"
    "[SysFiles]\r\nkvms.sys,,,0x10\r\nkvms2.sys,kvms.sys\r\n"
    "[HelpFiles]\r\nkvms.hlp\r\n"
    "[Reg]\r\nHKR,,MsDriveIconFile,,\"%10%\\kvms.ico\"\r\nHKR,Parameters,Poll,0x00010001,1000\r\n"
    "HKLM,Software\\Korvane,,0x10\r\nHKR,Gone,,0x8000\r\nHKXX,Bad,Root\r\n"
    "[HwReg]\r\nHKR,,Speed,0x10001,2\r\n"
    "[ServiceReg]\r\nHKR,Parameters,Debug,0x10001,0\r\n"
    "[Strings]\r\nKorvane=Korvane\r\nDisk=Driver Disk\r\nDesc=Memory Stick Reader\r\n";

TEST(InstallPlanTest, AWholePlanOnWindowsXpAndOnWindowsMe) {
  InfFile file = Inf("$Chicago$", kPackageInf);
  Folders xpFolders{"C:\\WINDOWS", "C:\\WINDOWS\\system32", "D:\\SETUP\\auto\\winxp", true};
  PlanResult xp = PlanInstall(file, kXp, xpFolders, {"*KVE0515"});
  ASSERT_EQ(xp.error, 0u) << xp.what;
  const InstallPlan& plan = xp.plan;
  EXPECT_EQ(plan.section, "KVMS_Install.NT");
  EXPECT_EQ(plan.provider, "Korvane");
  EXPECT_EQ(plan.driverDate, "04/01/2004");  // the install section's DriverVer wins
  EXPECT_EQ(plan.driverVersion, "2.0");
  ASSERT_EQ(plan.copies.size(), 2u);
  EXPECT_EQ(plan.copies[0].sourceFolder, "D:\\SETUP\\auto\\winxp\\x86\\sub");  // .x86 on NT
  EXPECT_EQ(plan.copies[0].targetFolder, "C:\\WINDOWS\\system32\\drivers");
  EXPECT_EQ(plan.copies[0].flags, 0x10u);
  EXPECT_EQ(plan.copies[1].targetName, "kvms2.sys");
  EXPECT_EQ(plan.copies[1].sourceName, "kvms.sys");
  ASSERT_EQ(plan.registry.size(), 4u);  // the unknown root and the deletion are not AddReg's
  EXPECT_EQ(plan.registry[0].data, std::vector<std::string>{"C:\\WINDOWS\\kvms.ico"});
  EXPECT_EQ(plan.registry[1].flags, 0x10001u);
  EXPECT_FALSE(plan.registry[2].valueName.has_value() && !plan.registry[2].valueName->empty());
  EXPECT_EQ(plan.registry[3].root, RegistryRoot::kHardwareKey);
  ASSERT_EQ(plan.services.size(), 1u);
  EXPECT_EQ(plan.services[0].binary, "C:\\WINDOWS\\system32\\drivers\\kvms.sys");
  EXPECT_EQ(plan.services[0].displayName, "Memory Stick Reader");
  EXPECT_EQ(plan.services[0].registry.size(), 1u);

  Folders meFolders{"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "D:\\SETUP\\auto\\winme", false};
  PlanResult me = PlanInstall(file, kMe, meFolders, {"*KVE0515"});
  ASSERT_EQ(me.error, 0u) << me.what;
  EXPECT_EQ(me.plan.section, "KVMS_Install");
  ASSERT_EQ(me.plan.copies.size(), 4u);
  EXPECT_EQ(me.plan.copies[0].sourceFolder, "D:\\SETUP\\auto\\winme\\files\\sub");
  EXPECT_EQ(me.plan.copies[0].targetFolder, "C:\\WINDOWS\\SYSTEM\\IOSUBSYS");
  EXPECT_EQ(me.plan.copies[2].targetFolder, "C:\\WINDOWS\\SYSTEM");  // @file: DefaultDestDir
  EXPECT_EQ(me.plan.copies[3].targetFolder, "C:\\WINDOWS\\Help\\Kv");
  EXPECT_FALSE(me.plan.copies[3].listedInSourceDisks);
  EXPECT_EQ(me.plan.copies[3].sourceFolder, "D:\\SETUP\\auto\\winme");
  EXPECT_TRUE(me.plan.services.empty());  // no services on Windows Me
  EXPECT_EQ(me.plan.notCarriedOut, std::vector<std::string>{"DelFiles (line 25)"});
}

TEST(InstallPlanTest, WhatMakesAPlanFail) {
  Folders folders{"C:\\WINDOWS", "C:\\WINDOWS\\system32", "D:\\SETUP", true};
  auto plan = [&folders](const std::string& install) {
    return PlanInstall(
        Inf("$Windows NT$", "[Manufacturer]\r\nK=K\r\n[K]\r\nD=I,*KVE0515\r\n" + install), kXp,
        folders, {"*KVE0515"});
  };
  struct Case {
    std::string install;
    uint32_t error;
    int line;
  };
  const Case cases[] = {
      {"[J]\r\n", ERROR_SECTION_NOT_FOUND, 7},
      {"[I]\r\nCopyFiles=Missing\r\n", ERROR_SECTION_NOT_FOUND, 9},
      {"[I]\r\nAddReg=Missing\r\n[I.Services]\r\nAddService=,2\r\n", ERROR_SECTION_NOT_FOUND, 9},
      {"[I]\r\nCopyFiles=F\r\n[F]\r\na.sys\r\n[DestinationDirs]\r\nF=77\r\n",
       ERROR_INVALID_PARAMETER, 13},
      {"[I]\r\n[I.Services]\r\nAddService=kv,2,S\r\n[S]\r\nServiceType=1\r\n",
       ERROR_BAD_SERVICE_INSTALLSECT, 11},
      {"[I]\r\n[I.Services]\r\nAddService=kv,2\r\n", ERROR_SECTION_NOT_FOUND, 10},
      {"[I]\r\n", ERROR_NO_ASSOCIATED_SERVICE, 8},
      {"[I]\r\n[I.Services]\r\nAddService=kv,0,S\r\n[S]\r\nServiceType=1\r\nStartType=3\r\n"
       "ErrorControl=1\r\nServiceBinary=%12%\\kv.sys\r\n",
       ERROR_NO_ASSOCIATED_SERVICE, 8},
  };
  for (const Case& c : cases) {
    PlanResult result = plan(c.install);
    EXPECT_EQ(result.error, c.error) << c.install;
    EXPECT_EQ(result.at.line, c.line) << c.install;
  }
  EXPECT_EQ(plan("[I]\r\n[I.Services]\r\nAddService=,2\r\n").error, 0u);  // the null service
  EXPECT_EQ(PlanInstall(Inf("$Windows NT$", ""), kMe, folders, {"*KVE0515"}).error,
            ERROR_WRONG_INF_STYLE);
}

}  // namespace
}  // namespace talvex::inf
