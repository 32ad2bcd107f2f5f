#include "core/program_paths.h"

#include <gtest/gtest.h>

using namespace bimbly;

TEST(ProgramPaths, DirectoryKeepsDriveAndFoldersAndEndsInOneBackslash) {
  EXPECT_EQ(DirectoryOfPath(L"C:\\Games\\Bimbly\\Tobble.exe"), L"C:\\Games\\Bimbly\\");
  EXPECT_EQ(DirectoryOfPath(L"C:\\Tobble.exe"), L"C:\\");
  EXPECT_EQ(DirectoryOfPath(L"C:\\Games\\\\Tobble.exe"), L"C:\\Games\\");
  EXPECT_EQ(DirectoryOfPath(L"\\\\server\\share\\Bimbly\\Tobble.exe"), L"\\\\server\\share\\Bimbly\\");
  EXPECT_EQ(DirectoryOfPath(L"Z:/unix/like/Tobble.exe"), L"Z:/unix/like\\");
  EXPECT_EQ(DirectoryOfPath(L"C:Tobble.exe"), L"C:\\");
  EXPECT_EQ(DirectoryOfPath(L"Tobble.exe"), L"");
  EXPECT_EQ(DirectoryOfPath(L""), L"");
}

TEST(ProgramPaths, ConfigFileLiesBesideTheProgram) {
  EXPECT_EQ(ConfigPathFor(L"D:\\Apps\\Bimbly\\Update.exe"), L"D:\\Apps\\Bimbly\\config.ini");
  EXPECT_EQ(ConfigPathFor(L"D:\\Tobble.exe"), L"D:\\config.ini");
}

TEST(ProgramPaths, UpdatePathsFollowTheirFixedOrder) {
  const auto p = BuildUpdatePaths(L"C:\\Bimbly\\Tobble.exe");
  EXPECT_EQ(p[kProgramDir], L"C:\\Bimbly\\");
  EXPECT_EQ(p[kDownloadDir], L"C:\\Bimbly\\download\\");
  EXPECT_EQ(p[kLastVerIni], L"C:\\Bimbly\\download\\lastver.ini");
  EXPECT_EQ(p[kUpdateIni], L"C:\\Bimbly\\download\\update.ini");
  EXPECT_EQ(p[kUpHelpIni], L"C:\\Bimbly\\download\\uphelp.ini");
  EXPECT_EQ(p[kVerInfoIni], L"C:\\Bimbly\\verinfo.ini");
  EXPECT_EQ(p[kUpdateTestIni], L"C:\\Bimbly\\download\\updatetest.ini");
  EXPECT_EQ(p[kLauncherExe], L"C:\\Bimbly\\Tobble.exe");
  EXPECT_EQ(p[kUpdaterExe], L"C:\\Bimbly\\Update.exe");
  EXPECT_EQ(p[kHelperExe], L"C:\\Bimbly\\Upmender.exe");
}

TEST(ProgramPaths, ProgramAtDriveRootHasOneBackslash) {
  const auto p = BuildUpdatePaths(L"E:\\Upmender.exe");
  EXPECT_EQ(p[kProgramDir], L"E:\\");
  EXPECT_EQ(p[kDownloadDir], L"E:\\download\\");
}

TEST(ProgramPaths, LongAndNonAsciiDirectoriesSurvive) {
  std::wstring deep = L"C:";
  for (int i = 0; i < 100; ++i) deep += L"\\\u6E38\u620F";  // "游戏" a hundred levels deep
  const auto p = BuildUpdatePaths(deep + L"\\Tobble.exe");
  EXPECT_EQ(p[kProgramDir], deep + L"\\");
  EXPECT_EQ(p[kVerInfoIni], deep + L"\\verinfo.ini");
}
