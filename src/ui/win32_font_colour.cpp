// Fonts, gadget fonts and colours, and the BrushCache with the layer's one lock.
#include <windows.h>

#include <vector>

#include "ui/ui.h"
#include "ui/win32_layer.h"

namespace {

// One shared solid brush of the BrushCache.
struct BrushEntry {
  COLORREF colour;
  HBRUSH brush;
  int32_t count;
};

CRITICAL_SECTION g_brush_lock;
bool g_brush_lock_ready = false;
std::vector<BrushEntry> g_brushes;

// Holds the BrushCache lock for one scope.
class BrushLock {
 public:
  BrushLock() { EnterCriticalSection(&g_brush_lock); }
  ~BrushLock() { LeaveCriticalSection(&g_brush_lock); }
  BrushLock(const BrushLock&) = delete;
  BrushLock& operator=(const BrushLock&) = delete;
};

// Returns the font that a font argument names: -1 is the default GUI font.
HFONT FontArgument(intptr_t font) {
  return font == -1 ? static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))
                    : reinterpret_cast<HFONT>(font);
}

}  // namespace

// Creates the BrushCache's lock.
void StartBrushCache() {
  if (g_brush_lock_ready) return;
  InitializeCriticalSection(&g_brush_lock);
  g_brush_lock_ready = true;
}

// Deletes every brush still cached and the lock.
void StopBrushCache() {
  if (!g_brush_lock_ready) return;
  for (const BrushEntry& entry : g_brushes) DeleteObject(entry.brush);
  g_brushes.clear();
  DeleteCriticalSection(&g_brush_lock);
  g_brush_lock_ready = false;
}

// Returns the cached brush of a colour (counting one more user), creating it when needed.
HBRUSH TakeBrush(COLORREF colour) {
  if (!g_brush_lock_ready) return nullptr;
  BrushLock lock;
  for (BrushEntry& entry : g_brushes) {
    if (entry.colour == colour) {
      ++entry.count;
      return entry.brush;
    }
  }
  HBRUSH brush = CreateSolidBrush(colour);
  if (brush != nullptr) g_brushes.push_back(BrushEntry{colour, brush, 1});
  return brush;
}

// Counts one user less of a cached brush; the last one deletes it.
void ReleaseBrush(HBRUSH brush) {
  if (!g_brush_lock_ready || brush == nullptr) return;
  BrushLock lock;
  for (auto it = g_brushes.begin(); it != g_brushes.end(); ++it) {
    if (it->brush != brush) continue;
    if (--it->count == 0) {
      DeleteObject(it->brush);
      g_brushes.erase(it);
    }
    return;
  }
}

// Returns the number of distinct cached brushes.
size_t BrushCacheSize() {
  if (!g_brush_lock_ready) return 0;
  BrushLock lock;
  return g_brushes.size();
}

// Loads a font sized in points for the layout's DPI; returns handle, identifier or 0.
intptr_t MakeFont(int32_t number, const char* face, int32_t points, uint32_t flags) {
  LayerState* layer = Layer();
  if (layer == nullptr) return 0;
  if (number != AUTOMATIC_NUMBER) {
    FontRecord* old = layer->fonts.Find(number);
    if (old != nullptr) {
      DeleteObject(old->handle);
      layer->fonts.Release(number);
    }
  }
  int32_t assigned = 0;
  FontRecord* record = layer->fonts.Claim(number, &assigned);
  if (record == nullptr) return 0;
  lstrcpynA(record->face, face != nullptr ? face : "", sizeof(record->face));
  record->points = points;
  record->flags = flags;
  // NOTE: made for the DPI of the layout, so a font and the gadgets it goes on agree.
  HFONT font = CreatePointFont(*record, LayoutDpi(layer));
  if (font == nullptr) {
    layer->fonts.Release(assigned);
    return 0;
  }
  record->handle = font;
  return number == AUTOMATIC_NUMBER ? assigned : reinterpret_cast<intptr_t>(font);
}

// Returns the platform handle of a font number, 0 when there is none.
intptr_t FontHandleOf(int32_t number) {
  LayerState* layer = Layer();
  FontRecord* record = layer != nullptr ? layer->fonts.Find(number) : nullptr;
  return record != nullptr ? reinterpret_cast<intptr_t>(record->handle) : 0;
}

// Gives one gadget, or (gadget -1) the gadgets created from now on, a font.
void ApplyGadgetFont(int32_t gadget, intptr_t font) {
  LayerState* layer = Layer();
  if (layer == nullptr) return;
  if (gadget == AUTOMATIC_NUMBER) {
    layer->container_font = FontArgument(font);
    return;
  }
  GadgetRecord* record = layer->gadgets.Find(gadget);
  if (record == nullptr) return;
  SendMessageA(record->handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontArgument(font)), TRUE);
}

// Sets a label's or text field's front (1) or back (2) colour and redraws it.
void ApplyGadgetColour(int32_t gadget, int32_t kind, int32_t colour) {
  LayerState* layer = Layer();
  GadgetRecord* record = layer != nullptr ? layer->gadgets.Find(gadget) : nullptr;
  if (record == nullptr || record->kind->set_colour == nullptr) return;
  record->kind->set_colour(record, kind, colour);
  RedrawWindow(record->handle, nullptr, nullptr,
               RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_FRAME);
}
