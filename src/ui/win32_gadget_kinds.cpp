// The gadget kinds: their descriptors and the operations each kind brings.
#include <windows.h>

#include "ui/win32_layer.h"

namespace {

// Returns a push button's check state (low bit of BM_GETCHECK).
intptr_t ButtonState(GadgetRecord* gadget) {
  return SendMessageA(gadget->handle, BM_GETCHECK, 0, 0) & 1;
}

// Sets a push button's check state.
void SetButtonState(GadgetRecord* gadget, intptr_t state) {
  SendMessageA(gadget->handle, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

// Sets the text colours of a control that has a front or back colour; the background of a
// control without back colour is the system colour `fallback`. False when neither is set.
bool AnswerColours(GadgetRecord* gadget, HDC dc, int fallback, LRESULT* answer) {
  if (gadget->front_colour == -1 && gadget->back_colour == -1) return false;
  if (gadget->front_colour != -1) SetTextColor(dc, static_cast<COLORREF>(gadget->front_colour));
  if (gadget->back_colour != -1) {
    SetBkColor(dc, static_cast<COLORREF>(gadget->back_colour));
    *answer = reinterpret_cast<LRESULT>(gadget->back_brush);
  } else {
    SetBkColor(dc, GetSysColor(fallback));
    *answer = reinterpret_cast<LRESULT>(GetSysColorBrush(fallback));
  }
  return true;
}

// Answers a label's colour request.
bool LabelParentMessage(GadgetRecord* gadget, UINT message, WPARAM wparam, LPARAM /*lparam*/,
                        LRESULT* answer) {
  if (message != WM_CTLCOLORSTATIC) return false;
  return AnswerColours(gadget, reinterpret_cast<HDC>(wparam), COLOR_BTNFACE, answer);
}

// Answers a text field's colour request; a disabled field keeps the platform's colours.
bool FieldParentMessage(GadgetRecord* gadget, UINT message, WPARAM wparam, LPARAM /*lparam*/,
                        LRESULT* answer) {
  const bool asks = message == WM_CTLCOLOREDIT ||
                    (message == WM_CTLCOLORSTATIC && IsWindowEnabled(gadget->handle));
  if (!asks) return false;
  return AnswerColours(gadget, reinterpret_cast<HDC>(wparam), COLOR_BTNHIGHLIGHT, answer);
}

// Gives a coloured gadget's back brush back to the BrushCache.
void ReleaseColours(GadgetRecord* gadget) {
  if (gadget->back_brush != nullptr) ReleaseBrush(gadget->back_brush);
  gadget->back_brush = nullptr;
}

// Sets the front (1) or back (2) colour of a label or text field.
void SetColour(GadgetRecord* gadget, int32_t kind, int32_t colour) {
  if (kind == 1) {
    gadget->front_colour = colour;
  } else if (kind == 2) {
    ReleaseColours(gadget);
    if (colour != -1) gadget->back_brush = TakeBrush(static_cast<COLORREF>(colour));
    gadget->back_colour = colour;
  }
}

// Returns the front (1) or back (2) colour of a label or text field, -1 for other kinds.
int32_t GetColour(GadgetRecord* gadget, int32_t kind) {
  return kind == 1 ? gadget->front_colour : kind == 2 ? gadget->back_colour : -1;
}

// Moves a frame and has its parent redraw the frame's new area.
void ResizeFrame(GadgetRecord* gadget, int32_t x, int32_t y, int32_t width, int32_t height) {
  MoveWindow(gadget->handle, x, y, width, height, TRUE);
  RECT area{x, y, x + width, y + height};
  InvalidateRect(GetParent(gadget->handle), &area, TRUE);
}

// Returns a descriptor with a kind code and no operations.
GadgetKind KindWithCode(int32_t code) {
  GadgetKind kind = {};
  kind.code = code;
  kind.size = sizeof(GadgetKind);
  return kind;
}

// Returns the descriptor of a coloured kind (labels and text fields).
GadgetKind ColouredKind(int32_t code,
                        bool (*parent_message)(GadgetRecord*, UINT, WPARAM, LPARAM, LRESULT*)) {
  GadgetKind kind = KindWithCode(code);
  kind.parent_message = parent_message;
  kind.release = ReleaseColours;
  kind.set_colour = SetColour;
  kind.get_colour = GetColour;
  return kind;
}

// Returns the push button's descriptor.
GadgetKind ButtonKind() {
  GadgetKind kind = KindWithCode(1);
  kind.get_state = ButtonState;
  kind.set_state = SetButtonState;
  return kind;
}

// Returns the frame's descriptor.
GadgetKind FrameKind() {
  GadgetKind kind = KindWithCode(7);
  kind.resize = ResizeFrame;
  return kind;
}

}  // namespace

const GadgetKind BUTTON_KIND = ButtonKind();
const GadgetKind TEXT_FIELD_KIND = ColouredKind(2, FieldParentMessage);
const GadgetKind LABEL_KIND = ColouredKind(3, LabelParentMessage);
const GadgetKind FRAME_KIND = FrameKind();
