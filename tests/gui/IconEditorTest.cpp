// The icon editor in the frame: the images of the project's icon listed and previewed, a
// picked file shown and marked as a change, files that are not icons refused with a message,
// and saving making the picked icon the project's, which the tree and the next build use.
#include <gtest/gtest.h>

#include "build/Builder.h"
#include "build/IconFile.h"
#include "pe/ResourceImage.h"
#include "tests/build/PackFixture.h"
#include "tests/build/PeFixture.h"
#include "common/Text.h"
#include "project/ProjectTree.h"
#include "resedit/IconEditor.h"
#include "tests/gui/DialogAnswer.h"
#include "tests/gui/ResourceProject.h"

namespace {

using kvtest::Pump;
using kvtest::TempFolder;

class IconEditorTest : public kvtest::ResourceProjectTest {
protected:
  static std::string cell(HWND list, int row, int column) {
    wchar_t text[64] = {};
    ListView_GetItemText(list, row, column, text, 64);
    return kvtext::WideToUtf8(text);
  }
  static std::string rows(HWND list) {
    std::string all;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) all += cell(list, i, 0) + " " + cell(list, i, 1) + ";";
    return all;
  }
  static void select(HWND list, int row) {
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Pump();
  }
  // An icon elsewhere with a 256 x 256 PNG image and a 32 x 32 bitmap image.
  std::string otherIcon(const std::string& name) {
    const std::string path = elsewhere / name;
    const auto pixel = [](std::uint32_t x, std::uint32_t) { return x < 16 ? 0xFFCC2020u : 0x8020CC20u; };
    TempFolder::Write(path, kvtest::IconFileBytes({{0, 0, 32, kvtest::RgbaPng(256, 256, pixel)},
                                                   {32, 32, 32, kvtest::IconBitmap32(32, pixel)}}));
    return path;
  }

  TempFolder elsewhere;
};

TEST_F(IconEditorTest, ListsThePreviewedImagesOfTheProjectIcon) {
  openProject();
  KVIconEditor* editor = open<KVIconEditor>("Icon");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(rows(editor->imageList()), "16x16 BMP;32x32 BMP;");
  wchar_t name[64] = {};
  GetWindowTextW(editor->fileNameField(), name, 64);
  EXPECT_STREQ(name, L"app.ico");
  EXPECT_EQ(GetFocus(), editor->browseButton());
  EXPECT_EQ(frame->dialogNavigationWindow(), editor->editorWindow);
  ASSERT_NE(editor->previewIcon(), nullptr);
  EXPECT_EQ(editor->previewWidth(), 16);

  select(editor->imageList(), 1);
  ASSERT_NE(editor->previewIcon(), nullptr);
  EXPECT_EQ(editor->previewWidth(), 32);
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(editor->previewIcon(), &info));
  BITMAP colour = {};
  GetObjectW(info.hbmColor, sizeof(colour), &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  EXPECT_EQ(editor->modified, 0);
}

TEST_F(IconEditorTest, PickingTheSameFileInAnyCaseChangesNothing) {
  openProject();
  KVIconEditor* editor = open<KVIconEditor>("Icon");
  ASSERT_NE(editor, nullptr);
  std::string shouted = resources + "APP.ICO";
  editor->pick(shouted);
  Pump();
  EXPECT_EQ(editor->modified, 0);
  EXPECT_EQ(editor->iconPath(), resources + "app.ico");
}

TEST_F(IconEditorTest, AFileThatIsNotAnIconIsRefusedWithTheReason) {
  openProject();
  KVIconEditor* editor = open<KVIconEditor>("Icon");
  ASSERT_NE(editor, nullptr);
  const std::string fake = elsewhere / "fake.ico";
  TempFolder::Write(fake, "GIF89a not an icon at all");
  kvtest::DialogAnswer error(L"KelVox Studio");
  kvtest::AnswerInOrder({&error});
  editor->pick(fake);
  Pump();
  ASSERT_TRUE(error.answered);
  EXPECT_NE(error.seen.find("fake.ico"), std::string::npos) << error.seen;
  EXPECT_NE(error.seen.find("not an icon file"), std::string::npos) << error.seen;
  EXPECT_EQ(editor->modified, 0);
  EXPECT_EQ(rows(editor->imageList()), "16x16 BMP;32x32 BMP;");
}

