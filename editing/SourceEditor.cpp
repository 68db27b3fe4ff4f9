#include "editing/SourceEditor.h"

#include <ILexer.h>
#include <Lexilla.h>
#include <SciLexer.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "app/framework/DocumentRecord.h"
#include "editing/AutocompletionPicture.h"
#include "editing/Sense.h"
#include "platform/AtomicFile.h"
#include "platform/Platform.h"
#include "resources/ResourceIds.h"

namespace {

constexpr const char* kJavaScriptWords =
    "var let new const function return if else switch case break for continue while do goto true false try catch "
    "finally throw kv fs path sqlite3";

constexpr const char* kDeclarationTypes =
    "int INT bool BOOL long LONG lparam LPARAM lresult LRESULT handle HANDLE hinstance HINSTANCE hwnd HWND pint PINT "
    "pbool PBOOL plong PLONG plparam PLPARAM plresult PLRESULT phandle PHANDLE phinstance PHINSTANCE phwnd PHWND "
    "uint UINT dword DWORD ulong ULONG wparam WPARAM puint PUINT pdword PDWORD pulong PULONG pwparam PWPARAM short "
    "SHORT pshort PSHORT ushort USHORT word WORD pushort PUSHORT pword PWORD char CHAR pchar PCHAR uchar UCHAR byte "
    "BYTE puchar PUCHAR pbyte PBYTE float FLOAT pfloat PFLOAT double DOUBLE pdouble PDOUBLE lpstr LPSTR lpwstr "
    "LPWSTR void VOID pvoid PVOID int_ptr INT_PTR long_ptr LONG_PTR uint_ptr UINT_PTR";

struct FoldMarker {
  int number;
  int symbol;
  COLORREF fore;
};

constexpr FoldMarker kFoldMarkers[] = {
    {SC_MARKNUM_FOLDEROPEN, SC_MARK_BOXMINUS, RGB(255, 255, 255)},
    {SC_MARKNUM_FOLDER, SC_MARK_BOXPLUS, RGB(226, 226, 226)},
    {SC_MARKNUM_FOLDERSUB, SC_MARK_VLINE, RGB(255, 255, 255)},
    {SC_MARKNUM_FOLDERTAIL, SC_MARK_LCORNER, RGB(255, 255, 255)},
    {SC_MARKNUM_FOLDEREND, SC_MARK_BOXPLUSCONNECTED, RGB(226, 226, 226)},
    {SC_MARKNUM_FOLDEROPENMID, SC_MARK_BOXMINUSCONNECTED, RGB(255, 255, 255)},
    {SC_MARKNUM_FOLDERMIDTAIL, SC_MARK_TCORNER, RGB(255, 255, 255)},
};

struct StyleColour {
  int style;
  COLORREF fore;
};

constexpr StyleColour kStyleColours[] = {
    {SCE_C_COMMENT, RGB(0, 128, 0)}, {SCE_C_COMMENTLINE, RGB(0, 128, 0)}, {SCE_C_COMMENTDOC, RGB(0, 128, 0)},
    {SCE_C_NUMBER, RGB(255, 0, 0)},  {SCE_C_WORD, RGB(0, 0, 255)},        {SCE_C_STRING, RGB(163, 21, 21)},
    {SCE_C_CHARACTER, RGB(163, 21, 21)},
};

// Comments of every kind the lexer tells apart, documentation comments among them: no member
// list opens inside one.
bool IsCommentStyle(int style) {
  switch (style) {
    case SCE_C_COMMENT:
    case SCE_C_COMMENTLINE:
    case SCE_C_COMMENTDOC:
    case SCE_C_COMMENTLINEDOC:
    case SCE_C_COMMENTDOCKEYWORD:
    case SCE_C_COMMENTDOCKEYWORDERROR:
      return true;
    default:
      return false;
  }
}

// The member-list pictures by the image ids the lists use: 1 methods, 2 properties, 3 objects.
struct Picture {
  int imageId;
  int resourceId;
};

constexpr Picture kPictures[] = {{1, IDR_PICTURE_METHOD}, {2, IDR_PICTURE_PROPERTY}, {3, IDR_PICTURE_OBJECT}};

std::optional<kveditor::RgbaPicture> LoadPicture(int resourceId) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"KV_DATA");
  if (!found) return std::nullopt;
  const DWORD size = SizeofResource(module, found);
  const HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return std::nullopt;
  return kveditor::DecodeAutocompletionPicture(std::string_view(static_cast<const char*>(bytes), size));
}

}  // namespace

