#include "core/update_rules.h"

#include "core/ini_text.h"
#include "core/site_address.h"

#include <gtest/gtest.h>

using namespace bimbly::update;

namespace {
const std::wstring kDir = L"C:\\Games\\Bimbly\\";
}

TEST(UpdateRules, FileNamesInsideTheProgramFolderOnly) {
  struct Case {
    std::wstring name;
    bool safe;
  };
  const Case cases[] = {
      {L"Tobble.exe", true},        {L"sub\\Music.dll", true},   {L"a/b.txt", true},
      {L"", false},                 {L"..\\x.dll", false},       {L"sub\\..\\..\\x", false},
      {L"..", false},               {L".\\x", false},            {L"C:\\x.dll", false},
      {L"C:x.dll", false},          {L"\\\\host\\x", false},     {L"\\x.dll", false},
      {L"/etc/x", false},           {L"CON", false},             {L"con.txt", false},
      {L"sub\\NUL", false},         {L"COM1", false},            {L"lpt9.dll", false},
      {L"a:b", false},              {L"x.dll:stream", false},    {L"a\\\\b", false},
      {L"x.", false},               {L"x ", false},              {L"x?.dll", false},
      {L"a\tb", false},             {std::wstring(300, L'a'), false},
      {L"COM10", true},             {L"console.dll", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSafeProgramFileName(c.name, kDir), c.safe) << c.name.size();
  // The download name must fit too: a name that fits only without "download\" and "_" is refused.
  const std::wstring fits(kMaxPathChars - kDir.size() - 10, L'b');
  EXPECT_TRUE(IsSafeProgramFileName(fits, kDir));
  EXPECT_FALSE(IsSafeProgramFileName(fits + L"b", kDir));
}

TEST(UpdateRules, InsideFolderAndAddresses) {
  EXPECT_TRUE(IsInsideFolder(L"c:\\games\\BIMBLY\\x.dll", kDir));
  EXPECT_FALSE(IsInsideFolder(L"C:\\Games\\BimblyX\\x.dll", kDir));
  EXPECT_FALSE(IsInsideFolder(L"C:\\Games\\Bimbly\\", kDir));
  EXPECT_FALSE(IsInsideFolder(L"C:\\Games\\x.dll", kDir));
  EXPECT_TRUE(IsAllowedFileUrl(L"https://bimbly.example/download/Tobble.exe"));
  EXPECT_TRUE(IsAllowedFileUrl(L"HTTP://127.0.0.1:8080/download/x"));
  EXPECT_FALSE(IsAllowedFileUrl(L"http://mirror.example/x"));
  EXPECT_FALSE(IsAllowedFileUrl(L"http://127.0.0.1.mirror.example/x"));
  EXPECT_TRUE(IsAllowedFileUrl(L"http://localhost/x"));
  EXPECT_TRUE(IsAllowedFileUrl(L"http://[::1]:81/x"));
  EXPECT_FALSE(IsAllowedFileUrl(L"http:///x"));
  EXPECT_FALSE(IsAllowedFileUrl(L"https://"));
  EXPECT_FALSE(IsAllowedFileUrl(L"ftp://bimbly.example/x"));
  EXPECT_FALSE(IsAllowedFileUrl(L"file:///C:/x"));
  EXPECT_EQ(ManifestUrl(L"https://b.example/download"), L"https://b.example/download/lastver");
  EXPECT_EQ(SignatureUrl(L"https://b.example/download/"), L"https://b.example/download/lastver.sig");
}

TEST(UpdateRules, SizesSerialsAndSuffixes) {
  EXPECT_EQ(DownloadLimit(ParseSize(L"1000")), 1001u);
  EXPECT_EQ(DownloadLimit(ParseSize(L"")), kDefaultDownloadLimit);
  EXPECT_EQ(DownloadLimit(ParseSize(L"12x")), kDefaultDownloadLimit);
  EXPECT_EQ(DownloadLimit(ParseSize(L"999999999999999999")), kDefaultDownloadLimit + 1);
  EXPECT_FALSE(ParseSize(L"-1"));
  EXPECT_GE(TransferDeadlineMs(0), 60'000u);
  EXPECT_LE(TransferDeadlineMs(kDefaultDownloadLimit), 30u * 60 * 1000);
  EXPECT_EQ(ProgressPercent(100, 3), 33);
  EXPECT_EQ(ProgressPercent(300, 3), 100);
  EXPECT_EQ(ProgressPercent(100, 0), 0);
  EXPECT_TRUE(HasExeSuffix(L"a.exe"));
  EXPECT_TRUE(HasExeSuffix(L"A.EXE"));
  EXPECT_FALSE(HasExeSuffix(L"a.Exe"));
  EXPECT_FALSE(HasExeSuffix(L"ex"));
  struct Serials {
    const wchar_t* offered;
    const wchar_t* installed;
    bool ok;
  };
  const Serials serials[] = {{L"5", L"", true},   {L"5", L"5", false},  {L"6", L"5", true},
                             {L"4", L"5", false}, {L"", L"", false},   {L"x", L"1", false},
                             {L"10", L"9", true}, {L"9", L"10", false}, {L"0", L"", false},
                             {L"1", L"damaged", true}, {L"1000000000000000000", L"", false}};
  for (const auto& s : serials) EXPECT_EQ(SerialAcceptable(s.offered, s.installed), s.ok) << s.offered << L"/" << s.installed;
}

TEST(UpdateRules, ListsAndSelection) {
  EXPECT_EQ(ListName(L"File", 12), L"File12");
  const std::wstring history[] = {L"0.1", L"0.2", L""};
  EXPECT_EQ(FirstEmptyEntry([&](int n) { return n < 3 ? history[n] : std::wstring(); }), 2);
  EXPECT_EQ(FirstEmptyEntry([](int) { return std::wstring(L"x"); }), kMaxListEntries);

  std::vector<ManifestEntry> manifest(4);
  manifest[0].file = L"Tobble.exe", manifest[0].check = L"aa";
  manifest[1].file = L"Music.dll", manifest[1].check = L"bb";
  manifest[2].file = L"..\\evil.dll", manifest[2].check = L"cc";
  manifest[3].file = L"New.dll", manifest[3].check = L"DD";
  std::vector<std::wstring> asked;
  auto digest = [&](const std::wstring& f) {
    asked.push_back(f);
    return f == L"Music.dll" ? std::wstring(L"bb") : f == L"New.dll" ? std::wstring(L"dd") : std::wstring();
  };
  const auto chosen = SelectUpdates(L"0.3", manifest, kDir, digest);
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[0].file, L"Tobble.exe");
  EXPECT_EQ(chosen[1].file, L"New.dll");  // an uppercase digest never matches
  EXPECT_EQ(asked.size(), 3u);            // the unsafe name was never looked up
  EXPECT_TRUE(SelectUpdates(L"", manifest, kDir, digest).empty());
}

TEST(UpdateRules, PublicKeyFromPem) {
  const char pem[] =
      "-----BEGIN PUBLIC KEY-----\n"
      "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEAQIDBAUGBwgJCgsMDQ4PEBESExQV\n"
      "FhcYGRobHB0eHyAhIiMkJSYnKCkqKywtLi8wMTIzNDU2Nzg5Ojs8PT4/QA==\n"
      "-----END PUBLIC KEY-----\n";
  const auto point = P256PointFromPem(pem);
  ASSERT_EQ(point.size(), 64u);
  EXPECT_EQ(point.front(), 1);
  EXPECT_EQ(point.back(), 64);
  EXPECT_TRUE(P256PointFromPem("-----BEGIN PUBLIC KEY-----\nAAAA\n-----END PUBLIC KEY-----").empty());
  EXPECT_TRUE(P256PointFromPem("no key").empty());
  EXPECT_TRUE(DecodeBase64("QQ=A").empty());
  EXPECT_EQ(DecodeBase64("QUJD").size(), 3u);
}

TEST(UpdateRules, SiteAddressesJoinedWithOneSlash) {
  for (const wchar_t* base : {L"https://b.example/download/", L"https://b.example/download",
                              L"https://b.example/download//"})
    EXPECT_EQ(ManifestUrl(base), L"https://b.example/download/lastver") << base;
  EXPECT_EQ(bimbly::JoinAddress(L"https://b.example/", L"/help.html"), L"https://b.example/help.html");
  const std::wstring help = bimbly::SiteAddress(L"help.html");
  EXPECT_EQ(help.find(L"//help"), std::wstring::npos);
  EXPECT_EQ(help.substr(help.size() - 10), L"/help.html");
}

TEST(UpdateRules, ManifestReadFromMemoryAsTheProfileFunctionsReadIt) {
  const bimbly::IniText ini(
      "[Version]\r\nver = 0.3 \r\nSERIAL=\"12\"\r\n[file0]\r\nfile=Music.dll\r\nurl0=https://a/x\r\n"
      "url2=https://skipped\r\n[File1]\r\nsize=1\r\n[Version]\r\nver=second\r\nnoise\n[File0]\nfile=again");
  EXPECT_EQ(ini.Get("version", "Ver"), "0.3");
  EXPECT_EQ(ini.Get("Version", "serial"), "12");
  EXPECT_EQ(ini.Get("Version", "missing"), "");
  EXPECT_EQ(ini.Get("Nowhere", "ver"), "");
  const auto entries = ReadManifestEntries([&](const std::wstring& section, const std::wstring& key) {
    const std::string s = ini.Get(std::string(section.begin(), section.end()), std::string(key.begin(), key.end()));
    return std::wstring(s.begin(), s.end());
  });
  ASSERT_EQ(entries.size(), 1u);  // File1 has no "file": the list ends there
  EXPECT_EQ(entries[0].urls, std::vector<std::wstring>{L"https://a/x"});
  EXPECT_EQ(FindEntry(entries, L"MUSIC.DLL"), &entries[0]);
  EXPECT_EQ(FindEntry(entries, L"Music.dl"), nullptr);
}
