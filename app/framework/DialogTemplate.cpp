#include "app/framework/DialogTemplate.h"

namespace {

// DLGTEMPLATE (18 bytes) and three zero words: no menu, the default class, an empty title;
// rounded up so the template is 24 zeroed bytes.
constexpr SIZE_T kTemplateSize = 24;

}  // namespace

DialogTemplate::DialogTemplate(DWORD style, DWORD extendedStyle)
    : heap(GetProcessHeap()), memory(HeapAlloc(heap, HEAP_ZERO_MEMORY, kTemplateSize)) {
  if (!memory) return;
  auto* header = static_cast<DLGTEMPLATE*>(memory);
  header->style = style;
  header->dwExtendedStyle = extendedStyle;
  header->cdit = 0;
  header->x = 0;
  header->y = 0;
  header->cx = 10;
  header->cy = 10;
}

DialogTemplate::~DialogTemplate() {
  if (memory) HeapFree(heap, 0, memory);
}