KVSourceEditor::KVSourceEditor(const KVSense& codeAssistance) : sense(codeAssistance) {}

sptr_t KVSourceEditor::call(unsigned int message, uptr_t wParam, sptr_t lParam) const {
  return directFunction ? directFunction(directPointer, message, wParam, lParam) : 0;
}

bool KVSourceEditor::isDeclarationFile() const {
  return document && document->kind() == ProjectItemType::ExternalLibrary;
}

bool KVSourceEditor::create(DocumentRecord* record, HWND parent, int x, int y, int width, int height) {
  document = record;
  editorWindow = CreateWindowExW(0, L"Scintilla", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, x, y, width,
                                 height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!editorWindow) {
    lastFailure = "the editing component could not be created";
    return false;
  }
  directFunction = reinterpret_cast<SciFnDirect>(SendMessageW(editorWindow, SCI_GETDIRECTFUNCTION, 0, 0));
  directPointer = static_cast<sptr_t>(SendMessageW(editorWindow, SCI_GETDIRECTPOINTER, 0, 0));
  if (!directFunction || !directPointer) {
    lastFailure = "the editing component does not answer";
    return false;
  }
  configure();
  return load();
}

void KVSourceEditor::configure() {
  call(SCI_SETILEXER, 0, reinterpret_cast<sptr_t>(CreateLexer("cpp")));
  call(SCI_SETMARGINWIDTHN, 1, 0);
  call(SCI_SETMARGINWIDTHN, 2, 16);
  call(SCI_SETMARGINMASKN, 2, SC_MASK_FOLDERS);
  call(SCI_SETMARGINTYPEN, 2, SC_MARGIN_SYMBOL);
  call(SCI_SETMARGINSENSITIVEN, 2, 1);
  defineFoldMarkers();

  call(SCI_MARKERENABLEHIGHLIGHT, 1);
  call(SCI_SETADDITIONALSELECTIONTYPING, 1);
  call(SCI_AUTOCSETAUTOHIDE, 0);
  call(SCI_AUTOCSETFILLUPS, 0, reinterpret_cast<sptr_t>("("));
  call(SCI_FOLDDISPLAYTEXTSETSTYLE, SC_FOLDDISPLAYTEXT_STANDARD);
  call(SCI_SETDEFAULTFOLDDISPLAYTEXT, 0, reinterpret_cast<sptr_t>("... }"));
  call(SCI_SETAUTOMATICFOLD, SC_AUTOMATICFOLD_SHOW | SC_AUTOMATICFOLD_CLICK);
  call(SCI_SETTABWIDTH, 4);
  call(SCI_SETPROPERTY, reinterpret_cast<uptr_t>("fold"), reinterpret_cast<sptr_t>("1"));
  // Enter must insert CR LF on every system: indentation and code assistance read lines up to
  // a CR.
  call(SCI_SETEOLMODE, SC_EOL_CRLF);

  setStyles();
  registerPictures();
  call(SCI_AUTOCSETORDER, SC_ORDER_PERFORMSORT);
  call(SCI_AUTOCSETMAXHEIGHT, 9);
  call(SCI_SETBUFFEREDDRAW, 0);
  // The horizontal bar appears once a shown line is wider than the view, not from the start.
  call(SCI_SETSCROLLWIDTH, 1);
  call(SCI_SETSCROLLWIDTHTRACKING, 1);
  call(SCI_COLOURISE, 0, -1);
}

void KVSourceEditor::defineFoldMarkers() {
  for (const FoldMarker& marker : kFoldMarkers) {
    call(SCI_MARKERDEFINE, marker.number, marker.symbol);
    call(SCI_MARKERSETBACK, marker.number, RGB(176, 176, 176));
    call(SCI_MARKERSETFORE, marker.number, marker.fore);
  }
}

void KVSourceEditor::setStyles() {
  call(SCI_STYLESETFONT, STYLE_DEFAULT, reinterpret_cast<sptr_t>("Consolas"));
  call(SCI_STYLESETSIZE, STYLE_DEFAULT, 10);
  call(SCI_STYLESETBACK, STYLE_DEFAULT, RGB(255, 255, 255));
  call(SCI_STYLESETFORE, STYLE_DEFAULT, RGB(0, 0, 0));
  call(SCI_SETSELBACK, 1, RGB(153, 201, 239));
  call(SCI_STYLECLEARALL);
  call(SCI_SETKEYWORDS, 0, reinterpret_cast<sptr_t>(isDeclarationFile() ? kDeclarationTypes : kJavaScriptWords));
  for (const StyleColour& colour : kStyleColours) call(SCI_STYLESETFORE, colour.style, colour.fore);
}

