// The recorder: while recording is on, it notes every GDI call with the state of its DC and
// passes the drawing operations on to the DC's own table.
//
// What each record holds (args in call order; the DC state is the one before the call, except
// that SelectObject shows the state after the selection):
//   CreatePen, CreatePenIndirect  style, width, colour          object = the new pen
//   CreateSolidBrush              colour                        object = the new brush
//   CreateFontIndirectW           the thirteen integer fields of the LOGFONTW; text = face name
//   SelectObject                  -                             object, result = the previous one
//   DeleteObject                  -                             object
//   SetBkColor, SetTextColor      colour
//   SetBkMode                     mode
//   MoveToEx, LineTo              x, y
//   FillRect                      left, top, right, bottom      object = the brush
//   Ellipse, Rectangle            left, top, right, bottom
//   DrawTextW                     count, left, top, right, bottom, format; text = the text drawn
//   DrawFrameControl              left, top, right, bottom, type, state
// Failed calls are recorded too (a CreatePen with a bad style has object = nullptr), except
// DC calls on a handle that names no DC or with a missing rectangle, text or brush. GetStockObject, GetPixel, PtInRect and SetRect are not
// recorded.
#include "gdi/gdi_private.h"

#include <utility>

#include "platform/testing.h"

namespace platform::detail {
namespace {

struct Recorder {
  bool on = false;
  std::vector<platform::testing::GdiRecord> records;
};

Recorder& TheRecorder() {
  static Recorder* recorder = new Recorder;  // outlives every static that might draw at exit
  return *recorder;
}

void NoteState(const Dc& dc, platform::testing::GdiRecord& r) {
  if (dc.pen != nullptr) {
    r.penColour = dc.pen->colour;
    r.penWidth = dc.pen->width;
    r.penStyle = dc.pen->style;
  }
  if (dc.brush != nullptr) {
    r.brushColour = dc.brush->colour;
    r.brushIsNull = dc.brush->isNull;
  }
  r.textColour = dc.textColour;
  r.bkColour = dc.bkColour;
  r.bkMode = dc.bkMode;
  if (dc.font != nullptr) {
    r.fontHeight = dc.font->logFont.lfHeight;
    r.fontFace = dc.font->face;
    r.fontPitchAndFamily = dc.font->logFont.lfPitchAndFamily;
    r.fontWeight = dc.font->logFont.lfWeight;
  }
  r.penPosition = dc.position;
}

long long L(long long v) { return v; }

void RecordLineTo(Dc& dc, int x, int y) {
  RecordCall(&dc, "LineTo", {x, y});
  dc.funcs->lineTo(dc, x, y);
}

void RecordFillRect(Dc& dc, const RECT& rect, const Brush& brush, HBRUSH handle) {
  RecordCall(&dc, "FillRect", {rect.left, rect.top, rect.right, rect.bottom}, handle);
  dc.funcs->fillRect(dc, rect, brush, handle);
}

void RecordEllipse(Dc& dc, int left, int top, int right, int bottom) {
  RecordCall(&dc, "Ellipse", {left, top, right, bottom});
  dc.funcs->ellipse(dc, left, top, right, bottom);
}

void RecordRectangle(Dc& dc, int left, int top, int right, int bottom) {
  RecordCall(&dc, "Rectangle", {left, top, right, bottom});
  dc.funcs->rectangle(dc, left, top, right, bottom);
}

int RecordDrawText(Dc& dc, const wchar_t* text, int count, const RECT& rect, UINT format) {
  std::wstring drawn;
  if (count < 0) {
    drawn = text;
  } else {
    drawn.assign(text, static_cast<std::size_t>(count));
  }
  RecordCall(&dc, "DrawTextW", {count, rect.left, rect.top, rect.right, rect.bottom, L(format)}, nullptr, nullptr,
             std::move(drawn));
  return dc.funcs->drawText(dc, text, count, rect, format);
}

BOOL RecordDrawFrameControl(Dc& dc, const RECT& rect, UINT type, UINT state) {
  RecordCall(&dc, "DrawFrameControl", {rect.left, rect.top, rect.right, rect.bottom, L(type), L(state)});
  return dc.funcs->drawFrameControl(dc, rect, type, state);
}

const DcFuncs kRecordingFuncs = {RecordLineTo,   RecordFillRect,         RecordEllipse, RecordRectangle,
                                 RecordDrawText, RecordDrawFrameControl};

}  // namespace

bool IsRecording() { return TheRecorder().on; }

const DcFuncs& RecordingFuncs() { return kRecordingFuncs; }

void RecordCall(const Dc* dc, const char* op, std::vector<long long> args, HGDIOBJ object, HGDIOBJ result,
                std::wstring text) {
  Recorder& recorder = TheRecorder();
  if (!recorder.on) return;
  platform::testing::GdiRecord r;
  r.op = op;
  r.args = std::move(args);
  r.object = object;
  r.result = result;
  r.text = std::move(text);
  if (dc != nullptr) NoteState(*dc, r);
  recorder.records.push_back(std::move(r));
}

}  // namespace platform::detail

namespace platform::testing {

void StartGdiRecording() {
  detail::Recorder& recorder = detail::TheRecorder();
  recorder.records.clear();
  recorder.on = true;
}

std::vector<GdiRecord> StopGdiRecording() {
  detail::Recorder& recorder = detail::TheRecorder();
  recorder.on = false;
  return std::move(recorder.records);
}

}  // namespace platform::testing
