// Gadgets: the four create operations, the gadget procedure, and gadget texts.
#include <windows.h>

#include <vector>

#include "ui/ui.h"
#include "ui/win32_layer.h"

namespace {

const char* const GADGET_NEXT = "QuillGadgetNext";
const char* const FIELD_NEXT = "QuillFieldNext";

constexpr uint32_t NO_CLIENT_EDGE = 0x20000;

// Returns the procedure that a subclass procedure stored under a property name.
WNDPROC StoredProcedure(HWND control, const char* name) {
  return reinterpret_cast<WNDPROC>(GetPropA(control, name));
}

// Calls the stored procedure, or the default procedure when there is none.
LRESULT CallStored(WNDPROC next, HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  return next != nullptr ? CallWindowProcA(next, control, message, wparam, lparam)
                         : DefWindowProcA(control, message, wparam, lparam);
}

// The subclass of every gadget: passes each message on, and frees the gadget on its last one.
LRESULT CALLBACK GadgetProcedure(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  int32_t number = -1;
  GadgetRecord* gadget = GadgetOfControl(control, &number);
  WNDPROC next =
      gadget != nullptr ? gadget->previous_procedure : StoredProcedure(control, GADGET_NEXT);
  const LRESULT result = CallStored(next, control, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    RemovePropA(control, GADGET_NEXT);
    if (gadget != nullptr) {
      if (gadget->kind->release != nullptr) gadget->kind->release(gadget);
      UntagGadget(control);
      SetWindowLongPtrA(control, GWLP_ID, -1);
      Layer()->gadgets.Release(number);
    }
  }
  return result;
}

// The text field's second subclass: posts focus notices to the field's top-level window.
LRESULT CALLBACK FieldFocusProcedure(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  const LRESULT result =
      CallStored(StoredProcedure(control, FIELD_NEXT), control, message, wparam, lparam);
  if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
    const LONG_PTR number = GetWindowLongPtrA(control, GWLP_ID);
    PostMessageA(GetAncestor(control, GA_ROOT), MESSAGE_FIELD_FOCUS, static_cast<WPARAM>(number),
                 message == WM_SETFOCUS ? FOCUS_GAINED : FOCUS_LOST);
  } else if (message == WM_NCDESTROY) {
    RemovePropA(control, FIELD_NEXT);
  }
  return result;
}

// Puts a subclass procedure on a control; returns the procedure it replaced.
WNDPROC Subclass(HWND control, WNDPROC procedure) {
  return reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

// Returns the record of the gadget container, null when there is none.
const WindowRecord* ContainerRecord(LayerState* layer) {
  const WindowRecord* record = layer->windows.Find(WindowNumberOf(layer->container));
  return record != nullptr && record->handle == layer->container ? record : nullptr;
}

// Creates a control in the gadget container and files it under a number; returns the
// control handle, the identifier for -1, or 0.
intptr_t CreateGadget(int32_t number, const GadgetKind& kind, const char* platform_class,
                      uint32_t style, uint32_t ex_style, int32_t x, int32_t y, int32_t width,
                      int32_t height, const char* text) {
  LayerState* layer = Layer();
  if (layer == nullptr || number < AUTOMATIC_NUMBER || number >= FIRST_AUTOMATIC_IDENTIFIER) {
    return 0;
  }
  const WindowRecord* window = ContainerRecord(layer);
  const RECT layout{x, y, x + width, y + height};
  const RECT r = ScaleRectToDpi(layout, LayoutDpi(layer));
  HWND control = CreateWindowExA(
      ex_style, platform_class, text != nullptr ? text : "", style, r.left, r.top, r.right - r.left,
      r.bottom - r.top, layer->container, reinterpret_cast<HMENU>(static_cast<intptr_t>(-1)),
      GetModuleHandleA(nullptr), nullptr);
  if (control == nullptr) return 0;
  if (number != AUTOMATIC_NUMBER) {
    GadgetRecord* old = layer->gadgets.Find(number);
    if (old != nullptr) DestroyWindow(old->handle);
  }
  int32_t assigned = 0;
  GadgetRecord* gadget = layer->gadgets.Claim(number, &assigned);
  gadget->handle = control;
  gadget->kind = &kind;
  gadget->front_colour = -1;
  gadget->back_colour = -1;
  gadget->layout = layout;
  SetWindowLongPtrA(control, GWLP_ID, assigned);
  TagGadget(control, assigned);
  if (&kind == &TEXT_FIELD_KIND) {
    SetPropA(control, FIELD_NEXT, reinterpret_cast<HANDLE>(Subclass(control, FieldFocusProcedure)));
  }
  gadget->previous_procedure = Subclass(control, GadgetProcedure);
  SetPropA(control, GADGET_NEXT, reinterpret_cast<HANDLE>(gadget->previous_procedure));
  // The default GUI font stands for the container's GUI font at its DPI.
  HFONT font = layer->container_font;
  if (window != nullptr && font == GetStockObject(DEFAULT_GUI_FONT)) font = window->gui_font;
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return number == AUTOMATIC_NUMBER ? assigned : reinterpret_cast<intptr_t>(control);
}

// Returns the gadget record under a number, null when there is none.
GadgetRecord* FindGadget(int32_t number) {
  LayerState* layer = Layer();
  return layer != nullptr ? layer->gadgets.Find(number) : nullptr;
}

}  // namespace