void KVSourceEditor::registerPictures() {
  call(SCI_RGBAIMAGESETWIDTH, 16);
  call(SCI_RGBAIMAGESETHEIGHT, 16);
  for (const Picture& picture : kPictures) {
    const std::optional<kveditor::RgbaPicture> image = LoadPicture(picture.resourceId);
    // The component takes the size set above; a picture of another size would be misread.
    if (!image || image->width != 16 || image->height != 16) continue;
    call(SCI_REGISTERRGBAIMAGE, picture.imageId, reinterpret_cast<sptr_t>(image->rgba.data()));
  }
}

// A missing file is a new, empty document. One that exists but cannot be read is not opened:
// an empty document saved over it would destroy it.
bool KVSourceEditor::load() {
  const std::string path = document->item->Path();
  std::string bytes;
  if (!kvplatform::ReadFileBytes(path, bytes)) {
    const int code = errno;
    if (kvplatform::PathExists(path)) {
      lastFailure = std::string("the file cannot be read (") + std::strerror(code) + ")";
      return false;
    }
    bytes.clear();
  }
  std::string_view body = bytes;
  if (isDeclarationFile()) {
    const std::size_t lineFeed = body.find('\n');
    if (lineFeed != std::string_view::npos) {
      header.assign(body.substr(0, lineFeed + 1));
      body.remove_prefix(lineFeed + 1);
    }
  }
  call(SCI_SETUNDOCOLLECTION, 0);
  call(SCI_CLEARALL);
  // Appended with its length, so that a NUL byte in the file neither ends the text nor is
  // lost on save.
  call(SCI_APPENDTEXT, body.size(), reinterpret_cast<sptr_t>(body.data()));
  call(SCI_SETUNDOCOLLECTION, 1);
  call(SCI_EMPTYUNDOBUFFER);
  call(SCI_SETSAVEPOINT);
  modified = 0;
  return true;
}

std::string KVSourceEditor::text() const {
  const Sci_Position length = call(SCI_GETLENGTH);
  // Room for the terminating NUL the component writes after the text.
  std::string bytes(static_cast<std::size_t>(length) + 1, '\0');
  Sci_TextRangeFull range{{0, length}, bytes.data()};
  call(SCI_GETTEXTRANGEFULL, 0, reinterpret_cast<sptr_t>(&range));
  bytes.resize(static_cast<std::size_t>(length));
  return bytes;
}

bool KVSourceEditor::save() {
  if (!document) return false;
  kvplatform::FileError error;
  if (!kvplatform::SaveFileAtomically(document->item->Path(), header + text(), &error)) {
    lastFailure = error.reason;
    return false;
  }
  lastFailure.clear();
  modified = 0;
  call(SCI_SETSAVEPOINT);
  return true;
}

void KVSourceEditor::cut() { call(SCI_CUT); }
void KVSourceEditor::copy() { call(SCI_COPY); }
void KVSourceEditor::paste() { call(SCI_PASTE); }
// The Del key reaches the editor as this command: like the key in any editor, it removes the
// selection, or the character after the caret when nothing is selected.
void KVSourceEditor::deleteSelection() { call(SCI_CLEAR); }
void KVSourceEditor::undo() { call(SCI_UNDO); }
void KVSourceEditor::redo() { call(SCI_REDO); }

std::optional<KVEditorBase::Caret> KVSourceEditor::caret() const {
  if (!directFunction) return std::nullopt;
  const Sci_Position end = call(SCI_GETSELECTIONEND);
  Caret where;
  where.line = static_cast<int>(call(SCI_LINEFROMPOSITION, end));
  where.column = static_cast<int>(call(SCI_GETCOLUMN, end));
  where.firstVisibleLine = static_cast<int>(call(SCI_DOCLINEFROMVISIBLE, call(SCI_GETFIRSTVISIBLELINE)));
  where.position = static_cast<int>(call(SCI_GETCURRENTPOS));
  return where;
}

