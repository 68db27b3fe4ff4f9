// KVIconEditor: the project's icon. It names the icon file, lists its images with their sizes
// and encodings, previews the selected image at its real size, and lets the user pick another
// .ico file; saving makes the picked file the project's icon. It edits no pixels.
#pragma once

#include <memory>
#include <string>

#include "app/framework/ChildFocus.h"
#include "app/framework/Framework.h"
#include "build/IconFile.h"

class KVDocumentHost;

class KVIconEditor : public KVEditorBase, public KVScrollDialog {
public:
  static constexpr int kFileNameId = 101;
  static constexpr int kLabelId = 201;
  static constexpr int kPreviewId = 202;
  static constexpr int kBrowseId = 301;
  static constexpr int kImageListId = 401;

  explicit KVIconEditor(KVDocumentHost& host);
  ~KVIconEditor() override;

  bool create(DocumentRecord* record, HWND parentWindow, int x, int y, int width, int height) override;
  bool save() override;
  std::string failure() const override { return lastFailure; }

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // What Browse does once the user has chosen a file: the file is shown in place of the
  // current one and the document is marked modified, unless it is the file shown already.
  // A file that is not a readable icon is refused with a message that says why.
  void pick(const std::string& path);
  // Shows the icon file; false, leaving what is shown, when it cannot be read as an icon.
  bool load(const std::string& path);

  const std::string& iconPath() const { return shownPath; }
  HWND imageList() const { return listView; }
  HWND fileNameField() const { return fileNameEdit; }
  HWND browseButton() const { return browse; }
  HICON previewIcon() const { return preview; }
  int previewWidth() const { return previewSize.cx; }
  int previewHeight() const { return previewSize.cy; }

private:
  void onInitDialog();
  void buildControls();
  void onBrowse();
  void onNotify(const NMHDR& header);
  void showPreview(int index);
  void onDrawPreview(const DRAWITEMSTRUCT& draw);
  void refuse(const std::string& text) const;
  void destroyPreview();

  KVDocumentHost& host;
  std::string shownPath;
  std::unique_ptr<KVIconFile> icon;
  HICON preview = nullptr;
  SIZE previewSize = {};
  HWND fileNameEdit = nullptr;
  HWND browse = nullptr;
  HWND listView = nullptr;
  HWND previewControl = nullptr;
  std::string lastFailure;
  KVChildFocus focusBack;
};
