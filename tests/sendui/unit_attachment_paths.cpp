// Path splitting, folder creation and the size text of the attachment
// preparation, including file names in a double-byte code page.
#include "public/framework/Collections.h"
#include "sendui/AttachmentPaths.h"
#include "sendui/AttachmentPreparation.h"
#include "tests/sendui/ModuleResources.h"
#include "tests/sendui/SendUiTestFiles.h"

#include <gtest/gtest.h>

using namespace email32::test;

namespace {

CString NameOf(const char* path) {
    CString name;
    GetFileName(path, name);
    return name;
}

CString ExtensionOf(const char* path) {
    CString ext;
    GetExtension(path, ext);
    return ext;
}

CStringList ListOf(const std::vector<std::string>& paths) {
    CStringList list(10);
    for (const std::string& path : paths) list.AddTail(path);
    return list;
}

}  // namespace

TEST(AttachmentPaths, NamesAndExtensionsComeFromTheLastPathPart) {
    EXPECT_STREQ(NameOf("C:\\pictures\\holiday.bmp"), "holiday.bmp");
    EXPECT_STREQ(NameOf("C:holiday.bmp"), "holiday.bmp");
    EXPECT_STREQ(NameOf("holiday.bmp"), "holiday.bmp");
    EXPECT_STREQ(NameOf("C:\\pictures\\"), "");
    EXPECT_STREQ(ExtensionOf("C:\\pictures.2024\\holiday"), "");
    EXPECT_STREQ(ExtensionOf("C:\\pictures\\archive.tar.GZ"), "GZ");
    EXPECT_STREQ(ExtensionOf("C:\\pictures\\trailing."), "");
    EXPECT_STREQ(email32::sendui::FileStem("C:\\a.b\\photo.final.jpg"), "photo.final.");
    EXPECT_TRUE(email32::sendui::ExtensionIn("JpEg", {"jpg", "jpeg"}));
    EXPECT_FALSE(email32::sendui::ExtensionIn("jpe", {"jpg", "jpeg"}));
}

TEST(AttachmentPaths, FolderTreesAreCreatedWithTheirParents) {
    TempFolder root("tree");
    const std::string deep = root / "one\\two\\three\\";
    EXPECT_TRUE(CreateFolderTree(deep.c_str()));
    EXPECT_TRUE(FileExists(root / "one\\two\\three"));
    EXPECT_TRUE(CreateFolderTree(deep.c_str()));  // already there
    EXPECT_TRUE(CreateFolderTree((root / "four\\five").c_str()));
    EXPECT_TRUE(FileExists(root / "four\\five"));
    EXPECT_FALSE(CreateFolderTree("Q:"));
    // Below a file no folder can be made.
    WriteFile(root / "file", "x");
    EXPECT_FALSE(CreateFolderTree((root / "file\\sub\\").c_str()));
}

TEST(AttachmentPaths, SizeTextRoundsUpToWholeKilobytes) {
    const ModuleResources resources;
    TempFolder folder("size");
    WriteFile(folder / "one", std::string(1, 'x'));
    WriteFile(folder / "kilo", std::string(1024, 'x'));
    WriteFile(folder / "kiloplus", std::string(1025, 'x'));
    EXPECT_STREQ(email32::sendui::EstimateSize(ListOf({})), "0 KB");
    EXPECT_STREQ(email32::sendui::EstimateSize(ListOf({folder / "one"})), "1 KB");
    EXPECT_STREQ(email32::sendui::EstimateSize(ListOf({folder / "kilo"})), "1 KB");
    EXPECT_STREQ(email32::sendui::EstimateSize(ListOf({folder / "kiloplus"})), "2 KB");
    // Files that cannot be opened count nothing; the rest still add up.
    EXPECT_STREQ(email32::sendui::EstimateSize(ListOf({folder / "kilo", folder / "missing", folder / "one"})), "2 KB");
}

// Under code page 950 the second byte of 許, 功 and 蓋 is 0x5C, the backslash.
TEST(CodePage950, PathsSplitBetweenCharactersNotInsideThem) {
    if (::GetACP() != 950) GTEST_SKIP() << "needs the zh_TW locale (code page 950)";
    const std::string folder = Ansi(L"C:\\許功蓋\\");
    ASSERT_EQ(folder.size(), 10u);
    ASSERT_EQ(folder[4], '\\');  // trail byte of 許
    const std::string name = Ansi(L"蓋");
    EXPECT_EQ(std::string(NameOf((folder + name).c_str())), name);
    EXPECT_EQ(std::string(NameOf((folder + name + ".bmp").c_str())), name + ".bmp");
    EXPECT_STREQ(ExtensionOf((folder + name).c_str()), "");
    EXPECT_STREQ(ExtensionOf((folder + name + ".PNG").c_str()), "PNG");
    EXPECT_EQ(std::string(email32::sendui::FileStem((folder + Ansi(L"許功")).c_str())), Ansi(L"許功") + ".");

    TempFolder root("cp950");
    const std::string tree = root.path() + Ansi(L"許\\功蓋\\蓋") + "\\";
    ASSERT_TRUE(CreateFolderTree(tree.c_str()));
    const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, tree.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, tree.c_str(), -1, wide.data(), wideLength);
    EXPECT_NE(wide.find(L"\\許\\功蓋\\蓋\\"), std::wstring::npos);
    EXPECT_NE(::GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
}
