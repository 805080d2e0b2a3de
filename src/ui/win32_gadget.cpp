// Gadgets: the four create operations, the gadget procedure, and gadget texts.
#include <windows.h>

#include <vector>

#include "ui/ui.h"
#include "ui/win32_layer.h"

namespace {

constexpr uint32_t NO_CLIENT_EDGE = 0x20000;

// The subclass of every gadget: passes each message on to the procedure it replaced, notes the
// gadget that gets the focus, posts a text field's focus changes to its top-level window as
// notices, and frees the gadget on its last message. It reads no text, so it takes the messages
// as the controls do, in UTF-16 (see Subclass). NOTE: a gadget's control is found by its id and
// handle (GadgetOfControl) from its first message after the subclass to its last; a control
// found under no record is passed to its class's procedure.
LRESULT CALLBACK GadgetProcedure(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  int32_t number = -1;
  GadgetRecord* gadget = GadgetOfControl(control, &number);
  WNDPROC next = gadget != nullptr
                     ? gadget->previous_procedure
                     : reinterpret_cast<WNDPROC>(GetClassLongPtrW(control, GCLP_WNDPROC));
  const bool field = gadget != nullptr && gadget->kind == &TEXT_FIELD_KIND;
  const LRESULT result = next != nullptr ? CallWindowProcW(next, control, message, wparam, lparam)
                                         : DefWindowProcW(control, message, wparam, lparam);
  if (message == WM_SETFOCUS && gadget != nullptr) NoteFocus(control);
  if (field && (message == WM_SETFOCUS || message == WM_KILLFOCUS)) {
    PostMessageA(GetAncestor(control, GA_ROOT), MESSAGE_FIELD_FOCUS, static_cast<WPARAM>(number),
                 message == WM_SETFOCUS ? FOCUS_GAINED : FOCUS_LOST);
  } else if (message == WM_NCDESTROY && gadget != nullptr) {
    if (gadget->kind->release != nullptr) gadget->kind->release(gadget);
    SetWindowLongPtrA(control, GWLP_ID, -1);
    Layer()->gadgets.Release(number);
  }
  return result;
}

// Puts a subclass procedure on a control; returns the procedure it replaced, to be called with
// CallWindowProcW. NOTE: the controls' classes take UTF-16 messages; a procedure put with the
// W call keeps them so, where one put with the A call would have every message translated on
// its way through, and the control's change of kind registered with the system at each subclass.
WNDPROC Subclass(HWND control, WNDPROC procedure) {
  return reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
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
  // A numbered control is made with its number as id; an automatic one gets its identifier
  // once claimed. NOTE: until then the control is no gadget, as no record holds it.
  const intptr_t first_id = number != AUTOMATIC_NUMBER ? number : -1;
  HWND control =
      CreateWindowExA(ex_style, platform_class, text != nullptr ? text : "", style, r.left, r.top,
                      r.right - r.left, r.bottom - r.top, layer->container,
                      reinterpret_cast<HMENU>(first_id), GetModuleHandleA(nullptr), nullptr);
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
  if (assigned != first_id) SetWindowLongPtrA(control, GWLP_ID, assigned);
  gadget->previous_procedure = Subclass(control, GadgetProcedure);
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
