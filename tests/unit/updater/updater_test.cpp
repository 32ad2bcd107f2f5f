// The updater's platform pieces: CNG digests, whole-file replacement and the
// manifest signature check, and the update journal that undoes an update.
#include <gtest/gtest.h>

#include "core/update_rules.h"
#include "tests/support/test_folder.h"
#include "updater/common/file_digest.h"
#include "updater/common/file_replace.h"
#include "updater/common/manifest_signature.h"
#include "updater/common/update_journal.h"

namespace {

std::vector<std::uint8_t> FromHex(const char* hex) {
  std::vector<std::uint8_t> out;
  for (; hex[0] && hex[1]; hex += 2) out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex, 2), nullptr, 16)));
  return out;
}

}  // namespace

TEST(UpdaterDigest, KnownVectorsAndMissingFile) {
  TestFolder folder;
  struct Case {
    std::string bytes;
    const wchar_t* md5;
    const wchar_t* sha256;
  };
  const Case cases[] = {
      {"", L"d41d8cd98f00b204e9800998ecf8427e", L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", L"900150983cd24fb0d6963f7d28e17f72", L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // More than one window of the mapping.
      {std::string(3 << 20, 'a') + "b", L"fa275f5ed6248ff3050f603eab2cad4e",
       L"78734bbf075402e4fb21210183c18f0378f590ab117524913ba6fb545339c69a"},
  };
  for (const auto& c : cases) {
    folder.Write(L"f.bin", c.bytes);
    EXPECT_EQ(FileMd5Hex(folder.File(L"f.bin")), c.md5);
    EXPECT_EQ(FileSha256Hex(folder.File(L"f.bin")), c.sha256);
  }
  EXPECT_EQ(FileMd5Hex(folder.File(L"missing.bin")), L"");
}

TEST(UpdaterReplace, WholeFileOrNothing) {
  TestFolder folder;
  folder.Write(L"new.bin", "new contents");
  folder.Write(L"target.bin", "old");
  ::SetFileAttributesW(folder.File(L"target.bin").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(ReplaceFileAtomically(folder.File(L"new.bin"), folder.File(L"target.bin")));
  EXPECT_EQ(folder.Read(L"target.bin"), "new contents");
  EXPECT_TRUE(ReplaceFileAtomically(folder.File(L"new.bin"), folder.File(L"fresh.bin")));
  EXPECT_EQ(folder.Read(L"fresh.bin"), "new contents");

  EXPECT_FALSE(ReplaceFileAtomically(folder.File(L"missing.bin"), folder.File(L"target.bin")));
  EXPECT_EQ(folder.Read(L"target.bin"), "new contents");
  // No temporary copy is left beside the targets.
  WIN32_FIND_DATAW found{};
  HANDLE find = ::FindFirstFileW(folder.File(L"*.~update").c_str(), &found);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE);
  if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
  EXPECT_TRUE(EnsureDirectory(folder.File(L"a\\b\\c")));
  EXPECT_TRUE(EnsureDirectory(folder.File(L"a\\b\\c\\")));
}

TEST(UpdaterJournal, OldFilesComeBackOnRollBackAndGoOnCommit) {
  TestFolder folder;
  const CUpdateEnv env(folder.File(L"Update.exe"));
  ASSERT_TRUE(EnsureDirectory(env.path(bimbly::kDownloadDir)));
  for (bool commit : {false, true}) {
    folder.Write(L"a.dll", "old a");
    folder.Remove(L"added.dll");
    folder.Write(L"new.bin", "new");
    UpdateJournal journal(env);
    journal.SetStage(UpdateJournal::Stage::kUpdater);
    EXPECT_TRUE(journal.Replace(folder.File(L"new.bin"), folder.File(L"a.dll")));
    EXPECT_TRUE(journal.Replace(folder.File(L"new.bin"), folder.File(L"a.dll")));  // twice: the first copy wins
    EXPECT_TRUE(journal.Replace(folder.File(L"new.bin"), folder.File(L"added.dll")));
    EXPECT_EQ(UpdateJournal(env).stage(), UpdateJournal::Stage::kUpdater);  // on disk, for a later start
    if (commit) {
      folder.Write(L"install.ini", "[Files]\r\nf0=a.dll\r\nslots=1\r\n");
      journal.Commit();
      EXPECT_EQ(folder.Read(L"a.dll"), "new");
      EXPECT_EQ(folder.Read(L"added.dll"), "new");
      // The added file joins the installer's list, for the uninstaller.
      wchar_t added[64] = {};
      ::GetPrivateProfileStringW(L"Files", L"f1", L"", added, 64, folder.File(L"install.ini").c_str());
      EXPECT_STREQ(added, L"added.dll");
      EXPECT_EQ(::GetPrivateProfileIntW(L"Files", L"slots", 0, folder.File(L"install.ini").c_str()), 2u);
    } else {
      EXPECT_TRUE(journal.RollBack());
      EXPECT_EQ(folder.Read(L"a.dll"), "old a");
      EXPECT_FALSE(folder.Exists(L"added.dll"));
    }
    EXPECT_FALSE(journal.pending());
    EXPECT_FALSE(folder.Exists(L"download\\rollback"));
  }
}

TEST(UpdaterSignature, OnlyTheExactBytesUnderTheKey) {
  const char pem[] =
      "-----BEGIN PUBLIC KEY-----\n"
      "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAECKNYs4rSw4D4Nc1pNBgfcfSb2Mi/\n"
      "gP3VYzCoG6j8iN0SEq9Eir3FniRvlgzRiYAZQ9pbBsQ7RLlSRdjxmsnE+A==\n"
      "-----END PUBLIC KEY-----\n";
  const auto point = bimbly::update::P256PointFromPem(pem);
  const std::string text = "[Version]\r\nver=0.3\r\nserial=7\r\n";
  std::vector<std::uint8_t> message(text.begin(), text.end());
  auto signature = FromHex(
      "62f17c0a6cdc535096a677f2ac5bb51153110e49ab6321afdbfea392696c51ee"
      "194431e8cd5898aa36233978c3fc498ae82fb340e6e2af4916acad7ff2adcbdf");
  EXPECT_TRUE(VerifyManifestSignature(message, signature, point));
  auto changed = message;
  changed[14] ^= 1;
  EXPECT_FALSE(VerifyManifestSignature(changed, signature, point));
  auto badSignature = signature;
  badSignature[63] ^= 1;
  EXPECT_FALSE(VerifyManifestSignature(message, badSignature, point));
  EXPECT_FALSE(VerifyManifestSignature(message, std::vector<std::uint8_t>(signature.begin(), signature.end() - 1), point));
  EXPECT_FALSE(VerifyManifestSignature(message, signature, {}));
}