// Creates a "Static" label; flag 0x20000 gives it a sunken edge.
intptr_t MakeLabel(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                   const char* text, uint32_t flags) {
  const uint32_t ex_style = (flags & NO_CLIENT_EDGE) != 0 ? WS_EX_CLIENTEDGE : 0;
  return CreateGadget(number, LABEL_KIND, "Static", 0x50020000u | flags, ex_style, x, y, width,
                      height, text);
}

// Creates a "Button" push button with a tab stop.
intptr_t MakeButton(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                    const char* text, uint32_t flags) {
  return CreateGadget(number, BUTTON_KIND, "Button", 0x50030000u | flags, 0, x, y, width, height,
                      text);
}

// Creates a single-line "Edit" text field; flag 0x20000 drops its sunken edge.
intptr_t MakeTextField(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                       const char* text, uint32_t flags) {
  const uint32_t ex_style = (flags & NO_CLIENT_EDGE) != 0 ? 0 : WS_EX_CLIENTEDGE;
  return CreateGadget(number, TEXT_FIELD_KIND, "Edit", 0x50030080u | flags, ex_style, x, y, width,
                      height, text);
}

// Creates a group box frame; every frame kind is drawn as the plain group box.
intptr_t MakeFrame(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                   const char* caption, int32_t /*kind*/) {
  return CreateGadget(number, FRAME_KIND, "Button", 0x50020007u, 0, x, y, width, height, caption);
}

// Sets a gadget's text (caption or content); also safe from another thread.
void PutGadgetText(int32_t gadget, const char* text) {
  GadgetRecord* record = FindGadget(gadget);
  if (record == nullptr) return;
  if (text == nullptr) text = "";
  if (record->kind->set_text != nullptr) {
    record->kind->set_text(record, text);
  } else {
    SetWindowTextA(record->handle, text);
  }
}

// Returns a gadget's whole text, the empty text when the number names no gadget.
std::string FetchGadgetText(int32_t gadget) {
  GadgetRecord* record = FindGadget(gadget);
  if (record == nullptr) return std::string();
  const int length = GetWindowTextLengthA(record->handle);
  std::vector<char> buffer(static_cast<size_t>(length < 0 ? 0 : length) + 1, '\0');
  if (record->kind->get_text != nullptr) {
    record->kind->get_text(record, buffer.data(), static_cast<int32_t>(buffer.size()));
  } else {
    GetWindowTextA(record->handle, buffer.data(), static_cast<int>(buffer.size()));
  }
  buffer.back() = '\0';
  return std::string(buffer.data());
}