TEST_F(IconEditorTest, SavingCopiesThePickedIconIntoResourcesForTheTreeAndTheBuild) {
  openProject();
  KVIconEditor* editor = open<KVIconEditor>("Icon");
  ASSERT_NE(editor, nullptr);
  const int imageBefore = frame->projectTree().imageOf(record("Icon")->treeNode);
  const std::string picked = otherIcon("brand.ico");
  editor->pick(picked);
  Pump();
  EXPECT_EQ(rows(editor->imageList()), "256x256 PNG;32x32 BMP;");
  EXPECT_EQ(editor->modified, 1);
  EXPECT_EQ(record("Icon")->item->fileName, "app.ico") << "nothing changes before the save";

  SendMessageW(frame->window, WM_COMMAND, IDM_SAVE, 0);
  Pump();
  EXPECT_EQ(editor->modified, 0);
  EXPECT_EQ(record("Icon")->item->Path(), resources + "brand.ico");
  EXPECT_EQ(editor->iconPath(), resources + "brand.ico");
  EXPECT_EQ(TempFolder::Read(resources + "brand.ico"), TempFolder::Read(picked));
  EXPECT_TRUE(TempFolder::Exists(resources + "app.ico")) << "the old icon stays on disk";
  // The tree draws the node from the new file: its picture was made again.
  EXPECT_NE(frame->projectTree().imageOf(record("Icon")->treeNode), imageBefore);

  // The project remembers the icon, and the next build stamps it: its first image is the PNG.
  ASSERT_TRUE(frame->closeProject());
  KVProject reopened;
  ASSERT_TRUE(reopened.Load(projectFile));
  const std::string ide = elsewhere / "KelVoxStudio.exe";
  const std::string runtime = kvtest::PeFixture::Contiguous(false, 3).Bytes();
  TempFolder::Write(ide, kvtest::IdeWithPack(kvtest::Pack({"ICON", kvtest::Xz(runtime), kvtest::Xz(runtime), "mac"})));
  ASSERT_TRUE(kvbuild::KVBuilder(reopened, ide).Build(1));
  kvpe::ResourceImage built;
  kvpe::ResourceSection stamped;
  const std::string image = TempFolder::Read(folder + "Res.exe");  // the parser keeps a view of it
  ASSERT_TRUE(built.Parse(image));
  ASSERT_TRUE(built.ReadResources(stamped));
  const auto id = kvpe::ResourceSection::Key::Id;
  const kvpe::ResourceSection::Entry* group = stamped.Find(id(14), id(107), 1033);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->data.size(), 6u + 2 * 14);
  const kvpe::ResourceSection::Entry* first = stamped.Find(id(3), id(1), 1033);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->data.rfind("\x89PNG", 0), 0u);
}

TEST_F(IconEditorTest, AProjectWithoutAnIconFileGetsThePickedOne) {
  openProject("", "");
  KVIconEditor* editor = open<KVIconEditor>("Icon");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(ListView_GetItemCount(editor->imageList()), 0);
  EXPECT_EQ(editor->previewIcon(), nullptr);
  SendMessageW(frame->window, WM_COMMAND, IDM_SAVE, 0);  // nothing picked: nothing to do
  Pump();
  EXPECT_EQ(record("Icon")->item->fileName, "");

  editor->pick(otherIcon("first.ico"));
  SendMessageW(frame->window, WM_COMMAND, IDM_SAVE, 0);
  Pump();
  EXPECT_EQ(editor->modified, 0);
  EXPECT_EQ(record("Icon")->item->Path(), resources + "first.ico");
  EXPECT_TRUE(TempFolder::Exists(resources + "first.ico"));
}

TEST_F(IconEditorTest, AnIconOfTheSameNameReplacesTheProjectIconInPlace) {
  openProject();
  KVIconEditor* editor = open<KVIconEditor>("Icon");
  ASSERT_NE(editor, nullptr);
  const std::string picked = otherIcon("App.ico");
  editor->pick(picked);
  SendMessageW(frame->window, WM_COMMAND, IDM_SAVE, 0);
  Pump();
  EXPECT_EQ(editor->modified, 0);
  EXPECT_EQ(record("Icon")->item->fileName, "app.ico");
  EXPECT_EQ(TempFolder::Read(resources + "app.ico"), TempFolder::Read(picked));
  KVIconFile saved;
  ASSERT_TRUE(saved.Load(resources + "app.ico"));
  EXPECT_EQ(saved.Count(), 2u);
}

}  // namespace