void KVSourceEditor::showPosition(int line, int position) {
  if (line < 0) return;
  call(SCI_ENSUREVISIBLE, line);
  if (position >= 0) {
    call(SCI_SETFIRSTVISIBLELINE, call(SCI_VISIBLEFROMDOCLINE, line));
    call(SCI_GOTOPOS, position);
  } else {
    call(SCI_GOTOLINE, line);
  }
}

void KVSourceEditor::notified(const NMHDR& header) {
  if (header.hwndFrom != editorWindow || header.code != SCN_CHARADDED) return;
  const auto& notification = reinterpret_cast<const SCNotification&>(header);
  // Characters an input method composes are not typed by the user one at a time.
  if (notification.characterSource != SC_CHARACTERSOURCE_DIRECT_INPUT) return;
  characterAdded(notification.ch);
}

void KVSourceEditor::characterAdded(int character) {
  switch (character) {
    case '\r': indentNewLine(); break;
    case '.': showMemberList(); break;
    case '(': showCallTip(); break;
    case ')': call(SCI_CALLTIPCANCEL); break;
    default: break;
  }
}

// The new line starts with the blanks and tabs that start the line before it.
void KVSourceEditor::indentNewLine() {
  const Sci_Position line = call(SCI_LINEFROMPOSITION, call(SCI_GETSELECTIONEND));
  if (line < 1 || call(SCI_LINELENGTH, line - 1) < 1) return;
  const Sci_Position start = call(SCI_POSITIONFROMLINE, line - 1);
  const Sci_Position end = call(SCI_GETLINEENDPOSITION, line - 1);
  std::string indentation;
  for (Sci_Position at = start; at < end; ++at) {
    const char c = static_cast<char>(call(SCI_GETCHARAT, at));
    if (c != ' ' && c != '\t') break;
    indentation += c;
  }
  if (!indentation.empty()) call(SCI_REPLACESEL, 0, reinterpret_cast<sptr_t>(indentation.c_str()));
}

// The caret's line from its start up to the caret, the typed character included: what code
// assistance reads the expression from.
std::string KVSourceEditor::lineBeforeCaret(Sci_Position caret) const {
  const Sci_Position start = call(SCI_POSITIONFROMLINE, call(SCI_LINEFROMPOSITION, caret));
  std::string line(static_cast<std::size_t>(caret - start) + 1, '\0');
  Sci_TextRangeFull range{{start, caret}, line.data()};
  call(SCI_GETTEXTRANGEFULL, 0, reinterpret_cast<sptr_t>(&range));
  line.resize(static_cast<std::size_t>(caret - start));
  return line;
}

// The typed character's own style tells whether it was typed inside a comment. The lexer
// colours lazily, so the text up to the caret is coloured first, from the first line not yet
// coloured (never again from the start of a large document).
bool KVSourceEditor::caretInComment(Sci_Position caret) {
  const Sci_Position styledTo = call(SCI_GETENDSTYLED);
  if (styledTo < caret) call(SCI_COLOURISE, call(SCI_POSITIONFROMLINE, call(SCI_LINEFROMPOSITION, styledTo)), caret);
  return IsCommentStyle(static_cast<int>(call(SCI_GETSTYLEAT, caret - 1)));
}

void KVSourceEditor::showMemberList() {
  if (call(SCI_AUTOCACTIVE)) {
    // The entry the user was choosing is taken, and the "." that ended the word follows it.
    const bool chosen = call(SCI_AUTOCGETCURRENT) >= 0;
    call(SCI_AUTOCCOMPLETE);
    if (chosen) call(SCI_ADDTEXT, 1, reinterpret_cast<sptr_t>("."));
  }
  const Sci_Position caret = call(SCI_GETSELECTIONSTART);
  if (caret != call(SCI_GETSELECTIONEND) || caret == 0 || caretInComment(caret)) return;
  const std::string line = lineBeforeCaret(caret);
  const std::string members = sense.MemberListAt(line, line.size());
  if (!members.empty()) call(SCI_AUTOCSHOW, 0, reinterpret_cast<sptr_t>(members.c_str()));
}

void KVSourceEditor::showCallTip() {
  const Sci_Position caret = call(SCI_GETSELECTIONSTART);
  if (caret != call(SCI_GETSELECTIONEND) || caret == 0 || caretInComment(caret)) return;
  const std::string line = lineBeforeCaret(caret);
  if (const std::optional<std::string> signature = sense.CallTipAt(line, line.size())) {
    call(SCI_CALLTIPSHOW, caret, reinterpret_cast<sptr_t>(signature->c_str()));
  }
}
